// The table of formats: looked up by what a document holds, or by the name a split gave its lists.
#include <algorithm>
#include <vector>

#include "document/Tw5Store.h"
#include "merge/format/Formats.h"

namespace korvane {
namespace {

// The formats in the order they are asked; the early format last, as it also answers for a document
// that holds no store at all. An encrypted wiki first: its run also takes plain TiddlyWiki 5 documents.
std::vector<const WikiFormat*>& table() {
    static std::vector<const WikiFormat*> formats = {&encryptedFormat(), &tw5Format(), &earlyFormat()};
    return formats;
}

}  // namespace

const WikiFormat* claimingFormat(std::string_view document) {
    for (const WikiFormat* format : table()) {
        if (format->claims(document)) {
            return format;
        }
    }
    return nullptr;
}

const WikiFormat& formatOf(std::string_view document) {
    const WikiFormat* format = claimingFormat(document);
    return format != nullptr ? *format : earlyFormat();
}

const WikiFormat& formatNamed(std::string_view name) {
    const auto& formats = table();
    const auto it =
        std::find_if(formats.begin(), formats.end(), [name](auto* f) { return f->name() == name; });
    return it == formats.end() ? earlyFormat() : **it;
}

const WikiFormat& runFormatOf(const std::vector<const WikiFormat*>& claiming) {
    for (const WikiFormat* format : table()) {
        if (std::find(claiming.begin(), claiming.end(), format) != claiming.end()) {
            return *format;
        }
    }
    return earlyFormat();
}

bool isEncryptedWiki(std::string_view document) {
    return detectKind(document) == DocumentKind::Encrypted;
}

bool isWikiDocument(std::string_view document) {
    return isEncryptedWiki(document) ||
           std::any_of(table().begin(), table().end(), [document](auto* f) { return f->claims(document); });
}

bool anyFormatReadsFolders() {
    return std::any_of(table().begin(), table().end(), [](auto* f) { return f->readsFolders(); });
}

void registerFormat(const WikiFormat& format) {
    table().insert(table().begin(), &format);
}

}  // namespace korvane
