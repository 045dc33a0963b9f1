#include "merge/format/TextMerge.h"

#include <git2.h>

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace korvane {
namespace {

// libgit2 sets up its allocator once per process.
void initLibgit2() {
    static const int once = git_libgit2_init();
    (void)once;
}

// The longest run of one marker character at the start of a line of `text`.
std::size_t longestMarkerRun(std::string_view text) {
    std::size_t longest = 0;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        std::size_t run = 0;
        if (c == '<' || c == '|' || c == '=' || c == '>') {
            while (at + run < text.size() && text[at + run] == c) {
                ++run;
            }
        }
        longest = std::max(longest, run);
        const std::size_t eol = text.find('\n', at);
        at = eol == std::string_view::npos ? text.size() : eol + 1;
    }
    return longest;
}

struct Region {
    std::string text;  // the merged lines before a conflict, or after the last one
    std::string local, base, remote;
    bool conflict = false;
};

// The regions of git merge-file's diff3 output `out`, whose marker lines are `size` characters long:
// merged text, or a conflict with its local, unedited and remote lines.
std::vector<Region> regionsOf(std::string_view out, unsigned short size) {
    const std::string open = std::string(size, '<') + " L\n", middle = std::string(size, '|') + " B\n",
                      split = std::string(size, '=') + "\n", close = std::string(size, '>') + " R\n";
    std::vector<Region> regions(1);
    std::string* into = &regions.back().text;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t eol = out.find('\n', at);
        const std::size_t end = eol == std::string_view::npos ? out.size() : eol + 1;
        const std::string_view line = out.substr(at, end - at);
        at = end;
        Region& r = regions.back();
        if (line == open) {
            regions.push_back({});
            regions.back().conflict = true;
            into = &regions.back().local;
        } else if (line == middle && r.conflict) {
            into = &r.base;
        } else if (line == split && r.conflict) {
            into = &r.remote;
        } else if (line == close && r.conflict) {
            regions.push_back({});
            into = &regions.back().text;
        } else {
            into->append(line);
        }
    }
    return regions;
}

// git merge-file's merge of three texts that each end with a line feed, in diff3 style with markers
// longer than any run at the start of a line of the texts, so that a marker line is always one. Each
// region of the result is either merged text or a conflict with its three versions; none when libgit2
// fails.
std::optional<std::vector<Region>> mergeRegions(const std::string& base, const std::string& local,
                                                const std::string& remote) {
    initLibgit2();
    const std::size_t run =
        std::max({longestMarkerRun(base), longestMarkerRun(local), longestMarkerRun(remote)});
    if (run >= 65535) {
        return std::nullopt;
    }
    const auto size =
        static_cast<unsigned short>(std::max<std::size_t>(GIT_MERGE_CONFLICT_MARKER_SIZE, run + 1));
    git_merge_file_input in[3];
    const std::string* texts[3] = {&base, &local, &remote};
    for (int i = 0; i < 3; ++i) {
        git_merge_file_input_init(&in[i], GIT_MERGE_FILE_INPUT_VERSION);
        in[i].ptr = texts[i]->data();
        in[i].size = texts[i]->size();
        in[i].mode = 0100644;
    }
    git_merge_file_options options;
    git_merge_file_options_init(&options, GIT_MERGE_FILE_OPTIONS_VERSION);
    options.ancestor_label = "B";
    options.our_label = "L";
    options.their_label = "R";
    options.flags = GIT_MERGE_FILE_STYLE_DIFF3;
    options.marker_size = size;
    git_merge_file_result result{};
    if (git_merge_file(&result, &in[0], &in[1], &in[2], &options) != 0) {
        return std::nullopt;
    }
    std::vector<Region> regions = regionsOf(std::string_view(result.ptr, result.len), size);
    const bool clean = result.automergeable != 0;
    git_merge_file_result_free(&result);
    if (clean != std::none_of(regions.begin(), regions.end(), [](const Region& r) { return r.conflict; })) {
        return std::nullopt;  // the markers did not read as expected: nothing is taken from them
    }
    return regions;
}

// The end of the word that starts at `at`: its characters up to a space, then the spaces after them.
std::size_t wordEnd(std::string_view text, std::size_t at) {
    const auto space = isWordSpace;
    while (at < text.size() && !space(text[at])) {
        ++at;
    }
    while (at < text.size() && space(text[at])) {
        ++at;
    }
    return at;
}

