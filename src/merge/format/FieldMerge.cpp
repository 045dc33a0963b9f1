#include "merge/format/FieldMerge.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>

#include "merge/format/TextMerge.h"
#include "merge/model/Plan.h"

namespace korvane {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Whether a value holds a space that JavaScript's \s knows beyond ASCII (no-break space excepted, which
// TiddlyWiki keeps inside a title): U+1680, U+2000–U+200A, U+2028, U+2029, U+202F, U+205F, U+3000,
// U+FEFF.
bool hasWideSpace(std::string_view v) {
    for (std::size_t i = 0; i + 2 < v.size(); ++i) {
        const auto a = static_cast<unsigned char>(v[i]), b = static_cast<unsigned char>(v[i + 1]),
                   c = static_cast<unsigned char>(v[i + 2]);
        if ((a == 0xE1 && b == 0x9A && c == 0x80) ||
            (a == 0xE2 && b == 0x80 && (c <= 0x8A || c == 0xA8 || c == 0xA9 || c == 0xAF)) ||
            (a == 0xE2 && b == 0x81 && c == 0x9F) || (a == 0xE3 && b == 0x80 && c == 0x80) ||
            (a == 0xEF && b == 0xBB && c == 0xBF)) {
            return true;
        }
    }
    return false;
}

using Value = const std::string*;

bool sameValue(Value a, Value b) {
    return a && b ? *a == *b : a == b;
}

// One field's value from the one-sided rule; `conflict` when both sides changed it differently.
Value oneSided(Value base, Value local, Value remote, bool& conflict) {
    if (sameValue(local, remote) || sameValue(base, remote)) {
        return local;
    }
    if (sameValue(base, local)) {
        return remote;
    }
    conflict = true;
    return local;
}

}  // namespace

std::vector<std::string> parseTitleList(std::string_view v) {
    std::vector<std::string> titles;
    std::unordered_set<std::string> seen;
    const auto add = [&](std::string_view title) {
        if (!title.empty() && seen.insert(std::string(title)).second) {
            titles.emplace_back(title);
        }
    };
    for (std::size_t p = 0; p < v.size();) {
        // `[[…]]` after the start, a line break or a space, ending before a space or the end; the
        // shortest such title that stays on its line.
        const bool lineStart = p == 0 || v[p - 1] == '\n' || v[p - 1] == '\r';
        bool matched = false;
        for (const std::size_t open :
             {lineStart ? p : std::string_view::npos, isSpace(v[p]) ? p + 1 : std::string_view::npos}) {
            if (open == std::string_view::npos || v.substr(open, 2) != "[[") {
                continue;
            }
            for (std::size_t close = v.find("]]", open + 2); close != std::string_view::npos;
                 close = v.find("]]", close + 1)) {
                const std::string_view inside = v.substr(open + 2, close - open - 2);
                if (inside.find_first_of("\n\r") != std::string_view::npos) {
                    break;
                }
                if (close + 2 == v.size() || isSpace(v[close + 2])) {
                    add(inside);
                    p = close + 2;
                    matched = true;
                    break;
                }
            }
            if (matched) {
                break;
            }
        }
        if (matched) {
            continue;
        }
        if (isSpace(v[p])) {
            ++p;
            continue;
        }
        std::size_t end = p;
        while (end < v.size() && !isSpace(v[end])) {
            ++end;
        }
        add(v.substr(p, end - p));
        p = end;
    }
    return titles;
}

std::string stringifyTitleList(const std::vector<std::string>& titles) {
    std::string out;
    for (const std::string& t : titles) {
        if (!out.empty()) {
            out += ' ';
        }
        const bool spaced = std::any_of(t.begin(), t.end(), isSpace);
        out += spaced ? "[[" + t + "]]" : t;
    }
    return out;
}

namespace {

using TitleSet = std::unordered_set<std::string>;

// One version of a title list: its titles in order, and the same as a set.
struct TitleList {
    explicit TitleList(std::string_view v) : titles(parseTitleList(v)), holds(titles.begin(), titles.end()) {}
    std::vector<std::string> titles;
    TitleSet holds;
};

// The titles of `list` that `keep` holds, in the order of `list`.
template <class Keep>
std::vector<std::string> only(const std::vector<std::string>& list, const Keep& keep) {
    std::vector<std::string> out;
    std::copy_if(list.begin(), list.end(), std::back_inserter(out), keep);
    return out;
}

auto heldIn(const TitleSet& set) {
    return [&set](const std::string& t) { return set.contains(t); };
}

// A side reordered when the titles it kept from the unedited list no longer stand in their unedited
// order; adding or removing titles alone is no reorder.
bool reordered(const TitleList& side, const TitleList& base) {
    return only(side.titles, heldIn(base.holds)) != only(base.titles, heldIn(side.holds));
}

// The titles both sides hold: kept from the unedited list, or added on both.
struct HeldOnBoth {
    const TitleSet& local;
    const TitleSet& remote;
    bool operator()(const std::string& t) const { return local.contains(t) && remote.contains(t); }
};

// A title's place on a side: the nearest title before it there that both sides hold, or the start.
const std::string* placeIn(const std::vector<std::string>& side, const std::string& t,
                           const HeldOnBoth& inBoth) {
    const auto at = std::find(side.begin(), side.end(), t);
    for (auto p = at; p != side.begin();) {
        if (inBoth(*--p)) {
            return &*p;
        }
    }
    return nullptr;
}

// Places the titles that the `second` side added into `merged` (the `first` side's list), each after
// the nearest title before it on `second` that `merged` holds, or at the start. False when both sides
// added a title at different places: each place is an edit of the order as much as a reorder is, and
// taking either one would drop the other in silence, so the tiddler stays a conflict, as two different
// reorders do.
bool placeAdditions(std::vector<std::string>& merged, const std::vector<std::string>& first,
                    const std::vector<std::string>& second, const TitleSet& inBase,
                    const HeldOnBoth& inBoth) {
    for (std::size_t i = 0; i < second.size(); ++i) {
        const std::string& t = second[i];
        if (inBase.contains(t)) {
            continue;
        }
        if (std::find(merged.begin(), merged.end(), t) != merged.end()) {
            const std::string *p = placeIn(first, t, inBoth), *q = placeIn(second, t, inBoth);
            if ((p && q) ? *p != *q : p != q) {
                return false;
            }
            continue;
        }
        auto at = merged.begin();
        for (std::size_t j = i; j-- > 0;) {
            if (const auto found = std::find(merged.begin(), merged.end(), second[j]);
                found != merged.end()) {
                at = found + 1;
                break;
            }
        }
        merged.insert(at, t);
    }
    return true;
}

}  // namespace

