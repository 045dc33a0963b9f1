#include "document/StoreArea.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;
using test::earlyWiki;
using test::laterTiddler;
using test::laterWiki;

std::vector<std::string> titles(const TiddlerList& list) {
    return {list.colTitles.begin(), list.colTitles.end()};
}

// A document together with its parse; the lists are views into `doc`, so the two stay together.
struct Parsed {
    explicit Parsed(std::string text) : doc(std::move(text)) {
        area = ParseStoreArea(doc, list);
        EXPECT_EQ(list.colTitles.size(), list.size());
        EXPECT_EQ(list.colModifiers.size(), list.size());
        EXPECT_EQ(list.colModified.size(), list.size());
        EXPECT_EQ(list.colCreated.size(), list.size());
    }
    Parsed(const Parsed&) = delete;
    const std::string doc;
    TiddlerList list;
    StoreArea area;
};

std::vector<std::string> titlesOf(const std::string& doc) {
    return titles(Parsed(doc).list);
}

TEST(ParseStoreArea, EarlyFormReadsEveryAttributeAndEntryExactly) {
    const std::string t1 = earlyTiddler("One", "line1\\nline2", "200601021200", "Ann");
    const Parsed p(earlyWiki({t1, earlyTiddler("Two", "x")}));
    const TiddlerList& list = p.list;
    ASSERT_EQ(titles(list), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(list.colModifiers[0], "Ann");
    EXPECT_EQ(list.colModified[0], "200601021200");
    EXPECT_EQ(list.colCreated[0], "200501011200");
    EXPECT_EQ("<div" + std::string(list.colDivs[0]) + "</div>", t1);
}

TEST(ParseStoreArea, StoreAreaTagForms) {
    struct Case {
        std::string doc;
        std::vector<std::string> expected;
    };
    const std::string a = earlyTiddler("A", "a");
    const std::string b = earlyTiddler("B", "b");
    const Case cases[] = {
        {"<DIV ID=\"STOREAREA\">" + a + "</div>", {"A"}},  // first form, any case
        {"<div id=storearea>" + a + "</div>", {"A"}},      // second form, any case
        // The first form wins even where a second-form tag stands earlier.
        {"<DIV id=storeArea>" + a + "</div><div id=\"storeArea\">" + b + "</div>", {"B"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(titlesOf(c.doc), c.expected) << c.doc;
    }
    EXPECT_FALSE(Parsed("<html>no store</html>").area.found);
}

TEST(ParseStoreArea, EmptyAndBlankElements) {
    const std::string a = earlyTiddler("A", "a");
    const std::string b = earlyTiddler("B", "b");
    EXPECT_TRUE(titlesOf(earlyWiki({})).empty());
    EXPECT_TRUE(titlesOf("<div id=\"storeArea\"> \r\n\t </div>").empty());
    // An empty or blank element is skipped; the tiddlers after it are still read. A bare `>` is not blank.
    EXPECT_EQ(titlesOf(earlyWiki({a, "<div</div>", "<DIV \r\n\t </DIV>", b})),
              (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(titlesOf(earlyWiki({a, "<div></div>", b})), (std::vector<std::string>{"A", "", "B"}));
}

TEST(ParseStoreArea, AttributesAreWhatTheMarkerFunctionFindsInTheWholeEntry) {
    // Each attribute is the marker function over the whole entry with the closing quote as end marker;
    // the title comes from `tiddler="` wherever it stands, else from ` title="` when that is present.
    const std::string entries[] = {
        R"( tiddler="A" modifier="Ann" modified="200601011200" created="200501011200">body)",
        R"( title="B" modifier="Ann" modified="1" created="2"><pre>x = "y"</pre>)",
        R"( title="C" modified="1">the body names tiddler="D" after all)",  // tiddler=" in the body wins
        R"( title="E">body modifier="F" created="G)",                       // markers only in the body
        R"( modified="1" modifier="2" tiddler="H")",                        // modified=" before modifier="
        R"( tiddler="I modifier="J">)",                                     // an unclosed value
        R"( TIDDLER="K" Modifier="L" MODIFIED="3" cReAtEd="4">)",           // letter case
        R"( tiddler="M" modifier="x=" modified=="5" created=>)",            // `=` in odd places
        R"(=tiddler=" title=")",                                            // markers at the very end
        " no quotes at all=",
        R"( tiddler= "N" title="O">)",  // a space breaks tiddler="
        R"(title="P">no leading space before title)",
    };
    for (const std::string& entry : entries) {
        const Parsed p(earlyWiki({"<div" + entry + "</div>"}));
        ASSERT_EQ(p.list.size(), 1u) << entry;
        const auto expected = [&](std::string_view marker) {
            return funcParseStringFromStringToString(entry, marker, "\"", true);
        };
        const bool byTiddler = findIgnoringCase(entry, "tiddler=\"") != npos;
        const bool byTitle = !byTiddler && findIgnoringCase(entry, " title=\"") != npos;
        EXPECT_EQ(p.list.colTitles[0], expected(byTitle ? " title=\"" : "tiddler=\"")) << entry;
        EXPECT_EQ(p.list.colModifiers[0], expected(" modifier=\"")) << entry;
        EXPECT_EQ(p.list.colModified[0], expected(" modified=\"")) << entry;
        EXPECT_EQ(p.list.colCreated[0], expected(" created=\"")) << entry;
    }
    // Spot checks of the rule itself.
    EXPECT_EQ(Parsed(earlyWiki({"<div" + entries[2] + "</div>"})).list.colTitles[0], "D");
    EXPECT_EQ(Parsed(earlyWiki({"<div" + entries[3] + "</div>"})).list.colCreated[0], "G");
    EXPECT_EQ(Parsed(earlyWiki({"<div" + entries[9] + "</div>"})).list.colTitles[0], "");
}

TEST(ParseStoreArea, LaterFormStopsAtItsOwnClosingTag) {
    const std::string one = laterTiddler("First One", "line 1\nline 2");
    const std::string doc = laterWiki({one, laterTiddler("Second", "x")});
    const Parsed p(doc);
    EXPECT_EQ(titles(p.list), (std::vector<std::string>{"First One", "Second"}));
    EXPECT_EQ("<div" + std::string(p.list.colDivs[0]) + "</div>", one);
    ASSERT_TRUE(p.area.hasEnd());
    // The store area ends at its own </div>, not at the last one of the document.
    EXPECT_EQ(doc.substr(p.area.end, 29), "</div>\n<!--POST-STOREAREA-->\n");
    EXPECT_EQ(doc.substr(p.area.start, kStoreAreaTag.size()), kStoreAreaTag);
}

TEST(ParseStoreArea, MixedStoreAndNestedElements) {
    const std::string doc =
        earlyWiki({earlyTiddler("Early", "e"), laterTiddler("Later", "l"),
                   "<div tiddler=\"Nest\"><div>inner</div>tail</div>", earlyTiddler("After", "a")});
    const Parsed p(doc);
    const TiddlerList& list = p.list;
    // A nested element stays inside its tiddler, so writing the entry back gives the element whole.
    EXPECT_EQ(titles(list), (std::vector<std::string>{"Early", "Later", "Nest", "After"}));
    EXPECT_EQ(list.colDivs[2], " tiddler=\"Nest\"><div>inner</div>tail");
    // Stray text and closing tags between elements are not tiddlers.
    EXPECT_EQ(titlesOf("<div id=\"storeArea\">" + earlyTiddler("A", "a") + " junk</div></div>" +
                       earlyTiddler("B", "b") + "</div>"),
              (std::vector<std::string>{"A"}));
}

TEST(ParseStoreArea, StoreAreaThatNeverClosesKeepsEveryElement) {
    // A file cut short inside its store area: the store area has no end, and no element is dropped;
    // an element that never closes runs to the next element or to the end of the document.
    struct Case {
        std::string doc;
        std::vector<std::string> titles;
        std::string lastEntry;
    };
    const std::string a = earlyTiddler("A", "a");
    const Case cases[] = {
        {"<div id=\"storeArea\"><div tiddler=\"A\">a <DIV tiddler=\"B\">b <div tiddler=\"C\">c",
         {"A", "B", "C"},
         " tiddler=\"C\">c"},
        // Cut between tiddlers, inside the last one, and inside its closing tag: a `</div>` later
        // in the document (or none) never stands in for the store area's own.
        {"<p><div id=\"storeArea\">" + a + "\n", {"A"}, a.substr(4, a.size() - 10)},
        {"<p><div id=\"storeArea\">" + a + "\n<div tiddler=\"B\">b", {"A", "B"}, " tiddler=\"B\">b"},
        {"<div id=\"storeArea\">" + a + "<div tiddler=\"B\"><div>b</div></d",
         {"A", "B"},
         " tiddler=\"B\"><div>b</div></d"},
    };
    for (const Case& c : cases) {
        const Parsed p(c.doc);
        EXPECT_FALSE(p.area.hasEnd()) << c.doc;
        EXPECT_EQ(titles(p.list), c.titles) << c.doc;
        EXPECT_EQ(p.list.colDivs.back(), c.lastEntry) << c.doc;
    }
}

TEST(FindTiddlerIndex, FirstExactMatchOrMinusOne) {
    const std::vector<std::string_view> names = {"a", "T", "b", "c", "T"};
    EXPECT_EQ(findTiddlerIndex("T", names), 2);
    EXPECT_EQ(findTiddlerIndex("t", names), -1);
    EXPECT_EQ(findTiddlerIndex("T", {}), -1);
}

}  // namespace
}  // namespace korvane
