#include "document/StoreArea.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;
using test::earlyWiki;
using Strings = std::vector<std::string>;

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
        TiddlerList list;
        const StoreArea area = ParseStoreArea(c.doc, list);
        EXPECT_TRUE(area.found) << c.doc;
        EXPECT_EQ(Strings(list.colDivs.begin(), list.colDivs.end()), c.entries) << c.doc;
        EXPECT_EQ(area.hasEnd() ? c.doc.substr(area.end) : "", c.after) << c.doc;
        EXPECT_TRUE(startsWithIgnoringCase(std::string_view(c.doc).substr(area.start), "<div id")) << c.doc;
    }
    TiddlerList none;
    EXPECT_FALSE(ParseStoreArea("<html>no store</html>", none).found);
}

}  // namespace
}  // namespace korvane
