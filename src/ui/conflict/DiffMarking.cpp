#include "ui/conflict/DiffMarking.h"

#include <algorithm>

#include "document/Markers.h"

namespace korvane {
namespace {

struct Attribute {
    std::u16string_view start;
    std::u16string_view end;
};

// The attributes compared between the two versions, in the order they are marked.
constexpr Attribute kAttributes[] = {
    {u"modifier=\"", u"\" modified=\""},
    {u"modified=\"", u"\" created=\""},
    {u"created=\"", u"\" tags=\""},
    {u"tags=\"", u"\">"},
};

constexpr std::u16string_view kBodyMarker = u"\">";

// Attribute values are only compared when both texts hold more than this many characters once the
// spaces at both ends are removed.
constexpr std::size_t kShortText = 8;

std::size_t lengthWithoutOuterSpaces(std::u16string_view s) {
    const std::size_t first = s.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) {
        return 0;
    }
    return s.find_last_not_of(u' ') - first + 1;
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Bold and plain marks applied one after another to one box, reduced to the ranges left bold.
class BoxMarks {
  public:
    explicit BoxMarks(std::u16string_view text) : m_text(text) {}

    void bold(std::size_t start, std::size_t end) {
        end = std::min(end, m_text.size());
        if (start < end) {
            m_bold.push_back({start, end});
        }
    }
    // Everything from `start` to the end of the text loses its bold marking.
    void plainFrom(std::size_t start) {
        for (BoldRange& r : m_bold) {
            r.end = std::min(r.end, start);
        }
    }

    std::vector<BoldRange> ranges() {
        std::vector<BoldRange> out;
        std::sort(m_bold.begin(), m_bold.end(),
                  [](const BoldRange& a, const BoldRange& b) { return a.start < b.start; });
        for (BoldRange r : m_bold) {
            if (r.start >= r.end) {
                continue;
            }
            alignToCharacters(r);
            if (!out.empty() && r.start <= out.back().end) {
                out.back().end = std::max(out.back().end, r.end);
            } else {
                out.push_back(r);
            }
        }
        return out;
    }

  private:
    // A character outside the basic plane is one pair of code units; it is bold or plain as a whole.
    void alignToCharacters(BoldRange& r) const {
        if (r.start > 0 && isLowSurrogate(m_text[r.start]) && isHighSurrogate(m_text[r.start - 1])) {
            --r.start;
        }
        if (r.end < m_text.size() && isLowSurrogate(m_text[r.end]) && isHighSurrogate(m_text[r.end - 1])) {
            ++r.end;
        }
    }

