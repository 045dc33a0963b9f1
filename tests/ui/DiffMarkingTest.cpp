#include "ui/conflict/DiffMarking.h"

#include "document/Markers.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

// A div entry as a box holds it: the attributes, then the body after the first `">`.
std::u16string entry(std::u16string_view modifier, std::u16string_view modified, std::u16string_view body) {
    return u" tiddler=\"Note\" modifier=\"" + std::u16string(modifier) + u"\" modified=\"" +
           std::u16string(modified) + u"\" created=\"200501011200\" tags=\"x\">" + std::u16string(body);
}

// The bold parts of a text, in order, joined by "|".
std::u16string boldParts(std::u16string_view text, const std::vector<BoldRange>& ranges) {
    std::u16string out;
    for (const BoldRange& r : ranges) {
        EXPECT_LT(r.start, r.end);
        EXPECT_LE(r.end, text.size());
        if (!out.empty()) {
            out += u'|';
        }
        out += text.substr(r.start, r.end - r.start);
    }
    return out;
}

struct MarkingCase {
    const char* name;
    std::u16string local, server, localBold, serverBold;
};

TEST(DiffMarking, MarksExactlyTheExpectedCharacters) {
    const std::u16string kStamp = u"200601011200";
    const MarkingCase cases[] = {
        MarkingCase{"EqualTextsMarkNothing", entry(u"Ann", kStamp, u"same"), entry(u"Ann", kStamp, u"same"),
                    u"", u""},
        // The modifier differs only in letter case; the equal bodies leave only their last character bold.
        MarkingCase{"CaseOnlyAttributeDifference", entry(u"Ann", kStamp, u"body"),
                    entry(u"ann", kStamp, u"body"), u"Ann|y", u"ann|y"},
        // Inserted words are marked in the longer text only: in the shorter one the shared end begins
        // before its first difference.
        MarkingCase{"ModifiedStampAndBody", entry(u"Ann", kStamp, u"Hello world"),
                    entry(u"Ann", u"200601021200", u"Hello there world"), u"200601011200",
                    u"200601021200|there "},
        // One body ends in X d e, the other in Y d e: the differing letter and the d stay bold.
        MarkingCase{"SharedEndKeepsItsFirstCharacterBold", u"a=\">abcXde", u"a=\">abcYde", u"Xd", u"Yd"},
        // A body that is the beginning of the other, ending in different characters.
        MarkingCase{"PrefixBody", u"\">abc", u"\">abcdef", u"c", u"cdef"},
        MarkingCase{"PrefixBodyAfterLongerAttributes", u"12345\">abc", u"\">abcdef", u"c", u"cdef"},
        MarkingCase{"NoBodyMarkerInOneText", u"no marker here", u"tags=\"\">body", u"", u""},
        // Exactly 8 characters (spaces at the ends not counted) suppress the attribute step.
        MarkingCase{"EightCharactersSkipAttributes", u"  \">abcdef  ",
                    u"modifier=\"X\" modified=\"Y\" created=\"Z\" tags=\"\">abcdeg", u"f  ", u"g"},
        MarkingCase{"NineCharactersCompareAttributes", u"x\">abcdef",
                    u"modifier=\"X\" modified=\"Y\" created=\"Z\" tags=\"\">abcdeg", u"f", u"X|Y|Z|g"},
        // The end marker before the start marker would give a negative span: that box stays unmarked
        // for the attribute, the other box is marked.
        MarkingCase{"EndMarkerBeforeStartMarker", u"\" modified=\" modifier=\"Ann\">body",
                    u" modifier=\"Bob\" modified=\"1\" created=\"2\" tags=\"\">body", u"y", u"Bob|1|2|y"},
        // A character outside the basic plane is bold or plain as a whole pair of code units.
        MarkingCase{"SurrogatePairsStayWhole", u"tags=\"\">a\U0001F600b", u"tags=\"\">a\U0001F601b",
                    u"\U0001F600b", u"\U0001F601b"}};
    for (const MarkingCase& c : cases) {
        const DiffMarks marks = markDifferences(c.local, c.server);
        EXPECT_EQ(boldParts(c.local, marks.local), c.localBold) << c.name;
        EXPECT_EQ(boldParts(c.server, marks.server), c.serverBold) << c.name;
    }
}

TEST(DiffMarking, LargeTextsAreMarkedWithoutLimits) {
    // Two 1 MB bodies that differ in one character far beyond any 16-bit position.
    std::u16string local = u" tags=\"\">" + std::u16string(1 << 20, u'a');
    std::u16string server = local;
    server[700000] = u'b';
    const DiffMarks marks = markDifferences(local, server);
    EXPECT_EQ(marks.local, (std::vector<BoldRange>{{700000, 700002}}));
    EXPECT_EQ(marks.server, marks.local);
}

// The boxes' texts are searched for markers as they are, without a copy in another encoding; a search
// that ignores case folds ASCII letters only, from either end of the alphabet.
TEST(DiffMarking, MarkersAreFoundInTheBoxesTexts) {
    EXPECT_EQ(funcParseStringFromStringToString<char16_t>(u"a\U0001F600=\"\u00c9\">", u"=\"", u"\">"),
              u"\u00c9");
    EXPECT_EQ(
        funcParseStringFromStringToString<char16_t>(u"<DIV Tiddler=\"\u00e9\"", u"tiddler=\"", u"\"", true),
        u"\u00e9");
    EXPECT_EQ(funcParseStringFromStringToString<char16_t>(u"xAZ\u00c9=", u"az\u00e9", u"=", true),
              u"xAZ\u00c9");
    EXPECT_EQ(funcParseStringFromStringToString<char16_t>(u"..[Za]b!", u"[zA]", u"!", true), u"b");
}

}  // namespace
}  // namespace korvane