// A text as one word per line: each word with the spaces after it (and any spaces before the first),
// a line feed inside written \n and a backslash \\, so that the lines join back to the text exactly.
std::string wordLines(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (std::size_t at = 0, end = 0; at < text.size(); at = end) {
        end = wordEnd(text, at);
        for (const char c : text.substr(at, end - at)) {
            if (c == '\n' || c == '\\') {
                out += '\\';
                out += c == '\n' ? 'n' : '\\';
            } else {
                out += c;
            }
        }
        out += '\n';
    }
    return out;
}

// Where each word of `text` starts, as wordLines cuts it, and the text's end last.
std::vector<std::size_t> wordStarts(std::string_view text) {
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < text.size(); at = wordEnd(text, at)) {
        starts.push_back(at);
    }
    starts.push_back(text.size());
    return starts;
}

std::string joinWords(std::string_view lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == '\n') {
            continue;
        }
        if (lines[i] == '\\' && i + 1 < lines.size()) {
            out += lines[++i] == 'n' ? '\n' : lines[i];
        } else {
            out += lines[i];
        }
    }
    return out;
}

// The runs that a diff of `before` against `after` finds inserted, each at unit `at` of `before` (the
// first unit it replaces, or the one it follows), its units each ended by a line feed.
struct Insertion {
    int at = 0;
    std::string units;
};

int insertionHunk(const git_diff_delta*, const git_diff_hunk* hunk, void* payload) {
    static_cast<std::vector<Insertion>*>(payload)->push_back({hunk->old_start, {}});
    return 0;
}

int insertionLine(const git_diff_delta*, const git_diff_hunk*, const git_diff_line* line, void* payload) {
    auto* runs = static_cast<std::vector<Insertion>*>(payload);
    if (line->origin == GIT_DIFF_LINE_ADDITION && !runs->empty()) {
        runs->back().units.append(line->content, line->content_len);
    }
    return 0;
}

// The units two versions begin and end with alike: `head` units, and then `tail` more at the end.
struct SharedEnds {
    std::size_t head = 0;
    std::size_t tail = 0;
};

template <typename Units>
SharedEnds sharedEnds(const Units& before, const Units& after) {
    SharedEnds ends;
    while (ends.head < before.size() && ends.head < after.size() && before[ends.head] == after[ends.head]) {
        ++ends.head;
    }
    while (ends.tail < before.size() - ends.head && ends.tail < after.size() - ends.head &&
           before[before.size() - 1 - ends.tail] == after[after.size() - 1 - ends.tail]) {
        ++ends.tail;
    }
    return ends;
}

// The units between the shared ends, one a line, for a diff: the units both versions begin and end
// with are left out, which keeps a small edit of a long text quick. Units hold no line feed.
template <typename Units>
std::string linesBetween(const Units& units, SharedEnds ends) {
    std::string out;
    for (std::size_t i = ends.head; i < units.size() - ends.tail; ++i) {
        out.append(units[i]) += '\n';
    }
    return out;
}

// The words of a text at `starts` (where each starts, then the text's size), each with the spaces
// after it, or (`Bare`) without them.
template <bool Bare>
struct WordsAt {
    std::string_view text;
    const std::vector<std::size_t>& starts;
    std::size_t size() const { return starts.size() - 1; }
    std::string_view operator[](std::size_t i) const {
        std::size_t end = starts[i + 1];
        if constexpr (Bare) {
            while (end > starts[i] && isWordSpace(text[end - 1])) {
                --end;
            }
        }
        return text.substr(starts[i], end - starts[i]);
    }
};
using Words = WordsAt<false>;
using BareWords = WordsAt<true>;

// None when libgit2 fails.
std::optional<std::vector<Insertion>> insertions(const std::vector<std::string_view>& before,
                                                 const std::vector<std::string_view>& after,
                                                 SharedEnds ends) {
    const std::string b = linesBetween(before, ends), a = linesBetween(after, ends);
    git_diff_options options;
    git_diff_options_init(&options, GIT_DIFF_OPTIONS_VERSION);
    options.context_lines = 0;
    options.flags = GIT_DIFF_FORCE_TEXT;
    std::vector<Insertion> runs;
    if (git_diff_buffers(b.data(), b.size(), nullptr, a.data(), a.size(), nullptr, &options, nullptr, nullptr,
                         insertionHunk, insertionLine, &runs) != 0) {
        return std::nullopt;
    }
    for (Insertion& run : runs) {
        run.at += static_cast<int>(ends.head);
    }
    return runs;
}

