// Marker searches over document text. A document is bytes; searches that ignore case fold ASCII letters only.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvane {

constexpr std::size_t npos = std::string_view::npos;

// First occurrence of `needle` in `hay` at or after `from`, comparing ASCII letters without case.
std::size_t findIgnoringCase(std::string_view hay, std::string_view needle, std::size_t from = 0);

// `text` begins with `prefix`, comparing ASCII letters without case.
bool startsWithIgnoringCase(std::string_view text, std::string_view prefix);

std::size_t findMarker(std::string_view hay, std::string_view needle, bool ignoreCase, std::size_t from = 0);

// The text between a start marker and an end marker of `sSourceString`, as a view into it:
// - both markers absent: empty;
// - start marker present: the text after it up to the first end marker after it, or to the end;
// - start marker absent, end marker present: the text before the first end marker.
std::string_view funcParseStringFromStringToString(std::string_view sSourceString, std::string_view sString1,
                                                   std::string_view sString2,
                                                   bool fCaseCaseInsensitive = false);

}  // namespace korvane