    std::u16string_view m_text;
    std::vector<BoldRange> m_bold;
};

void markAttributes(std::u16string_view local, std::u16string_view server, BoxMarks& localMarks,
                    BoxMarks& serverMarks) {
    for (const Attribute& a : kAttributes) {
        if (funcParseStringFromStringToString(local, a.start, a.end) ==
            funcParseStringFromStringToString(server, a.start, a.end)) {
            continue;
        }
        // Both markers are searched from the beginning of the text; when the end marker comes first,
        // the span would be negative and the box stays unmarked for this attribute.
        const auto mark = [&a](std::u16string_view text, BoxMarks& marks) {
            const std::size_t s = text.find(a.start);
            const std::size_t e = text.find(a.end);
            if (s != std::u16string_view::npos && e != std::u16string_view::npos) {
                marks.bold(s + a.start.size(), e);
            }
        };
        mark(local, localMarks);
        mark(server, serverMarks);
    }
}

// Marks two bodies that start at `pl` and `ps` and run to the ends of their texts.
void markBodies(std::u16string_view local, std::size_t pl, std::u16string_view server, std::size_t ps,
                BoxMarks& localMarks, BoxMarks& serverMarks) {
    const std::u16string_view bl = local.substr(pl);
    const std::u16string_view bs = server.substr(ps);
    const std::size_t n = std::min(bl.size(), bs.size());
    if (n == 0) {  // an empty body: all of the other one is new
        localMarks.bold(pl, local.size());
        serverMarks.bold(ps, server.size());
        return;
    }

    // From the first difference to the end; when one body is the beginning of the other, from the last
    // character that both have.
    std::size_t d = 0;
    while (d < n && bl[d] == bs[d]) {
        ++d;
    }
    if (d == n) {
        d = n - 1;
    }
    localMarks.bold(pl + d, local.size());
    serverMarks.bold(ps + d, server.size());

    // The characters that both bodies share at their ends go back to plain, all but the first of them.
    std::size_t k = 0;
    while (k < n && bl[bl.size() - 1 - k] == bs[bs.size() - 1 - k]) {
        ++k;
    }
    if (k == n) {
        return;
    }
    localMarks.plainFrom(local.size() + 1 - k);
    serverMarks.plainFrom(server.size() + 1 - k);
}

void markBody(std::u16string_view local, std::u16string_view server, BoxMarks& localMarks,
              BoxMarks& serverMarks) {
    const std::size_t pl = local.find(kBodyMarker);
    const std::size_t ps = server.find(kBodyMarker);
    if (pl == std::u16string_view::npos || ps == std::u16string_view::npos || local == server) {
        return;
    }
    markBodies(local, pl, server, ps, localMarks, serverMarks);
}

bool isLineBreak(char16_t c) {
    return c == u'\n' || c == u'\u2029';
}

// One `name: value` line of a field text: where its value stands.
struct FieldLine {
    std::u16string_view name;
    std::u16string_view value;
    std::size_t valueStart = 0;
};

// The field lines of a text in TiddlyWiki's .tid form, and where its text begins after the empty line.
// A text whose lines before the first empty one are not all `name: value` lines (the indented JSON that
// stands in for a tiddler that cannot be shown that way) has no field lines: all of it is text.
std::vector<FieldLine> fieldLines(std::u16string_view text, std::size_t& bodyStart) {
    std::vector<FieldLine> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = at;
        while (end < text.size() && !isLineBreak(text[end])) {
            ++end;
        }
        const std::u16string_view line = text.substr(at, end - at);
        if (line.empty()) {
            bodyStart = std::min(end + 1, text.size());
            return lines;
        }
        const std::size_t colon = line.find(u": ");
        if (colon == std::u16string_view::npos || colon == 0) {
            break;
        }
        lines.push_back({line.substr(0, colon), line.substr(colon + 2), at + colon + 2});
        at = end + 1;
    }
    bodyStart = 0;
    return {};
}

// Bolds the value of every field line that the other text lacks or holds with another value (the name,
// for an empty value).
void markFieldLines(const std::vector<FieldLine>& mine, const std::vector<FieldLine>& theirs,
                    BoxMarks& marks) {
    for (const FieldLine& f : mine) {
        const auto same = std::find_if(theirs.begin(), theirs.end(), [&f](const FieldLine& t) {
            return t.name == f.name && t.value == f.value;
        });
        if (same != theirs.end()) {
            continue;
        }
        if (f.value.empty()) {
            marks.bold(f.valueStart - 2 - f.name.size(), f.valueStart - 2);
        } else {
            marks.bold(f.valueStart, f.valueStart + f.value.size());
        }
    }
}

}  // namespace

DiffMarks markDifferences(std::u16string_view local, std::u16string_view server) {
    BoxMarks localMarks(local);
    BoxMarks serverMarks(server);
    if (lengthWithoutOuterSpaces(local) > kShortText && lengthWithoutOuterSpaces(server) > kShortText) {
        markAttributes(local, server, localMarks, serverMarks);
    }
    markBody(local, server, localMarks, serverMarks);
    return {localMarks.ranges(), serverMarks.ranges()};
}

DiffMarks markFieldDifferences(std::u16string_view local, std::u16string_view server) {
    BoxMarks localMarks(local);
    BoxMarks serverMarks(server);
    // A version that is not there (a deleted tiddler) is no difference to point at, as in the early form.
    if (local != server && !local.empty() && !server.empty()) {
        std::size_t pl = 0;
        std::size_t ps = 0;
        const std::vector<FieldLine> localLines = fieldLines(local, pl);
        const std::vector<FieldLine> serverLines = fieldLines(server, ps);
        markFieldLines(localLines, serverLines, localMarks);
        markFieldLines(serverLines, localLines, serverMarks);
        if (local.substr(pl) != server.substr(ps)) {
            markBodies(local, pl, server, ps, localMarks, serverMarks);
        }
    }
    return {localMarks.ranges(), serverMarks.ranges()};
}

}  // namespace korvane