bool isBlank(std::string_view units) {
    return units.find_first_not_of(" \t\n\r\f\v") == std::string_view::npos;
}

// Whether a unit that is not blank stands between the shared ends on both sides: a run that both sides
// inserted holds one, so without such a unit no diff is needed.
bool mayInsertAlike(const std::vector<std::string_view>& local, SharedEnds l,
                    const std::vector<std::string_view>& remote, SharedEnds r) {
    const std::unordered_set<std::string_view> remoteUnits(
        remote.begin() + static_cast<std::ptrdiff_t>(r.head),
        remote.end() - static_cast<std::ptrdiff_t>(r.tail));
    for (std::size_t i = l.head; i < local.size() - l.tail; ++i) {
        if (!isBlank(local[i]) && remoteUnits.count(local[i]) != 0) {
            return true;
        }
    }
    return false;
}

// Whether both sides inserted the same run of units at different places of `base`: git's merge takes
// two changes that do not touch each other both, and the run would stand twice in the result, where
// either side wanted it once. Two changes at the same place are git's to settle (the same change taken
// once, different ones a conflict); a run of blank units alone (spacing) is left to git too. In doubt
// (no diff) the texts are kept apart.
bool insertedTwice(const std::vector<std::string_view>& base, const std::vector<std::string_view>& local,
                   const std::vector<std::string_view>& remote) {
    const SharedEnds localEnds = sharedEnds(base, local), remoteEnds = sharedEnds(base, remote);
    if (!mayInsertAlike(local, localEnds, remote, remoteEnds)) {
        return false;
    }
    initLibgit2();
    const std::optional<std::vector<Insertion>> l = insertions(base, local, localEnds),
                                                r = insertions(base, remote, remoteEnds);
    if (!l || !r) {
        return true;
    }
    std::unordered_multimap<std::string_view, const Insertion*> byUnits;
    for (const Insertion& run : *r) {
        byUnits.emplace(run.units, &run);
    }
    for (const Insertion& run : *l) {
        if (isBlank(run.units)) {
            continue;
        }
        const auto [from, to] = byUnits.equal_range(run.units);
        for (auto it = from; it != to; ++it) {
            if (it->second->at != run.at) {
                return true;
            }
        }
    }
    return false;
}

// A text's lines without their line feeds.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t eol = std::min(text.find('\n', at), text.size());
        lines.push_back(text.substr(at, eol - at));
        at = eol + 1;
    }
    return lines;
}

// A region's three versions cut into words as wordLines cuts them: where each word starts, then the
// version's size.
struct RegionWords {
    std::vector<std::size_t> base, local, remote;
};

// A text's words (as wordLines cuts them, at `starts`) without the spaces after them.
std::vector<std::string_view> wordsOf(std::string_view text, const std::vector<std::size_t>& starts) {
    const BareWords bare{text, starts};
    std::vector<std::string_view> words;
    words.reserve(bare.size());
    for (std::size_t i = 0; i < bare.size(); ++i) {
        words.push_back(bare[i]);
    }
    return words;
}

// What libgit2 holds per line of the three texts it merges or diffs (its records, hashes, classes and
// the diff's arrays): about 75 to 80 bytes, measured with /usr/bin/time -v on texts of 1, 5 and 20 MB
// of repeated words of 1 to 65 bytes (a 20 MB text of repeated five-byte words took 900 MB in the merge
// alone, 2.9 GB in all).
constexpr std::size_t kBytesPerWordLine = 80;
// The word merge of a region may take this much whatever the region's size (a paragraph of 2 MB of
// ordinary words needs about 100 MB), and 8 times the region's size beyond it.
constexpr std::size_t kWordMergeFloor = std::size_t{128} << 20;
constexpr std::size_t kWordMergeFactor = 8;

// Whether the word merge of a conflicting region stays within its memory bound: its word lines (a copy
// of each side) and libgit2's share for each of their lines.
bool wordMergeFits(const Region& r, const RegionWords& w) {
    const std::size_t bytes = r.base.size() + r.local.size() + r.remote.size();
    const std::size_t lines = w.base.size() + w.local.size() + w.remote.size() - 3;
    const std::size_t estimate = bytes + lines * kBytesPerWordLine;
    return estimate <= std::max(kWordMergeFloor, kWordMergeFactor * bytes);
}

// Whether `word` stands among words [from, to) of `w`.
bool holds(const Words& w, std::size_t from, std::size_t to, std::string_view word) {
    for (std::size_t i = from; i < to; ++i) {
        if (w[i] == word) {
            return true;
        }
    }
    return false;
}

