#include "document/Markers.h"

#include <string>

namespace korvane {
namespace {

template <class CharT>
CharT foldAscii(CharT c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<CharT>(c + ('a' - 'A')) : c;
}

template <class CharT>
bool isAsciiLetter(CharT c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

template <class CharT>
bool equalIgnoringCase(const CharT* a, const CharT* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

template <class CharT>
std::size_t findFolded(std::basic_string_view<CharT> hay, std::basic_string_view<CharT> needle,
                       std::size_t from) {
    if (needle.empty()) {
        return from <= hay.size() ? from : npos;
    }
    if (from > hay.size() || hay.size() - from < needle.size()) {
        return npos;
    }
    // Anchor the scan on a character of the needle that has no case, so that the character search (memchr
    // for bytes) does the bulk of the work; markup markers always hold one (`<`, `=`, `"`, `>`).
    std::size_t anchor = 0;
    while (anchor < needle.size() && isAsciiLetter(needle[anchor])) {
        ++anchor;
    }
    const CharT* base = hay.data();
    const std::size_t last = hay.size() - needle.size();  // last valid start
    if (anchor == needle.size()) {
        for (std::size_t i = from; i <= last; ++i) {
            if (equalIgnoringCase(base + i, needle.data(), needle.size())) {
                return i;
            }
        }
        return npos;
    }
    const CharT anchorChar = needle[anchor];
    std::size_t scan = from + anchor;
    const std::size_t scanEnd = last + anchor;  // inclusive
    while (scan <= scanEnd) {
        const CharT* hit = std::char_traits<CharT>::find(base + scan, scanEnd - scan + 1, anchorChar);
        if (hit == nullptr) {
            return npos;
        }
        const auto at = static_cast<std::size_t>(hit - base);
        const std::size_t start = at - anchor;
        if (equalIgnoringCase(base + start, needle.data(), needle.size())) {
            return start;
        }
        scan = at + 1;
    }
    return npos;
}

}  // namespace

std::size_t findIgnoringCase(std::string_view hay, std::string_view needle, std::size_t from) {
    return findFolded(hay, needle, from);
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalIgnoringCase(text.data(), prefix.data(), prefix.size());
}

std::size_t findMarker(std::string_view hay, std::string_view needle, bool ignoreCase, std::size_t from) {
    return ignoreCase ? findIgnoringCase(hay, needle, from) : hay.find(needle, from);
}

std::size_t findMarker(std::u16string_view hay, std::u16string_view needle, bool ignoreCase,
                       std::size_t from) {
    return ignoreCase ? findFolded(hay, needle, from) : hay.find(needle, from);
}

bool endsWithClosingHtml(std::string_view text) {
    constexpr std::string_view kHtmlClose = "</html>";
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return last != npos && last + 1 >= kHtmlClose.size() &&
           startsWithIgnoringCase(text.substr(last + 1 - kHtmlClose.size()), kHtmlClose);
}

}  // namespace korvane
