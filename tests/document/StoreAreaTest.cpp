#include "document/StoreArea.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;
using test::earlyWiki;
using Strings = std::vector<std::string>;

// A document together with its parse; the lists are views into `doc`, so the two stay together.
struct Parsed {
    explicit Parsed(std::string text) : doc(std::move(text)) {
        area = ParseStoreArea(doc, list);
        for (const auto* col : {&list.colTitles, &list.colModifiers, &list.colModified, &list.colCreated}) {
            EXPECT_EQ(col->size(), list.size());
        }
    }
    Parsed(const Parsed&) = delete;
    const std::string doc;
    TiddlerList list;
    StoreArea area;
};

// The entry of a whole tiddler element: what stands between "<div" and "</div>".
std::string in(const std::string& element) {
    return element.substr(4, element.size() - 10);
}

TEST(ParseStoreArea, SplitsTheStoreAreaIntoEntries) {
    struct Case {
        std::string doc;
        Strings entries;
        std::string after = "</div>\r\n</body></html>\r\n";  // from the store area's end on; "": no end
    };
    const std::string a = earlyTiddler("A", "line1\\nline2"), b = earlyTiddler("B", "b");
    const std::string p = test::laterTiddler("First One", "line 1\nline 2"), q = test::laterTiddler("Q", "x");
    const std::string later = test::laterWiki({p, q});
    const std::string nest = "<div tiddler=\"Nest\"><div>inner</div>tail</div>";
    const Case cases[] = {
        // Both forms of the store area's tag, in any case; the first form wins even where a tag of the
        // second form stands earlier.
        {"<DIV ID=\"STOREAREA\">" + a + "</div>", {in(a)}, "</div>"},
        {"<div id=storearea>" + a + "</div>", {in(a)}, "</div>"},
        {"<DIV id=storeArea>" + a + "</div><div id=\"storeArea\">" + b + "</div>", {in(b)}, "</div>"},
        // Empty and blank elements are skipped, and the tiddlers after them still read; `>` is not blank.
        {earlyWiki({}), {}},
        {"<div id=\"storeArea\"> \r\n\t </div>", {}, "</div>"},
        {earlyWiki({a, "<div</div>", "<DIV \r\n\t </DIV>", b}), {in(a), in(b)}},
        {earlyWiki({a, "<div></div>", b}), {in(a), ">", in(b)}},
        // The store area ends at its own closing tag, not at the last one of the document; an element
        // nested in a tiddler stays in it; stray text and closing tags between elements are no tiddlers.
        {later, {in(p), in(q)}, later.substr(later.find("</div>\n<!--POST-STOREAREA-->"))},
        {earlyWiki({a, p, nest, b}), {in(a), in(p), in(nest), in(b)}},
        {"<div id=\"storeArea\">" + a + " junk</div></div>" + b + "</div>",
         {in(a)},
         "</div></div>" + b + "</div>"},
        // Cut short inside the store area: no end, and no element dropped. An element that never closes
        // runs to the next element that never closes or to the end; a later `</div>` (or none) never
        // stands in for the store area's own.
        {"<div id=\"storeArea\"><div tiddler=\"A\">a <DIV tiddler=\"B\">b <div tiddler=\"C\">c",
         {" tiddler=\"A\">a ", " tiddler=\"B\">b ", " tiddler=\"C\">c"},
         ""},
        {"<p><div id=\"storeArea\">" + a + "\n", {in(a)}, ""},
        {"<p><div id=\"storeArea\">" + a + "\n<div tiddler=\"B\">b", {in(a), " tiddler=\"B\">b"}, ""},
        {"<div id=\"storeArea\">" + a + "<div tiddler=\"B\"><div>b</div></d",
         {in(a), " tiddler=\"B\"><div>b</div></d"},
         ""},
    };
    for (const Case& c : cases) {
        const Parsed parsed(c.doc);
        EXPECT_TRUE(parsed.area.found) << c.doc;
        EXPECT_EQ(Strings(parsed.list.colDivs.begin(), parsed.list.colDivs.end()), c.entries) << c.doc;
        EXPECT_EQ(parsed.area.hasEnd() ? c.doc.substr(parsed.area.end) : "", c.after) << c.doc;
        EXPECT_TRUE(startsWithIgnoringCase(std::string_view(c.doc).substr(parsed.area.start), "<div id"))
            << c.doc;
    }
    EXPECT_FALSE(Parsed("<html>no store</html>").area.found);
}

TEST(ParseStoreArea, AttributesAreWhatTheMarkerFunctionFindsInTheWholeEntry) {
    // Each attribute is the marker function over the whole entry with the closing quote as end marker;
    // the title comes from `tiddler="` wherever it stands, else from ` title="` when that is present.
    const std::pair<std::string, std::string> entries[] = {
        {R"( tiddler="A" modifier="Ann" modified="200601011200" created="200501011200">body)", "A"},
        {R"( title="B" modifier="Ann" modified="1" created="2"><pre>x = "y"</pre>)", "B"},
        {R"( title="C" modified="1">the body names tiddler="D" after all)",
         "D"},                                                            // tiddler=" in the body wins
        {R"( title="E">body modifier="F" created="G)", "E"},              // markers only in the body
        {R"( modified="1" modifier="2" tiddler="H")", "H"},               // modified=" before modifier="
        {R"( tiddler="I modifier="J">)", "I modifier="},                  // an unclosed value
        {R"( TIDDLER="K" Modifier="L" MODIFIED="3" cReAtEd="4">)", "K"},  // letter case
        {R"( tiddler="M" modifier="x=" modified=="5" created=>)", "M"},   // `=` in odd places
        {R"(=tiddler=" title=")", " title="},                             // markers at the very end
        {" no quotes at all=", ""},
        {R"( tiddler= "N" title="O">)", "O"},  // a space breaks tiddler="
        {R"(title="P">no leading space before title)", "title="},
    };
    for (const auto& [entry, title] : entries) {
        const Parsed p(earlyWiki({"<div" + entry + "</div>"}));
        ASSERT_EQ(p.list.size(), 1u) << entry;
        const auto expected = [&](std::string_view marker) {
            return funcParseStringFromStringToString(entry, marker, "\"", true);
        };
        EXPECT_EQ(p.list.colTitles[0], title) << entry;
        EXPECT_EQ(p.list.colModifiers[0], expected(" modifier=\"")) << entry;
        EXPECT_EQ(p.list.colModified[0], expected(" modified=\"")) << entry;
        EXPECT_EQ(p.list.colCreated[0], expected(" created=\"")) << entry;
    }
}

}  // namespace
}  // namespace korvane