// The region where `first` changed only words before any that `second` changed, with a word of the
// unedited version that neither changed between them (`f` and `s`: the words each shares with it at
// the start and the end): git's merge takes both changes as they are, and so does this. A diff may
// shift a change over equal words beside it; where the word on either side of the gap stands among the
// words of the change next to it, git's diff might shift that change up to the other, and none is
// returned: git's merge decides.
std::optional<std::string> joinApart(const Words& base, const Words& first, SharedEnds f, const Words& second,
                                     SharedEnds s) {
    const std::size_t firstEnd = base.size() - f.tail, secondStart = s.head;  // words of `base`
    if (firstEnd >= secondStart) {
        return std::nullopt;
    }
    const std::string_view after = base[firstEnd], before = base[secondStart - 1];
    if (holds(base, f.head, firstEnd, after) || holds(first, f.head, first.size() - f.tail, after) ||
        holds(base, secondStart, base.size() - s.tail, before) ||
        holds(second, s.head, second.size() - s.tail, before)) {
        return std::nullopt;
    }
    std::string merged(first.text.substr(0, first.starts[first.size() - f.tail]));
    merged.append(base.text.substr(base.starts[firstEnd], base.starts[secondStart] - base.starts[firstEnd]));
    merged.append(second.text.substr(second.starts[s.head]));
    return merged;
}

// A conflicting region merged again word by word; none while words conflict, where both sides inserted
// the same words at different places, or where the merge would take too much memory (`tooLarge` set).
// Sides that changed words apart are joined at once: git's merge of a paragraph of 2 MB takes some
// hundred milliseconds, mostly reading the words of what neither side changed.
std::optional<std::string> mergeWords(const Region& r, bool* tooLarge) {
    const RegionWords w{wordStarts(r.base), wordStarts(r.local), wordStarts(r.remote)};
    if (!wordMergeFits(r, w)) {
        if (tooLarge != nullptr) {
            *tooLarge = true;
        }
        return std::nullopt;
    }
    if (insertedTwice(wordsOf(r.base, w.base), wordsOf(r.local, w.local), wordsOf(r.remote, w.remote))) {
        return std::nullopt;
    }
    const Words base{r.base, w.base}, local{r.local, w.local}, remote{r.remote, w.remote};
    const SharedEnds l = sharedEnds(base, local), rr = sharedEnds(base, remote);
    if (std::optional<std::string> apart = joinApart(base, local, l, remote, rr)) {
        return apart;
    }
    if (std::optional<std::string> apart = joinApart(base, remote, rr, local, l)) {
        return apart;
    }
    const std::optional<std::string> words =
        mergeLines(wordLines(r.base), wordLines(r.local), wordLines(r.remote));
    if (!words) {
        return std::nullopt;
    }
    return joinWords(*words);
}

// Three different texts of one line each: git's line merge of them is one conflict of the three
// lines, known without reading them (a paragraph of megabytes is one line).
bool oneLineEach(std::string_view base, std::string_view local, std::string_view remote) {
    return base != local && base != remote && local != remote && base.find('\n') == std::string_view::npos &&
           local.find('\n') == std::string_view::npos && remote.find('\n') == std::string_view::npos;
}

std::vector<Region> oneConflict(std::string base, std::string local, std::string remote) {
    std::vector<Region> regions(1);
    regions[0].conflict = true;
    regions[0].base = std::move(base);
    regions[0].local = std::move(local);
    regions[0].remote = std::move(remote);
    return regions;
}

// The texts with a line feed added to each, so that every line the merge sees ends with one (libgit2
// would add one to a side's last line inside a conflict); the one added is taken off the result.
std::optional<std::string> mergeTerminated(std::string_view base, std::string_view local,
                                           std::string_view remote, bool byWords, bool* tooLarge,
                                           bool* joinedWords = nullptr) {
    const auto terminated = [](std::string_view t) { return std::string(t) + '\n'; };
    const std::optional<std::vector<Region>> regions =
        oneLineEach(base, local, remote)
            ? oneConflict(terminated(base), terminated(local), terminated(remote))
            : mergeRegions(terminated(base), terminated(local), terminated(remote));
    if (!regions) {
        return std::nullopt;
    }
    std::string merged;
    for (const Region& r : *regions) {
        if (!r.conflict) {
            merged += r.text;
            continue;
        }
        if (!byWords) {
            return std::nullopt;
        }
        // Each side's region is whole lines; merged as words, the line feeds stay inside the words.
        const std::optional<std::string> words = mergeWords(r, tooLarge);
        if (!words) {
            return std::nullopt;
        }
        merged += *words;
        if (joinedWords != nullptr) {
            *joinedWords = true;
        }
    }
    if (merged.empty() || merged.back() != '\n') {
        return std::nullopt;
    }
    merged.pop_back();
    return merged;
}

