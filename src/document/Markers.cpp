#include "document/Markers.h"

#include <cstring>

namespace korvane {
namespace {

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool equalIgnoringCase(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::size_t findIgnoringCase(std::string_view hay, std::string_view needle, std::size_t from) {
    if (needle.empty()) {
        return from <= hay.size() ? from : npos;
    }
    if (from > hay.size() || hay.size() - from < needle.size()) {
        return npos;
    }
    // Anchor the scan on a character of the needle that has no case, so memchr does the bulk of the
    // work; markup markers always hold one (`<`, `=`, `"`, `>`).
    std::size_t anchor = 0;
    while (anchor < needle.size() && isAsciiLetter(needle[anchor])) {
        ++anchor;
    }
    const char* base = hay.data();
    const std::size_t last = hay.size() - needle.size();  // last valid start
    if (anchor == needle.size()) {
        for (std::size_t i = from; i <= last; ++i) {
            if (equalIgnoringCase(base + i, needle.data(), needle.size())) {
                return i;
            }
        }
        return npos;
    }
    const char anchorChar = needle[anchor];
    std::size_t scan = from + anchor;
    const std::size_t scanEnd = last + anchor;  // inclusive
    while (scan <= scanEnd) {
        const void* hit = std::memchr(base + scan, anchorChar, scanEnd - scan + 1);
        if (hit == nullptr) {
            return npos;
        }
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        const std::size_t start = at - anchor;
        if (equalIgnoringCase(base + start, needle.data(), needle.size())) {
            return start;
        }
        scan = at + 1;
    }
    return npos;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalIgnoringCase(text.data(), prefix.data(), prefix.size());
}

std::size_t findMarker(std::string_view hay, std::string_view needle, bool ignoreCase, std::size_t from) {
    return ignoreCase ? findIgnoringCase(hay, needle, from) : hay.find(needle, from);
}

std::string_view funcParseStringFromStringToString(std::string_view sSourceString, std::string_view sString1,
                                                   std::string_view sString2, bool fCaseCaseInsensitive) {
    const std::size_t p1 = findMarker(sSourceString, sString1, fCaseCaseInsensitive);
    if (p1 == npos) {
        // Start marker absent: the text before the first end marker, or nothing at all.
        const std::size_t p2 = findMarker(sSourceString, sString2, fCaseCaseInsensitive);
        return p2 == npos ? std::string_view{} : sSourceString.substr(0, p2);
    }
    std::string_view rest = sSourceString.substr(p1 + sString1.size());
    const std::size_t p3 = findMarker(rest, sString2, fCaseCaseInsensitive);
    return p3 == npos ? rest : rest.substr(0, p3);
}

}  // namespace korvane
