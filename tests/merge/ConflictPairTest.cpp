#include "merge/ConflictPair.h"

#include <gtest/gtest.h>

#include "merge/BoxForm.h"
#include "merge/PieceText.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

constexpr const char* kNote =
    "Note: There was a conflict while merging this item. See the following link for the conflicting version: "
    "[[Shopping (conflict 12/5/2026 6:15:06 AM)]]";

TEST(ConflictPair, EarlyFormNoteAndRenamedCopy) {
    const std::string kept = " tiddler=\"Shopping\" modified=\"200601021200\">milk";
    const std::string copied = " tiddler=\"Shopping\" modifier=\"Bob\">see tiddler=\"Shopping\" too";
    const ConflictPair p = buildConflictPair("Shopping", kept, copied, "12/5/2026 6:15:06 AM");
    EXPECT_EQ(p.conflictTitle, "Shopping (conflict 12/5/2026 6:15:06 AM)");
    EXPECT_EQ(p.text1, kept + "\\n\\n" + kNote);
    // Every occurrence is renamed, the body's too; the other attributes stay.
    EXPECT_EQ(p.text2,
              " tiddler=\"Shopping (conflict 12/5/2026 6:15:06 AM)\" modifier=\"Bob\">see "
              "tiddler=\"Shopping (conflict 12/5/2026 6:15:06 AM)\" too");
}

TEST(ConflictPair, LaterFormNoteGoesInsideThePreText) {
    const std::string kept = " title=\"Shopping\" modified=\"200601021200\">\n<pre>milk\neggs</pre>\n";
    const std::string copied = " title=\"Shopping\" modifier=\"Bob\">\n<pre>bread</pre>\n";
    const ConflictPair p = buildConflictPair("Shopping", kept, copied, "12/5/2026 6:15:06 AM");
    EXPECT_EQ(p.text1, " title=\"Shopping\" modified=\"200601021200\">\n<pre>milk\neggs\n\n" +
                           std::string(kNote) + "</pre>\n");
    EXPECT_EQ(p.text2,
              " title=\"Shopping (conflict 12/5/2026 6:15:06 AM)\" modifier=\"Bob\">\n<pre>bread</pre>\n");
}

TEST(ConflictPair, AttributeNameInCapitalsIsRenamedToo) {
    const ConflictPair p =
        buildConflictPair("T", " tiddler=\"T\">x", " TIDDLER=\"T\" modifier=\"B\">y", "1/2/2026");
    EXPECT_EQ(p.text2, " TIDDLER=\"T (conflict 1/2/2026)\" modifier=\"B\">y");
}

TEST(ConflictPair, ARawAngleBracketInATitleCannotOpenAnElement) {
    const ConflictPair p =
        buildConflictPair("a<div b", " tiddler=\"a<div b\">x", " tiddler=\"a<div b\">y", "1/2/2026");
    EXPECT_EQ(p.text1,
              " tiddler=\"a<div b\">x\\n\\nNote: There was a conflict while merging this item. See the "
              "following link for the conflicting version: [[a&lt;div b (conflict 1/2/2026)]]");
    EXPECT_EQ(p.text2, " tiddler=\"a<div b (conflict 1/2/2026)\">y");
}

TEST(ConflictPair, TitlesWithEntitiesAndSameSecondConflicts) {
    const ConflictPair a =
        buildConflictPair("A &amp; B", " tiddler=\"A &amp; B\">x", " tiddler=\"A &amp; B\">y", "1/2/2026");
    EXPECT_EQ(a.conflictTitle, "A &amp; B (conflict 1/2/2026)");
    EXPECT_NE(a.text2.find("tiddler=\"A &amp; B (conflict 1/2/2026)\""), std::string::npos);
    const ConflictPair b = buildConflictPair("C", " tiddler=\"C\">x", " tiddler=\"C\">y", "1/2/2026");
    EXPECT_NE(a.conflictTitle, b.conflictTitle);
}

TEST(BoxForm, ConversionsRoundTripUntouchedTexts) {
    struct Row {
        std::string store;
        std::string box;
    };
    const Row rows[] = {
        {"a\\nb\\nc\\nd", "a\r\nb\r\nc\r\nd"},  // three escapes give four lines
        {"x\ny\\nz", "x\ny\\nz"},               // a real line feed: shown as it stands
        {"x\r\ny", "x\r\ny"},                   // CR LF stays
        {"plain", "plain"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(toBoxForm(row.store), row.box);
        EXPECT_EQ(toStoreForm(row.box, row.store), row.store);
    }
    // A box hands back CR LF line breaks; an LF entry and a mixed entry still come back byte for byte.
    EXPECT_EQ(toStoreForm("x\r\ny\\nz", "x\ny\\nz"), "x\ny\\nz");
    EXPECT_EQ(toStoreForm("a\r\nb\r\nc", "a\nb\r\nc"), "a\nb\r\nc");
    // Edited texts take the entry's own line-break style.
    EXPECT_EQ(toStoreForm("a\r\nB", "a\nb"), "a\nB");
    EXPECT_EQ(toStoreForm("a\r\nB", "a\r\nb"), "a\r\nB");
    EXPECT_EQ(toStoreForm("a\r\nB", "a\\nb"), "a\\nB");
}

TEST(PieceText, JoinsNeighbouringViewsAndKeepsOwnedTexts) {
    const std::string doc = "abcdefgh";
    PieceText t;
    t.append(std::string_view(doc).substr(0, 3));
    t.append(std::string_view(doc).substr(3, 2));  // continues the previous view: one piece
    t.appendOwned("XY");
    t.append(std::string_view(doc).substr(5));
    t.append("");
    for (int i = 0; i < 100; ++i) {
        t.appendOwned(std::to_string(i));  // owned texts stay where they are as more arrive
    }
    std::string expected = "abcdeXYfgh";
    for (int i = 0; i < 100; ++i) {
        expected += std::to_string(i);
    }
    EXPECT_EQ(t.str(), expected);
    EXPECT_EQ(t.size(), expected.size());
    EXPECT_EQ(t.pieces().size(), 103u);
}

}  // namespace
}  // namespace korvane
