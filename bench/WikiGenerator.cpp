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

std::string generateWiki(const WikiShape& shape) {
    std::string doc = "<html><head><title>Generated wiki</title></head><body>\n<div id=\"storeArea\">\n";
    doc.reserve(shape.tiddlers * 720 + 512);
    for (std::size_t i = 0; i < shape.tiddlers; ++i) {
        doc += generatedTiddler(i, shape.laterFormat);
        doc += '\n';
    }
    doc += "</div>\n";
    if (shape.laterFormat) {
        doc += "<script>\nfunction f(){ return '<div class=\"x\">' + '</div>'; }\n</script>\n";
    }
    doc += "</body></html>\n";
    return doc;
}

}  // namespace korvane::bench
