#include "merge/format/TextMerge.h"

#include <git2.h>

#include <algorithm>
#include <optional>
#include <unordered_map>
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
    const auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
    };
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

// Units hold no line feed. The units both sides begin and end with are left out of the diff, which
// keeps a small edit of a long text quick; none when libgit2 fails.
std::optional<std::vector<Insertion>> insertions(const std::vector<std::string_view>& before,
                                                 const std::vector<std::string_view>& after) {
    std::size_t head = 0, tail = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) {
        ++head;
    }
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
        ++tail;
    }
    const auto lines = [head](const std::vector<std::string_view>& units, std::size_t end) {
        std::string out;
        for (std::size_t i = head; i < end; ++i) {
            out.append(units[i]) += '\n';
        }
        return out;
    };
    const std::string b = lines(before, before.size() - tail), a = lines(after, after.size() - tail);
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
        run.at += static_cast<int>(head);
    }
    return runs;
}

// Whether both sides inserted the same run of units at different places of `base`: git's merge takes
// two changes that do not touch each other both, and the run would stand twice in the result, where
// either side wanted it once. Two changes at the same place are git's to settle (the same change taken
// once, different ones a conflict); a run of blank units alone (spacing) is left to git too. In doubt
// (no diff) the texts are kept apart.
bool insertedTwice(const std::vector<std::string_view>& base, const std::vector<std::string_view>& local,
                   const std::vector<std::string_view>& remote) {
    initLibgit2();
    const std::optional<std::vector<Insertion>> l = insertions(base, local), r = insertions(base, remote);
    if (!l || !r) {
        return true;
    }
    std::unordered_multimap<std::string_view, const Insertion*> byUnits;
    for (const Insertion& run : *r) {
        byUnits.emplace(run.units, &run);
    }
    for (const Insertion& run : *l) {
        if (run.units.find_first_not_of(" \t\n\r\f\v") == std::string::npos) {
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

// A text's words (as wordLines cuts them) without the spaces after them.
std::vector<std::string_view> wordsOf(std::string_view text) {
    std::vector<std::string_view> words;
    for (std::size_t at = 0, end = 0; at < text.size(); at = end) {
        end = wordEnd(text, at);
        const std::string_view w = text.substr(at, end - at);
        words.push_back(w.substr(0, w.find_first_of(" \t\n\r\f\v")));
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
bool wordMergeFits(const Region& r) {
    std::size_t bytes = 0, lines = 0;
    for (const std::string* side : {&r.base, &r.local, &r.remote}) {
        bytes += side->size();
        for (std::size_t at = 0; at < side->size(); at = wordEnd(*side, at)) {
            ++lines;
        }
    }
    const std::size_t estimate = bytes + lines * kBytesPerWordLine;
    return estimate <= std::max(kWordMergeFloor, kWordMergeFactor * bytes);
}

// The texts with a line feed added to each, so that every line the merge sees ends with one (libgit2
// would add one to a side's last line inside a conflict); the one added is taken off the result.
std::optional<std::string> mergeTerminated(std::string_view base, std::string_view local,
                                           std::string_view remote, bool byWords, bool* tooLarge,
                                           bool* joinedWords = nullptr) {
    const auto terminated = [](std::string_view t) { return std::string(t) + '\n'; };
    const std::optional<std::vector<Region>> regions =
        mergeRegions(terminated(base), terminated(local), terminated(remote));
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
        if (!wordMergeFits(r)) {
            if (tooLarge != nullptr) {
                *tooLarge = true;
            }
            return std::nullopt;
        }
        // Each side's region is whole lines; merged as words, the line feeds stay inside the words.
        if (insertedTwice(wordsOf(r.base), wordsOf(r.local), wordsOf(r.remote))) {
            return std::nullopt;
        }
        const std::optional<std::string> words =
            mergeLines(wordLines(r.base), wordLines(r.local), wordLines(r.remote));
        if (!words) {
            return std::nullopt;
        }
        merged += joinWords(*words);
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
    // same word as it was when more follows it now, and a change of spacing alone marks nothing.
    const auto word = [](std::string_view t, const std::vector<std::size_t>& starts, std::size_t i) {
        std::string_view w = t.substr(starts[i], starts[i + 1] - starts[i]);
        const std::size_t end = w.find_last_not_of(" \t\n\r\f\v");
        return end == std::string_view::npos ? std::string_view() : w.substr(0, end + 1);
    };
    // The words both texts begin and end with are the same whatever the diff finds between them; only
    // the words between go to the diff, one a line, which keeps a small edit of a long text quick.
    const std::size_t nb = beforeStarts.size() - 1, na = afterStarts.size() - 1;
    std::size_t head = 0, tail = 0;
    while (head < nb && head < na && word(before, beforeStarts, head) == word(after, afterStarts, head)) {
        ++head;
    }
    while (tail < nb - head && tail < na - head &&
           word(before, beforeStarts, nb - 1 - tail) == word(after, afterStarts, na - 1 - tail)) {
        ++tail;
    }
    const auto lines = [&word, head](std::string_view t, const std::vector<std::size_t>& starts,
                                     std::size_t end) {
        std::string out;
        for (std::size_t i = head; i < end; ++i) {
            out.append(word(t, starts, i)) += '\n';  // a word without spaces holds no line feed
        }
        return out;
    };
    const std::string beforeLines = lines(before, beforeStarts, nb - tail);
    const std::string afterLines = lines(after, afterStarts, na - tail);
    git_diff_options options;
    git_diff_options_init(&options, GIT_DIFF_OPTIONS_VERSION);
    options.context_lines = 0;
    options.flags = GIT_DIFF_FORCE_TEXT;
    DiffWords payload{&beforeStarts, &afterStarts, static_cast<int>(head), &changes};
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