std::optional<std::string> mergeTitleLists(std::string_view base, std::string_view local,
                                           std::string_view remote) {
    if (hasWideSpace(base) || hasWideSpace(local) || hasWideSpace(remote)) {
        return std::nullopt;
    }
    const TitleList b(base), l(local), r(remote);
    const bool localReordered = reordered(l, b);
    const bool remoteReordered = reordered(r, b);
    const HeldOnBoth inBoth{l.holds, r.holds};
    if (localReordered && remoteReordered && only(l.titles, inBoth) != only(r.titles, inBoth)) {
        return std::nullopt;  // two orders of the same titles: a person chooses
    }
    // The merged list is the reordering side's (the local one when neither or both reordered, which then
    // agree), without the titles the other side removed; the other side's additions are placed in it.
    const bool remoteFirst = remoteReordered && !localReordered;
    const TitleList& first = remoteFirst ? r : l;
    const TitleList& second = remoteFirst ? l : r;
    std::vector<std::string> merged = only(
        first.titles, [&](const std::string& t) { return !b.holds.contains(t) || second.holds.contains(t); });
    if (!placeAdditions(merged, first.titles, second.titles, b.holds, inBoth)) {
        return std::nullopt;
    }
    return stringifyTitleList(merged);
}

bool mergesInside(const Fields& fields) {
    const std::string* title = fieldValue(fields, "title");
    const std::string* type = fieldValue(fields, "type");
    const std::string_view t = type ? std::string_view(*type) : std::string_view();
    const bool binary = t.starts_with("image/") || t.starts_with("audio/") || t.starts_with("video/") ||
                        t.starts_with("font/") || (t.starts_with("application/") && t != "application/json");
    return !binary && fieldValue(fields, "plugin-type") == nullptr &&
           fieldValue(fields, "module-type") == nullptr && !(title && *title == "$:/core");
}

namespace {

// The names of the fields of the three versions, each once: the local ones in their order, then the
// remote ones and the unedited ones that the local version lacks.
std::vector<std::string> fieldNames(const Fields& local, const Fields& remote, const Fields& base) {
    std::vector<std::string> names;
    for (const Fields* side : {&local, &remote, &base}) {
        for (const Field& f : *side) {
            if (std::find(names.begin(), names.end(), f.name) == names.end()) {
                names.push_back(f.name);
            }
        }
    }
    return names;
}

}  // namespace

std::optional<Fields> mergeFields(const Fields& base, const Fields& local, const Fields& remote,
                                  bool* tooLarge, MergeWay* way) {
    MergeWay found;
    if (!mergesInside(base) || !mergesInside(local) || !mergesInside(remote)) {
        return std::nullopt;
    }
    const std::vector<std::string> names = fieldNames(local, remote, base);
    // The side whose `modified` is the later (the local one on a tie): its stamp and its modifier.
    const std::string empty;
    const Value lm = fieldValue(local, "modified"), rm = fieldValue(remote, "modified");
    const bool remoteLater = rm && (!lm || *rm > *lm);
    Fields merged;
    for (const std::string& name : names) {
        const Value b = fieldValue(base, name), l = fieldValue(local, name), r = fieldValue(remote, name);
        bool conflict = false;
        std::optional<std::string> value;
        if (name == "modified" || name == "modifier") {
            // A stamp or its author never makes a conflict. Without both stamps, each goes by the
            // one-sided rule, the local value where both sides changed it.
            Value taken = remoteLater ? r : l;
            if (!(lm && rm)) {
                taken = oneSided(b, l, r, conflict);
                taken = conflict ? (l ? l : r) : taken;
                conflict = false;
            }
            if (taken) {
                value = *taken;
            }
        } else if (const Value taken = oneSided(b, l, r, conflict); !conflict) {
            if (taken) {
                value = *taken;
            }
        } else if ((name == "tags" || name == "list") && (l || r)) {
            value = mergeTitleLists(b ? *b : empty, l ? *l : empty, r ? *r : empty);
            conflict = !value.has_value();
            found.list = found.list || name == "list";
            if (value && value->empty() && !(l && r)) {
                value.reset();  // the side that removed the field removed its last title
            }
        } else if (name == "text" && l && r) {
            value = mergeText(b ? *b : empty, *l, *r, tooLarge, &found.words);
            conflict = !value.has_value();
        }
        if (conflict) {
            return std::nullopt;
        }
        if (value) {
            merged.push_back({name, std::move(*value)});
        }
    }
    if (way != nullptr) {
        *way = found;
    }
    return merged;
}

}  // namespace korvane
