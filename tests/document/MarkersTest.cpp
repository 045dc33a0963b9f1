#include "document/Markers.h"

#include <gtest/gtest.h>

#include <tuple>

namespace korvane {
namespace {

struct BetweenCase {
    const char* source;
    const char* start;
    const char* end;
    bool ignoreCase;
    const char* expected;
};

TEST(BetweenMarkers, GivesTheTextBetweenTheMarkers) {
    const BetweenCase cases[] = {
        // Both absent, both present, only the start, only the end, end before start.
        BetweenCase{"abc", "[", "]", false, ""}, BetweenCase{"a[b]c", "[", "]", false, "b"},
        BetweenCase{"a[bc", "[", "]", false, "bc"}, BetweenCase{"ab]c", "[", "]", false, "ab"},
        BetweenCase{"a]b[c", "[", "]", false, "c"},
        // The bounding end marker is the first one after the start marker.
        BetweenCase{"x]a[b]c]", "[", "]", false, "b"},
        // Case: exact unless asked otherwise; folding touches ASCII letters only.
        BetweenCase{"xAy", "a", "y", false, "xA"}, BetweenCase{"xAy", "a", "y", true, ""},
        BetweenCase{"<DIV Tiddler=\"T\">", "tiddler=\"", "\"", true, "T"},
        BetweenCase{"\xC3\xA9[\xC3\x89]", "[", "]", true, "\xC3\x89"},
        // Missing attribute: the text before the first quote.
        BetweenCase{" tiddler=\"T\" modifier=\"A\">body", " created=\"", "\"", true, " tiddler="},
        BetweenCase{" no quotes here", " created=\"", "\"", true, ""}};
    for (const BetweenCase& c : cases) {
        EXPECT_EQ(funcParseStringFromStringToString(c.source, c.start, c.end, c.ignoreCase), c.expected)
            << "source " << c.source;
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
