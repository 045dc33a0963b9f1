// Marker searches over document text. A document is bytes; searches that ignore case fold ASCII letters only.
// The conflict dialog searches its boxes' UTF-16 texts with the same functions.
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>

namespace korvane {

constexpr std::size_t npos = std::string_view::npos;

// First occurrence of `needle` in `hay` at or after `from`, comparing ASCII letters without case.
std::size_t findIgnoringCase(std::string_view hay, std::string_view needle, std::size_t from = 0);

// `text` begins with `prefix`, comparing ASCII letters without case.
bool startsWithIgnoringCase(std::string_view text, std::string_view prefix);

std::size_t findMarker(std::string_view hay, std::string_view needle, bool ignoreCase, std::size_t from = 0);

// A whole wiki page ends with its closing html tag, line breaks and spaces aside.
bool endsWithClosingHtml(std::string_view text);

// The same search over the UTF-16 text of a dialog box.
std::size_t findMarker(std::u16string_view hay, std::u16string_view needle, bool ignoreCase,
                       std::size_t from = 0);

// The text between a start marker and an end marker of `sSourceString`, as a view into it, for document
// bytes and for the UTF-16 text of a dialog box alike:
// - both markers absent: empty;
// - start marker present: the text after it up to the first end marker after it, or to the end;
// - start marker absent, end marker present: the text before the first end marker.
template <class CharT>
std::basic_string_view<CharT> funcParseStringFromStringToString(
    std::basic_string_view<CharT> sSourceString, std::type_identity_t<std::basic_string_view<CharT>> sString1,
    std::type_identity_t<std::basic_string_view<CharT>> sString2, bool fCaseCaseInsensitive = false) {
    const std::size_t p1 = findMarker(sSourceString, sString1, fCaseCaseInsensitive);
    if (p1 == npos) {
        // Start marker absent: the text before the first end marker, or nothing at all.
        const std::size_t p2 = findMarker(sSourceString, sString2, fCaseCaseInsensitive);
        return p2 == npos ? std::basic_string_view<CharT>{} : sSourceString.substr(0, p2);
    }
    const std::basic_string_view<CharT> rest = sSourceString.substr(p1 + sString1.size());
    const std::size_t p3 = findMarker(rest, sString2, fCaseCaseInsensitive);
    return p3 == npos ? rest : rest.substr(0, p3);
}

// Document bytes held in a std::string or written as a literal, which name no character type.
inline std::string_view funcParseStringFromStringToString(std::string_view sSourceString,
                                                          std::string_view sString1,
                                                          std::string_view sString2,
                                                          bool fCaseCaseInsensitive = false) {
    return funcParseStringFromStringToString<char>(sSourceString, sString1, sString2, fCaseCaseInsensitive);
}

}  // namespace korvane
