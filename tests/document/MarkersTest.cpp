#include "document/Markers.h"

#include <gtest/gtest.h>

#include <tuple>

namespace korvane {
namespace {

TEST(BetweenMarkers, GivesTheTextBetweenTheMarkers) {
    // Source, start marker, end marker, ignoring case, the text between.
    // clang-format off
    const std::tuple<const char*, const char*, const char*, bool, const char*> rows[] = {
        // Both absent, both present, only the start, only the end, end before start.
        {"abc", "[", "]", false, ""}, {"a[b]c", "[", "]", false, "b"}, {"a[bc", "[", "]", false, "bc"},
        {"ab]c", "[", "]", false, "ab"}, {"a]b[c", "[", "]", false, "c"},
        // The bounding end marker is the first one after the start marker.
        {"x]a[b]c]", "[", "]", false, "b"},
        // Case: exact unless asked otherwise; folding touches ASCII letters only.
        {"xAy", "a", "y", false, "xA"}, {"xAy", "a", "y", true, ""},
        {"<DIV Tiddler=\"T\">", "tiddler=\"", "\"", true, "T"}, {"\xC3\xA9[\xC3\x89]", "[", "]", true, "\xC3\x89"},
        // Missing attribute: the text before the first quote.
        {" tiddler=\"T\" modifier=\"A\">body", " created=\"", "\"", true, " tiddler="},
        {" no quotes here", " created=\"", "\"", true, ""},
    };
    // clang-format on
    for (const auto& [source, start, end, ignoreCase, between] : rows) {
        EXPECT_EQ(funcParseStringFromStringToString(source, start, end, ignoreCase), between) << source;
    }
}

TEST(FindIgnoringCase, FoldsAsciiLettersOnlyFromAnyStart) {
    // Needles of letters only and needles with a character of no case (the scan's anchor); the ends of
    // both alphabets fold, their neighbours ('@' '[' '`' '{') and other bytes do not.
    // clang-format off
    const std::tuple<std::string_view, std::string_view, std::size_t, std::size_t> rows[] = {
        {"..<Div..<dIV..", "<div", 0, 2}, {"..<Div..<dIV..", "<div", 3, 8}, {"..<Div..<dIV..", "<div", 9, npos},
        {"abc", "abcd", 0, npos}, {"xxAZ", "az", 0, 2}, {"xxaz", "AZ", 0, 2}, {"x<AZ", "<az", 0, 1},
        {"a<@", "a<`", 0, npos}, {"a<[", "a<{", 0, npos}, {"\xC3\x89", "\xC3\xA9", 0, npos}, {"ab", "", 2, 2},
        {"ab", "", 3, npos},
    };
    // clang-format on
    for (const auto& [hay, needle, from, at] : rows) {
        EXPECT_EQ(findIgnoringCase(hay, needle, from), at) << hay << " " << needle;
    }
}

}  // namespace
}  // namespace korvane
