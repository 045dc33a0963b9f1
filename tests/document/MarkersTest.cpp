#include "document/Markers.h"

#include <gtest/gtest.h>

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

TEST(FindIgnoringCase, FindsFirstOccurrenceFromAnyStart) {
    const std::string_view hay = "..<Div..<dIV..";
    EXPECT_EQ(findIgnoringCase(hay, "<div"), 2u);
    EXPECT_EQ(findIgnoringCase(hay, "<div", 3), 8u);
    EXPECT_EQ(findIgnoringCase(hay, "<div", 9), npos);
    EXPECT_EQ(findIgnoringCase("abc", "abcd"), npos);
    EXPECT_EQ(findIgnoringCase("xxAZ", "az"),
              2u);  // a needle made only of letters, both ends of the alphabet
}

}  // namespace
}  // namespace korvane
