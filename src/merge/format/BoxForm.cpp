#include "merge/format/BoxForm.h"

#include "document/Text.h"

namespace korvane {
namespace {

bool holdsLineFeed(std::string_view text) {
    return text.find('\n') != std::string_view::npos;
}

}  // namespace

std::string toBoxForm(std::string_view storeText) {
    if (holdsLineFeed(storeText)) {
        return std::string(storeText);
    }
    return replaceAll(storeText, "\\n", "\r\n");
}

std::string toStoreForm(std::string_view boxText, std::string_view storedText) {
    if (!holdsLineFeed(storedText)) {
        return replaceAll(boxText, "\r\n", "\\n");
    }
    // Compared with line ends unified, an untouched text comes back byte for byte even when the stored
    // text mixes CR LF and LF.
    std::string unified = replaceAll(boxText, "\r\n", "\n");
    if (unified == replaceAll(storedText, "\r\n", "\n")) {
        return std::string(storedText);
    }
    const bool crlf = storedText.find("\r\n") != std::string_view::npos;
    return crlf ? replaceAll(unified, "\n", "\r\n") : unified;
}

}  // namespace korvane
