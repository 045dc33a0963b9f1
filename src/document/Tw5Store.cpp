#include "document/Tw5Store.h"

#include <algorithm>
#include <unordered_map>

#include "document/Markers.h"

namespace korvane {
namespace {

constexpr std::string_view kScriptClose = "</script>";
constexpr std::string_view kDivClose = "</div>";
constexpr std::string_view kPreOpen = "<pre>";
constexpr std::string_view kPreClose = "</pre>";

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::size_t skipSpaces(std::string_view s, std::size_t p) {
    while (p < s.size() && isSpace(s[p])) {
        ++p;
    }
    return p;
}

// TiddlyWiki's decoding of store text: the five entities it writes, nothing else.
std::string htmlDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        // Runs without an entity are copied whole.
        const std::size_t amp = std::min(s.find('&', i), s.size());
        out.append(s, i, amp - i);
        i = amp;
        if (i == s.size()) {
            break;
        }
        if (s[i] == '&') {
            static constexpr std::pair<std::string_view, std::string_view> kEntities[] = {
                {"&lt;", "<"}, {"&nbsp;", "\xC2\xA0"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
            bool matched = false;
            for (const auto& [entity, ch] : kEntities) {
                if (s.substr(i, entity.size()) == entity) {
                    out += ch;
                    i += entity.size() - 1;
                    matched = true;
                    break;
                }
            }
            if (matched) {
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

void htmlEncode(std::string& out, std::string_view s, bool quotes) {
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += quotes ? "&quot;" : "\"";
                break;
            default:
                out += c;
        }
    }
}

// The attributes of a div element's opening tag, as TiddlyWiki's store reader finds them:
// NAME = "VALUE" or NAME = 'VALUE', still encoded.
std::vector<std::pair<std::string_view, std::string_view>> attributes(std::string_view tag) {
    std::vector<std::pair<std::string_view, std::string_view>> out;
    std::size_t p = 0;
    while (p < tag.size()) {
        const std::size_t start = skipSpaces(tag, p);
        std::size_t q = start;
        while (q < tag.size() && tag[q] != '=' && !isSpace(tag[q])) {
            ++q;
        }
        const std::string_view name = tag.substr(start, q - start);
        std::size_t r = skipSpaces(tag, q);
        if (!name.empty() && r < tag.size() && tag[r] == '=') {
            r = skipSpaces(tag, r + 1);
            if (r < tag.size() && (tag[r] == '"' || tag[r] == '\'')) {
                const std::size_t close = tag.find(tag[r], r + 1);
                if (close != std::string_view::npos) {
                    out.emplace_back(name, tag.substr(r + 1, close - r - 1));
                    p = close + 1;
                    continue;
                }
            }
        }
        p = std::max(q, start + 1);  // no attribute here: search on, as the reader's pattern does
    }
    return out;
}

struct DivParts {
    std::string_view tag;   // between `<div` and `>`
    std::string_view text;  // still encoded
};

// A whole element `<div …>…</div>`; false when TiddlyWiki's reader would not take it.
bool divParts(std::string_view element, DivParts& parts) {
    const std::size_t tagEnd = element.find('>');
    if (tagEnd == std::string_view::npos || element.size() < kDivClose.size() + tagEnd + 1) {
        return false;
    }
    parts.tag = element.substr(4, tagEnd - 4);
    const std::size_t bodyEnd = element.size() - kDivClose.size();
    std::size_t p = skipSpaces(element, tagEnd + 1);
    if (startsWithIgnoringCase(element.substr(p), kPreOpen)) {
        p += kPreOpen.size();
        std::size_t e = bodyEnd;
        while (e > p && isSpace(element[e - 1])) {
            --e;
        }
        if (e < p + kPreClose.size() ||
            !startsWithIgnoringCase(element.substr(e - kPreClose.size()), kPreClose)) {
            return false;
        }
        parts.text = element.substr(p, e - kPreClose.size() - p);
    } else {
        parts.text = element.substr(tagEnd + 1, bodyEnd - tagEnd - 1);
    }
    return true;
}

// One entry while a document is split.
struct Found {
    std::string_view bytes;
    std::string_view title, modifier, modified, created;
};

// A decoded value as a view: into the document when nothing needed decoding, else into `owned`.
std::string_view keep(TiddlerList& list, std::string decoded, std::string_view raw) {
    if (decoded == raw) {
        return raw;
    }
    list.owned.push_back(std::move(decoded));
    return list.owned.back();
}

// One bit for each field that the lists hold (title, modifier, modified, created); none for others.
unsigned listedFieldBit(std::string_view name) {
    constexpr std::string_view kListed[] = {"title", "modifier", "modified", "created"};
    for (unsigned i = 0; i < 4; ++i) {
        if (name == kListed[i]) {
            return 1U << i;
        }
    }
    return 0;
}

void takeAttribute(Found& f, std::string_view name, std::string_view value) {
    if (name == "title") {
        f.title = value;
    } else if (name == "modifier") {
        f.modifier = value;
    } else if (name == "modified") {
        f.modified = value;
    } else if (name == "created") {
        f.created = value;
    }
}

class StoreSink : public JsonFieldSink {
  public:
    StoreSink(std::string_view block, TiddlerList& list, std::vector<Found>& found)
        : m_block(block), m_list(list), m_found(found) {}
    void objectBegins(std::size_t at) override {
        m_current = Found{};
        m_begin = at;
    }
    void field(std::string_view rawName, std::string_view rawValue) override {
        // Only the listed fields are decoded here; a text waits until a comparison needs it.
        const std::string decodedName = hasEscapes(rawName) ? decodeJsonString(rawName) : std::string();
        const std::string_view name = hasEscapes(rawName) ? std::string_view(decodedName) : rawName;
        if (name == "title" || name == "modifier" || name == "modified" || name == "created") {
            takeAttribute(
                m_current, name,
                hasEscapes(rawValue) ? keep(m_list, decodeJsonString(rawValue), rawValue) : rawValue);
        }
    }
    void objectEnds(std::size_t end) override {
        m_current.bytes = m_block.substr(m_begin, end - m_begin);
        m_found.push_back(m_current);
    }

  private:
    std::string_view m_block;
    TiddlerList& m_list;
    std::vector<Found>& m_found;
    Found m_current;
    std::size_t m_begin = 0;
};

std::string splitDivStore(std::string_view doc, std::size_t tagAt, TiddlerList& list,
                          std::vector<Found>& found, Tw5Layout& layout) {
    layout.hasDivStore = true;
    const std::size_t contentStart = tagAt + kTw5DivStoreTag.size();
    layout.divContent.begin = contentStart;
    layout.divElements = {contentStart, contentStart};
    bool first = true;
    for (std::size_t p = skipSpaces(doc, contentStart);; p = skipSpaces(doc, p)) {
        const std::string_view rest = doc.substr(p);
        if (startsWithIgnoringCase(rest, kDivClose)) {
            layout.divContent.end = p;
            return {};
        }
        if (!startsWithIgnoringCase(rest, "<div") || rest.size() < 5 || !isSpace(rest[4])) {
            return p >= doc.size()
                       ? "the div store never ends"
                       : "the div store holds something other than tiddlers at byte " + std::to_string(p);
        }
        const std::size_t close = findIgnoringCase(doc, kDivClose, p);
        if (close == npos) {
            return "the div store never ends";
        }
        const std::string_view element = doc.substr(p, close + kDivClose.size() - p);
        DivParts parts;
        if (!divParts(element, parts)) {
            return "a tiddler element that does not read at byte " + std::to_string(p);
        }
        if (first) {
            layout.divElements.begin = p;
            first = false;
        }
        layout.divElements.end = close + kDivClose.size();
        Found f;
        f.bytes = element;
        // A browser keeps the first of two attributes of the same name, as decodeEntry does; an element
        // without a title attribute is no tiddler to the wiki (a `data-title` is no title).
        unsigned seen = 0;
        for (const auto& [name, raw] : attributes(parts.tag)) {
            const unsigned bit = listedFieldBit(name);
            if ((seen & bit) == 0) {
                seen |= bit;
                takeAttribute(f, name, keep(list, htmlDecode(raw), raw));
            }
        }
        if ((seen & listedFieldBit("title")) != 0) {
            found.push_back(f);
        }
        p = close + kDivClose.size();
    }
}

}  // namespace

DocumentKind detectKind(std::string_view document) {
    // The JSON store stands early in a page, the div store after it: looked for in that order, a file of
    // today is told by a short search.
    if (findIgnoringCase(document, kTw5JsonStoreTag) != npos ||
        findIgnoringCase(document, kTw5DivStoreTag) != npos) {
        return DocumentKind::Tw5;
    }
    if (findIgnoringCase(document, kStoreAreaTag) == npos &&
        findIgnoringCase(document, kStoreAreaTagOldForm) == npos &&
        findIgnoringCase(document, kEncryptedStoreTag) != npos) {
        return DocumentKind::Encrypted;
    }
    return DocumentKind::Early;
}

ReadProblem splitTw5(std::string_view doc, TiddlerList& list, Tw5Layout& layout) {
    list.format = kTw5FormatName;
    std::vector<Found> found;
    found.reserve(doc.size() / 512 + 16);
    // The div store loads first, then the JSON blocks in document order.
    if (const std::size_t at = findIgnoringCase(doc, kTw5DivStoreTag); at != npos) {
        if (std::string problem = splitDivStore(doc, at, list, found, layout); !problem.empty()) {
            return problem;
        }
    }
    std::size_t next = 0;
    for (std::size_t at = findIgnoringCase(doc, kTw5JsonStoreTag); at != npos;
         at = findIgnoringCase(doc, kTw5JsonStoreTag, next)) {
        const std::size_t begin = at + kTw5JsonStoreTag.size();
        const std::size_t close = findIgnoringCase(doc, kScriptClose, begin);
        if (close == npos) {
            return "a JSON store block never ends";
        }
        // A browser ends a script block at its first `</script`; whatever stands before that is its text.
        next = close + kScriptClose.size();
        const std::string_view block = doc.substr(begin, close - begin);
        StoreSink sink(block, list, found);
        if (const ReadProblem problem = readJsonStore(block, sink)) {
            return "a JSON store block is not valid (" + *problem + " of the block)";
        }
        layout.blocks.push_back({at, close + kScriptClose.size()});
        layout.blockArrays.push_back({begin, close});
    }
    // A later copy of a title replaces the first one, in the first one's place.
    std::unordered_map<std::string_view, std::size_t> first;
    first.reserve(found.size() * 2);
    std::vector<Found> kept;
    kept.reserve(found.size());
    for (const Found& f : found) {
        const auto [it, isNew] = first.try_emplace(f.title, kept.size());
        if (isNew) {
            kept.push_back(f);
        } else {
            kept[it->second] = f;
        }
    }
    for (auto* col :
         {&list.colDivs, &list.colTitles, &list.colModifiers, &list.colModified, &list.colCreated}) {
        col->reserve(col->size() + kept.size());
    }
    for (const Found& f : kept) {
        list.colDivs.push_back(f.bytes);
        list.colTitles.push_back(f.title);
        list.colModifiers.push_back(f.modifier);
        list.colModified.push_back(f.modified);
        list.colCreated.push_back(f.created);
    }
    return {};
}

Tw5Page tw5Page(std::string_view doc, const Tw5Layout& layout, const TiddlerList& list) {
    std::size_t storeEnd = layout.hasDivStore ? layout.divContent.end + kDivClose.size() : 0;
    if (!layout.blocks.empty()) {
        if (!layout.hasDivStore || layout.divContent.begin < layout.blocks.back().end) {
            return Tw5Page::NoBoot;
        }
    }
    for (const Tw5Layout::Range& block : layout.blocks) {
        storeEnd = std::max(storeEnd, block.end);
    }
    const bool coreScript = findIgnoringCase(doc, "<script src=", storeEnd) != npos;
    if (!coreScript && findIgnoringCase(doc, "<div id=\"bootKernel\"", storeEnd) == npos) {
        return Tw5Page::NoBoot;
    }
    const auto& titles = list.colTitles;
    if (!coreScript && std::find(titles.begin(), titles.end(), "$:/core") == titles.end()) {
        return Tw5Page::NoCore;
    }
    return Tw5Page::Whole;
}

bool decodeEntry(std::string_view entry, Fields& fields) {
    fields.clear();
    if (isJsonEntry(entry)) {
        return !readJsonObject(entry, fields);
    }
    DivParts parts;
    if (!divParts(entry, parts)) {
        return false;
    }
    fields.push_back({"text", htmlDecode(parts.text)});
    const auto attrs = attributes(parts.tag);
    for (auto it = attrs.rbegin(); it != attrs.rend(); ++it) {
        std::string name(it->first);
        if (name == "text") {
            continue;  // the attribute is read first and the body takes its place
        }
        setField(fields, name, htmlDecode(it->second));
    }
    fields = inObjectOrder(std::move(fields));
    return true;
}

bool sameTiddler(std::string_view a, std::string_view b) {
    TiddlerComparison comparison;
    return comparison.same(a, b);
}

const Fields& TiddlerComparison::sorted(std::string_view entry) {
    for (std::size_t i = 0; i < m_used; ++i) {
        if (m_decoded[i].data == entry.data()) {
            return m_decoded[i].fields;
        }
    }
    Decoded& d = m_decoded[m_used < 3 ? m_used++ : 2];
    d.data = entry.data();
    d.ok = decodeEntry(entry, d.fields);
    std::sort(d.fields.begin(), d.fields.end(),
              [](const Field& x, const Field& y) { return x.name < y.name; });
    if (!d.ok) {
        d.fields = {{"", std::string(entry)}};  // unreadable: equal to nothing but its own bytes
    }
    return d.fields;
}

bool TiddlerComparison::same(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    const Fields& fa = sorted(a);
    const Fields& fb = sorted(b);
    return fa == fb;
}

bool isDivFieldName(std::string_view name) {
    return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || isSpace(c) ||
               std::string_view("\"'<>/=").find(c) != std::string_view::npos;
    });
}

std::string toDivElement(const Fields& fields) {
    std::vector<const Field*> sorted;
    const std::string* text = nullptr;
    std::size_t size = 24;
    for (const Field& f : fields) {
        size += f.name.size() + f.value.size() + 4;
        if (f.name == "text") {
            text = &f.value;
        } else {
            sorted.push_back(&f);
        }
    }
    std::sort(sorted.begin(), sorted.end(), [](const Field* x, const Field* y) { return x->name < y->name; });
    std::string out;
    out.reserve(size + size / 8);
    out += "<div";
    for (const Field* f : sorted) {
        out += ' ';
        out += f->name;
        out += "=\"";
        htmlEncode(out, f->value, true);
        out += '"';
    }
    out += ">\n<pre>";
    if (text != nullptr) {
        htmlEncode(out, *text, false);
    }
    out += "</pre>\n</div>";
    return out;
}

}  // namespace korvane
