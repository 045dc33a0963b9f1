#include "WikiGenerator.h"

namespace korvane::bench {
namespace {

const char* const kWords[] = {"alpha", "merge", "tiddler", "wiki", "note", "river", "stone", "garden",
                              "lamp",  "paper", "friend",  "edit", "copy", "link",  "story", "window"};

std::string body(std::size_t index, int variant, bool laterFormat) {
    std::string text;
    std::size_t seed = index * 2654435761u + static_cast<std::size_t>(variant) * 40503u;
    while (text.size() < 600) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        text += kWords[(seed >> 33) % 16];
        text += ((seed >> 40) % 9 == 0) ? (laterFormat ? "\n" : "\\n") : " ";
    }
    if (variant != 0) {
        text += " (edited " + std::to_string(variant) + ")";
    }
    return text;
}

}  // namespace

namespace {

// A JSON string as JSON.stringify writes it, with '<' as \u003C as TiddlyWiki writes its store. The
// generated texts hold no other control characters than line breaks.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '<':
                out += "\\u003C";
                break;
            default:
                out += c;
        }
    }
    return out + "\"";
}

std::string tw5Tiddler(std::size_t index, int variant) {
    return "{\"title\":\"Tiddler " + std::to_string(index) +
           "\",\"text\":" + jsonString(body(index, variant, true)) +
           ",\"modifier\":\"Ann\",\"created\":\"20050101120000000\"," + "\"modified\":\"2006" +
           std::to_string(1001 + variant) + "120000000\",\"tags\":\"bench\"}";
}

// A plugin as large as TiddlyWiki's core: its shadow tiddlers packed as JSON into one text field.
std::string corePlugin() {
    std::string packed = "{\"tiddlers\":{";
    for (std::size_t i = 0; packed.size() < 2000000; ++i) {
        const std::string title = "$:/core/generated/" + std::to_string(i);
        packed += (i > 0 ? ",\"" : "\"") + title + "\":{\"title\":\"" + title + "\",\"text\":" +
                  jsonString("<$list filter=\"[tag[x]]\">\n" + body(i, 0, true) + "\n</$list>") + "}";
    }
    packed += "}}";
    return "{\"title\":\"$:/core\",\"name\":\"Core\",\"plugin-type\":\"plugin\",\"type\":\"application/"
           "json\","
           "\"version\":\"5.3.2\",\"text\":" +
           jsonString(packed) + "}";
}

}  // namespace

std::string generatedTiddler(std::size_t index, bool laterFormat, int variant) {
    const std::string title = "Tiddler " + std::to_string(index);
    const std::string modified = "2006" + std::to_string(1001 + variant) + "1200";
    if (laterFormat) {
        return "<div title=\"" + title + "\" modifier=\"Ann\" created=\"200501011200\" modified=\"" +
               modified + "\" tags=\"bench\" changecount=\"1\">\n<pre>" + body(index, variant, true) +
               "</pre>\n</div>";
    }
    return "<div tiddler=\"" + title + "\" modifier=\"Ann\" modified=\"" + modified +
           "\" created=\"200501011200\" tags=\"bench\">" + body(index, variant, false) + "</div>";
}

namespace {

std::string documentHead(bool tw5) {
    if (tw5) {
        return "<!doctype html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Generated wiki</title>\n"
               "</head>\n<body class=\"tc-body\">\n<!--~~ Ordinary tiddlers ~~-->\n"
               "<script class=\"tiddlywiki-tiddler-store\" type=\"application/json\">[\n";
    }
    return "<html><head><title>Generated wiki</title></head><body>\n<div id=\"storeArea\">\n";
}

std::string documentTail(bool laterFormat, bool tw5) {
    if (tw5) {
        return "\n]</script><div id=\"storeArea\" style=\"display:none;\"></div>\n"
               "<div id=\"bootKernel\" style=\"display:none;\">\n<script>/* boot */</script>\n</div>\n"
               "</body>\n</html>\n";
    }
    std::string doc = "</div>\n";
    if (laterFormat) {
        doc += "<script>\nfunction f(){ return '<div class=\"x\">' + '</div>'; }\n</script>\n";
    }
    doc += "</body></html>\n";
    return doc;
}

enum class Side { Unedited, Local, Remote };

// The variant of tiddler i on one side: 0 unchanged, -1 deleted, otherwise an edit.
int variantOf(std::size_t i, Side side) {
    if (side == Side::Unedited) {
        return 0;
    }
    const bool local = side == Side::Local;
    if (i % 1000 == 50) {
        return 9;  // the same edit on both sides
    }
    if (i % 10000 == 77) {
        return local ? 3 : 4;  // different edits on both sides
    }
    if (i % 5000 == (local ? 7u : 2011u)) {
        return -1;
    }
    return i % 100 == (local ? 3u : 61u) ? (local ? 1 : 2) : 0;
}

std::string sideDocument(const WikiShape& shape, Side side) {
    std::string doc = documentHead(shape.tw5);
    doc.reserve(shape.tiddlers * 720 + (shape.tw5 ? 2100000 : 4096));
    // TiddlyWiki 5 joins the objects of its store with a comma and a line break.
    const auto add = [&](std::size_t index, int variant) {
        if (shape.tw5) {
            doc += ",\n" + tw5Tiddler(index, variant);
        } else {
            doc += generatedTiddler(index, shape.laterFormat, variant) + "\n";
        }
    };
    if (shape.tw5) {
        doc += corePlugin() + ",\n{\"title\":\"$:/StoryList\",\"text\":\"\",\"list\":\"" +
               (side == Side::Local    ? "[[Tiddler 3]]"
                : side == Side::Remote ? "[[Tiddler 61]]"
                                       : "") +
               "\"}";
    }
    for (std::size_t i = 0; i < shape.tiddlers; ++i) {
        const int variant = variantOf(i, side);
        if (variant >= 0) {
            add(i, variant);
        }
    }
    if (side != Side::Unedited) {
        const std::size_t firstNew = shape.tiddlers + (side == Side::Local ? 0 : 1000000);
        for (std::size_t k = 0; k < 1 + shape.tiddlers / 5000; ++k) {
            add(firstNew + k, 5);
        }
    }
    // The friend's page differs outside the store too, inside the page, which still ends with </html>.
    std::string tail = documentTail(shape.laterFormat, shape.tw5);
    if (side == Side::Remote) {
        tail.insert(tail.rfind("</body>"), "<!-- saved by the friend -->\n");
    }
    return doc + tail;
}

}  // namespace

WikiTrio generateTrio(const WikiShape& shape) {
    return {sideDocument(shape, Side::Local), sideDocument(shape, Side::Remote),
            sideDocument(shape, Side::Unedited)};
}

std::string generateWiki(const WikiShape& shape) {
    std::string doc = documentHead(false);
    doc.reserve(shape.tiddlers * 720 + 512);
    for (std::size_t i = 0; i < shape.tiddlers; ++i) {
        doc += generatedTiddler(i, shape.laterFormat);
        doc += '\n';
    }
    doc += documentTail(shape.laterFormat, false);
    return doc;
}

}  // namespace korvane::bench