struct DiffWords {
    const std::vector<std::size_t>* before;
    const std::vector<std::size_t>* after;
    int skipped;  // the words both texts begin with, left out of the diff
    WordChanges* changes;
};

// Adds word `line` (1-based) of a side to its ranges, joined to the last range where they touch.
void addWord(std::vector<ByteRange>& ranges, const std::vector<std::size_t>& starts, int line) {
    const auto i = static_cast<std::size_t>(line - 1);
    if (line < 1 || i + 1 >= starts.size()) {
        return;
    }
    if (!ranges.empty() && ranges.back().end == starts[i]) {
        ranges.back().end = starts[i + 1];
    } else {
        ranges.push_back({starts[i], starts[i + 1]});
    }
}

int diffLine(const git_diff_delta*, const git_diff_hunk*, const git_diff_line* line, void* payload) {
    auto* d = static_cast<DiffWords*>(payload);
    if (line->origin == GIT_DIFF_LINE_DELETION) {
        addWord(d->changes->removed, *d->before, line->old_lineno + d->skipped);
    } else if (line->origin == GIT_DIFF_LINE_ADDITION) {
        addWord(d->changes->inserted, *d->after, line->new_lineno + d->skipped);
    }
    return 0;
}

}  // namespace

WordChanges wordChanges(std::string_view before, std::string_view after) {
    if (before == after) {
        return {};
    }
    return wordChanges(before, after, wordStarts(before), wordStarts(after));
}

WordChanges wordChanges(std::string_view before, std::string_view after,
                        const std::vector<std::size_t>& beforeStarts,
                        const std::vector<std::size_t>& afterStarts) {
    WordChanges changes;
    if (before == after) {
        return changes;
    }
    initLibgit2();
    // A word is compared without the spaces after it: the last word of a text, which has none, is the
    // same word as it was when more follows it now, and a change of spacing alone marks nothing. The
    // words both texts begin and end with are the same whatever the diff finds between them; only the
    // words between go to the diff.
    const BareWords b{before, beforeStarts}, a{after, afterStarts};
    const SharedEnds ends = sharedEnds(b, a);
    const std::string beforeLines = linesBetween(b, ends), afterLines = linesBetween(a, ends);
    git_diff_options options;
    git_diff_options_init(&options, GIT_DIFF_OPTIONS_VERSION);
    options.context_lines = 0;
    options.flags = GIT_DIFF_FORCE_TEXT;
    DiffWords payload{&beforeStarts, &afterStarts, static_cast<int>(ends.head), &changes};
    if (git_diff_buffers(beforeLines.data(), beforeLines.size(), nullptr, afterLines.data(),
                         afterLines.size(), nullptr, &options, nullptr, nullptr, nullptr, diffLine,
                         &payload) != 0) {
        // Without a diff, everything counts as changed: more is marked, nothing is hidden.
        changes = {};
        if (!before.empty()) {
            changes.removed.push_back({0, before.size()});
        }
        if (!after.empty()) {
            changes.inserted.push_back({0, after.size()});
        }
    }
    return changes;
}

std::optional<std::string> mergeLines(std::string_view base, std::string_view local,
                                      std::string_view remote) {
    return mergeTerminated(base, local, remote, false, nullptr);
}

std::optional<std::string> mergeText(std::string_view base, std::string_view local, std::string_view remote,
                                     bool* tooLarge, bool* byWords) {
    if (local == remote || base == remote) {
        return std::string(local);
    }
    if (base == local) {
        return std::string(remote);
    }
    // A text with a NUL byte is no text for a line merge.
    for (const std::string_view t : {base, local, remote}) {
        if (t.find('\0') != std::string_view::npos) {
            return std::nullopt;
        }
    }
    // An identical line that both sides inserted at different places is the same double one level up.
    if (insertedTwice(linesOf(base), linesOf(local), linesOf(remote))) {
        return std::nullopt;
    }
    return mergeTerminated(base, local, remote, true, tooLarge, byWords);
}

}  // namespace korvane
