#include "merge/ConflictPair.h"

#include <gtest/gtest.h>

#include "merge/BoxForm.h"

namespace korvane {
namespace {

TEST(ConflictPair, NoteOnTheKeptVersionAndTheOtherRenamed) {
    const std::string note =
        "Note: There was a conflict while merging this item. See the following link for the conflicting "
        "version: [[";
    struct Row {
        std::string title, kept, copied, text1, text2;
    };
    const Row rows[] = {
        // Every occurrence is renamed, the body's too; the other attributes stay.
        {"Shopping", " tiddler=\"Shopping\" modified=\"200601021200\">milk",
         " tiddler=\"Shopping\" modifier=\"Bob\">see tiddler=\"Shopping\" too",
         " tiddler=\"Shopping\" modified=\"200601021200\">milk\\n\\n" + note +
             "Shopping (conflict 1/2/2026)]]",
         " tiddler=\"Shopping (conflict 1/2/2026)\" modifier=\"Bob\">see tiddler=\"Shopping (conflict "
         "1/2/2026)\" "
         "too"},
        // In the later form the note goes inside the <pre> text, with real line breaks.
        {"S", " title=\"S\" modified=\"1\">\n<pre>milk\neggs</pre>\n", " title=\"S\">\n<pre>bread</pre>\n",
         " title=\"S\" modified=\"1\">\n<pre>milk\neggs\n\n" + note + "S (conflict 1/2/2026)]]</pre>\n",
         " title=\"S (conflict 1/2/2026)\">\n<pre>bread</pre>\n"},
        {"S", " title=\"S\">\r\n<pre>a</pre>\r\n", " title=\"S\">b",
         " title=\"S\">\r\n<pre>a\r\n\r\n" + note + "S (conflict 1/2/2026)]]</pre>\r\n",
         " title=\"S (conflict 1/2/2026)\">b"},
        // An attribute name in capitals is renamed too.
        {"T", " tiddler=\"T\">x", " TIDDLER=\"T\" modifier=\"B\">y",
         " tiddler=\"T\">x\\n\\n" + note + "T (conflict 1/2/2026)]]",
         " TIDDLER=\"T (conflict 1/2/2026)\" modifier=\"B\">y"},
        // A raw angle bracket in a title cannot open an element in the link; entities stay as they are.
        {"a<div b", " tiddler=\"a<div b\">x", " tiddler=\"a<div b\">y",
         " tiddler=\"a<div b\">x\\n\\n" + note + "a&lt;div b (conflict 1/2/2026)]]",
         " tiddler=\"a<div b (conflict 1/2/2026)\">y"},
        {"A &amp; B", " tiddler=\"A &amp; B\">x", " tiddler=\"A &amp; B\">y",
         " tiddler=\"A &amp; B\">x\\n\\n" + note + "A &amp; B (conflict 1/2/2026)]]",
         " tiddler=\"A &amp; B (conflict 1/2/2026)\">y"},
    };
    for (const Row& row : rows) {
        const ConflictPair p = buildConflictPair(row.title, row.kept, row.copied, "1/2/2026");
        EXPECT_EQ(p.conflictTitle, row.title + " (conflict 1/2/2026)");
        EXPECT_EQ(p.text1, row.text1);
        EXPECT_EQ(p.text2, row.text2);
    }
}

TEST(BoxForm, ConversionsRoundTripUntouchedTexts) {
    const std::pair<std::string, std::string> rows[] = {
        {"a\\nb\\nc\\nd", "a\r\nb\r\nc\r\nd"},  // three escapes give four lines
        {"x\ny\\nz", "x\ny\\nz"},               // a real line feed: shown as it stands
        {"x\r\ny", "x\r\ny"},                   // CR LF stays
        {"plain", "plain"},
    };
    for (const auto& [store, box] : rows) {
        EXPECT_EQ(toBoxForm(store), box);
        EXPECT_EQ(toStoreForm(box, store), store);
    }
    // A box hands back CR LF line breaks; an LF entry and a mixed entry still come back byte for byte.
    EXPECT_EQ(toStoreForm("x\r\ny\\nz", "x\ny\\nz"), "x\ny\\nz");
    EXPECT_EQ(toStoreForm("a\r\nb\r\nc", "a\nb\r\nc"), "a\nb\r\nc");
    // Edited texts take the entry's own line-break style.
    EXPECT_EQ(toStoreForm("a\r\nB", "a\nb"), "a\nB");
    EXPECT_EQ(toStoreForm("a\r\nB", "a\r\nb"), "a\r\nB");
    EXPECT_EQ(toStoreForm("a\r\nB", "a\\nb"), "a\\nB");
}

}  // namespace
}  // namespace korvane
