// Small helpers over byte texts, shared by the document and the merge.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// `text` with every occurrence of `from` replaced by `to`, scanning on after each replacement.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// True when the text holds nothing but spaces (or nothing at all).
inline bool onlySpaces(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace korvane
