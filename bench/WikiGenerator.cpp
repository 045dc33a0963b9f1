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

std::string documentHead() {
    return "<html><head><title>Generated wiki</title></head><body>\n<div id=\"storeArea\">\n";
}

std::string documentTail(bool laterFormat) {
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
    std::string doc = documentHead();
    doc.reserve(shape.tiddlers * 720 + 4096);
    for (std::size_t i = 0; i < shape.tiddlers; ++i) {
        const int variant = variantOf(i, side);
        if (variant >= 0) {
            doc += generatedTiddler(i, shape.laterFormat, variant);
            doc += '\n';
        }
    }
    if (side != Side::Unedited) {
        const std::size_t firstNew = shape.tiddlers + (side == Side::Local ? 0 : 1000000);
        for (std::size_t k = 0; k < 1 + shape.tiddlers / 5000; ++k) {
            doc += generatedTiddler(firstNew + k, shape.laterFormat, 5);
            doc += '\n';
        }
    }
    doc += documentTail(shape.laterFormat);
    if (side == Side::Remote) {
        doc += "<!-- saved by the friend -->\n";
    }
    return doc;
}

}  // namespace

WikiTrio generateTrio(const WikiShape& shape) {
    return {sideDocument(shape, Side::Local), sideDocument(shape, Side::Remote),
            sideDocument(shape, Side::Unedited)};
}

std::string generateWiki(const WikiShape& shape) {
    std::string doc = documentHead();
    doc.reserve(shape.tiddlers * 720 + 512);
    for (std::size_t i = 0; i < shape.tiddlers; ++i) {
        doc += generatedTiddler(i, shape.laterFormat);
        doc += '\n';
    }
    doc += documentTail(shape.laterFormat);
    return doc;
}

}  // namespace korvane::bench
