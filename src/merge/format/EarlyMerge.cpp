#include "merge/format/EarlyMerge.h"

#include "document/Text.h"
#include "merge/format/FieldMerge.h"

namespace korvane {
namespace {

struct Parsed {
    Fields fields;         // the attributes as stored (still HTML-escaped), then the body as "text"
    bool escaped = false;  // the body's line breaks are `\n` escapes
};

std::string attributesText(const Fields& fields) {
    std::string out;
    for (const Field& f : fields) {
        if (f.name != "text") {
            out += ' ' + f.name + "=\"" + f.value + '"';
        }
    }
    return out;
}

// Reads ` name="value"` attributes up to `>`, then the body. None unless writing the attributes back
// gives the entry's bytes exactly, so that a merged entry differs from the local one only where the
// merge changed it.
std::optional<Parsed> parse(std::string_view entry) {
    Parsed p;
    std::size_t at = 0;
    while (at < entry.size() && entry[at] == ' ') {
        const std::size_t eq = entry.find("=\"", at + 1);
        if (eq == std::string_view::npos) {
            return std::nullopt;
        }
        const std::size_t close = entry.find('"', eq + 2);
        const std::string_view name = entry.substr(at + 1, eq - at - 1);
        if (close == std::string_view::npos || name.empty() || name == "text" ||
            name.find_first_of(" \t\r\n<>\"=") != std::string_view::npos || fieldValue(p.fields, name)) {
            return std::nullopt;
        }
        p.fields.push_back({std::string(name), std::string(entry.substr(eq + 2, close - eq - 2))});
        at = close + 1;
    }
    if (at >= entry.size() || entry[at] != '>' || attributesText(p.fields) != entry.substr(0, at)) {
        return std::nullopt;
    }
    const std::string_view body = entry.substr(at + 1);
    p.escaped = body.find('\n') == std::string_view::npos;
    p.fields.push_back({"text", p.escaped ? replaceAll(body, "\\n", "\n") : std::string(body)});
    return p;
}

}  // namespace

std::optional<std::string> mergeEarlyEntries(std::string_view base, std::string_view local,
                                             std::string_view remote, bool* tooLarge, MergeWay* way) {
    const std::optional<Parsed> b = parse(base), l = parse(local), r = parse(remote);
    if (!b || !l || !r || b->escaped != l->escaped || l->escaped != r->escaped) {
        return std::nullopt;
    }
    for (const Parsed* p : {&*b, &*l, &*r}) {
        const std::string* tags = fieldValue(p->fields, "tags");
        for (const std::string& tag : tags ? parseTitleList(*tags) : std::vector<std::string>()) {
            if (tag == "systemConfig") {
                return std::nullopt;
            }
        }
    }
    const std::optional<Fields> merged = mergeFields(b->fields, l->fields, r->fields, tooLarge, way);
    const std::string* text = merged ? fieldValue(*merged, "text") : nullptr;
    if (!text) {
        return std::nullopt;
    }
    return attributesText(*merged) + '>' + (l->escaped ? replaceAll(*text, "\n", "\\n") : *text);
}

}  // namespace korvane
