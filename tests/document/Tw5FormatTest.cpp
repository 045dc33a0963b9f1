#include <gtest/gtest.h>

#include <regex>

#include "document/Tw5Store.h"

namespace korvane {
namespace {

const std::string kDivTag(kTw5DivStoreTag);
const std::string kJsonTag(kTw5JsonStoreTag);
std::string page(const std::string& stores) {
    return "<html><body>" + stores + "\n</body></html>";
}
std::string block(const std::string& array) {
    return kJsonTag + array + "</script>";
}
std::string div(const std::string& attrs, const std::string& text) {
    return "<div " + attrs + ">\n<pre>" + text + "</pre>\n</div>";
}
std::string bad(const std::string& problem, int at) {
    return "a JSON store block is not valid (" + problem + " at byte " + std::to_string(at) +
           " of the block)";
}

// Every listed tiddler as "title|modified|modifier|created|LENGTH", or the problem.
std::string split(const std::string& document) {
    TiddlerList list;
    Tw5Layout layout;
    std::string out = splitTw5(document, list, layout).value_or("");
    for (std::size_t i = 0; i < list.size(); ++i) {
        out += std::string(list.colTitles[i]) + "|" + std::string(list.colModified[i]) + "|" +
               std::string(list.colModifiers[i]) + "|" + std::string(list.colCreated[i]) + "|" +
               std::to_string(list.colDivs[i].size()) + ";";
    }
    return out;
}

TEST(Tw5Format, SplitsDecodesAndLetsTheLaterCopyWin) {
    const std::string longText = std::string(10, 'x') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\x7F !";
    const std::string a = div("modified=\"1\" title=\"A &amp; &lt;b&gt; &quot;q&quot;\"", "x");
    const std::pair<std::string, std::string> rows[] = {
        // Div store: attributes decoded, element bytes as stored.
        {page(kDivTag + "\n" + a + "\n" + div("creator=\"c\" title='B'", "y") + "\n</div>"),
         "A & <b> \"q\"|1|||" + std::to_string(a.size()) + ";B||||47;"},
        // Which copy wins: div first, then blocks in order; the first place is kept.
        {page(block("[\n{\"title\":\"B\",\"modified\":\"2\"},\n{\"title\":\"C\"}\n]") + kDivTag +
              div("title=\"B\"", "") + div("title=\"Z\"", "") + "</div>" +
              block("[{\"title\":\"Z\",\"modifier\":\"m\",\"created\":\"3\"}]")),
         "B|2|||28;Z||m|3|42;C||||13;"},
        // The first of two titles counts, as in a browser; an element without a title attribute is none.
        {page(kDivTag + div("title=\"A\" title=\"X\" modified=\"1\" modified=\"2\"", "") +
              div("data-title=\"D\"", "") + div("title=\"E", "") + "</div>"),
         "A|1|||70;"},
        // JSON escapes in names and values.
        {page(block("[{\"ti\\u0074le\":\"\\u003C\\ud83d\\ude00\\n\",\"modified\":\"\\\"\"}]")),
         "<\xF0\x9F\x98\x80\n|\"|||53;"},
        // Strict: what makes TiddlyWiki drop a whole block.
        {page(block("[{\"title\":\"A\"},]")), bad("an entry that is not an object", 15)},
        {page(block("[{\"title\":\"A\",\"n\":1}]")), bad("a value that is not a string", 18)},
        {page(block("[{\"text\":\"A\"}]")), bad("an object without a title", 13)},
        {page(block("[{\"title\":\"A\\x\"}]")), bad("a bad escape", 12)},
        {page(block("[{\"title\":\"A\x1F\tB\"}]")), bad("a control character inside a string", 12)},
        // Long values are scanned in blocks: bytes from 0x7F up are text, a control character is not.
        {page(block("[{\"title\":\"" + longText + "\"}]")), longText + "||||35;"},
        {page(block("[{\"title\":\"" + std::string(20, '\xC3') + "\x01\"}]")),
         bad("a control character inside a string", 31)},
        {page(block("{\"title\":\"A\"}")), bad("no array", 0)},
        {page(block("[{\"title\":\"A\"}] x")), bad("text after the array", 16)},
        {"<html>" + kJsonTag + "[{\"title\":\"A\"}]", "a JSON store block never ends"},
        {"<html>" + kDivTag + div("title=\"A\"", ""), "the div store never ends"},
        {page(kDivTag + "<div title=\"A\">\n<pre>x</div></div>"),
         "a tiddler element that does not read at byte 54"},
    };
    for (const auto& [doc, expected] : rows) {
        EXPECT_EQ(split(doc), expected) << doc;
    }
}

TEST(Tw5Format, WritesEntriesByteForByteAsTiddlyWikiDoes) {
    // Expected bytes: TiddlyWiki 5.4.1's own output (its JSON and div store templates) for these fields.
    const Fields fields = {{"title", "T\xC3\xABst<b>"},
                           {"text", "a\nb\t\"q\" \\ </script> \x01\x7F\xE2\x80\xA8&"},
                           {"tags", "a [[b c]]"},
                           {"modified", "20240101000000000"},
                           {"2", "x\xED\xA0\x80\xED\xAD\xED"},  // a lone surrogate, then bytes that are none
                           {"10", "y"}};
    EXPECT_EQ(toStoreJson(fields),
              "{\"2\":\"x\\ud800\xED\xAD\xED\",\"10\":\"y\",\"title\":\"T\xC3\xABst\\u003Cb>\",\"text\":"
              "\"a\\nb\\t\\\"q\\\" \\\\ "
              "\\u003C/script> \\u0001\x7F\xE2\x80\xA8&\",\"tags\":\"a [[b "
              "c]]\",\"modified\":\"20240101000000000\"}");
    EXPECT_EQ(
        toDivElement(fields),
        "<div 10=\"y\" 2=\"x\xED\xA0\x80\xED\xAD\xED\" modified=\"20240101000000000\" tags=\"a [[b c]]\" "
        "title=\"T\xC3\xABst&lt;b&gt;\">\n"
        "<pre>a\nb\t\"q\" \\ &lt;/script&gt; \x01\x7F\xE2\x80\xA8&amp;</pre>\n</div>");
    // Read back from either form, the same tiddler; the div form in the order a browser keeps it.
    Fields fromJson, fromDiv;
    ASSERT_TRUE(decodeEntry(toStoreJson(fields), fromJson));
    ASSERT_TRUE(decodeEntry(toDivElement(fields), fromDiv));
    EXPECT_EQ(fromJson, inObjectOrder(fields));
    EXPECT_EQ(
        toStoreJson(fromDiv),
        "{\"2\":\"x\\ud800\xED\xAD\xED\",\"10\":\"y\",\"text\":\"a\\nb\\t\\\"q\\\" \\\\ \\u003C/script> "
        "\\u0001\x7F\xE2\x80\xA8&\","
        "\"title\":\"T\xC3\xABst\\u003Cb>\",\"tags\":\"a [[b c]]\",\"modified\":\"20240101000000000\"}");
    EXPECT_TRUE(sameTiddler(toStoreJson(fields), toDivElement(fields)));
    Fields changed = fields;
    changed[2].value = "a";
    EXPECT_FALSE(sameTiddler(toStoreJson(fields), toDivElement(changed)));
    changed = fields;
    changed.push_back({"extra", ""});
    EXPECT_FALSE(sameTiddler(toStoreJson(fields), toStoreJson(changed)));
}

TEST(Tw5Format, TidTextRoundTripsAndRefusesWhatDoesNotRead) {
    const std::pair<Fields, std::string> shown[] = {
        {{{"title", "A"}, {"text", "line 1\nline 2"}, {"tags", "x [[y z]]"}},
         "tags: x [[y z]]\ntitle: A\n\nline 1\nline 2"},
        {{{"title", "A"}, {"caption", "two\nlines"}, {"text", "t"}},
         "{\n    \"caption\": \"two\\nlines\",\n    \"title\": \"A\",\n    \"text\": \"t\"\n}"},
        {{{"title", " padded"}, {"text", "t"}}, "{\n    \"title\": \" padded\",\n    \"text\": \"t\"\n}"},
        {{{"title", "A"}, {"text", "crlf\r\n"}}, "{\n    \"title\": \"A\",\n    \"text\": \"crlf\\r\\n\"\n}"},
        {{{"title", "A"}}, "{\n    \"title\": \"A\"\n}"},
    };
    for (const auto& [fields, text] : shown) {
        EXPECT_EQ(toTidText(fields), text);
        // Read back as shown, and as a dialog box hands it back: CR LF line breaks.
        for (const std::string& form : {text, std::regex_replace(text, std::regex("\n"), "\r\n")}) {
            Fields back;
            EXPECT_EQ(fromTidText(form, back), std::nullopt);
            EXPECT_TRUE(sameTiddler(toStoreJson(back), toStoreJson(fields))) << form;
        }
    }
    const std::pair<std::string, std::string> refused[] = {
        {"title: A\ntext", "There is no blank line between the fields and the text."},
        {"title: A\nno colon here\n\nt", "Line 2 is not a field line (name: value)."},
        {"title: A\ntitle: B\n\nt", "The field \"title\" is given twice."},
        {"tags: x\n\nt", "The tiddler has no title."},
        {"{\"title\": \"A\",}", "It is not valid JSON: a value that is not a string at byte 14."},
    };
    for (const auto& [text, problem] : refused) {
        Fields fields;
        EXPECT_EQ(fromTidText(text, fields), problem);
    }
}

}  // namespace
}  // namespace korvane
