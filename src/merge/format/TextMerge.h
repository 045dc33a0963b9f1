// The three-way merge of one text (a tiddler's text, one of its fields): git's own line merge, through
// libgit2, and where lines conflict, the same merge again over the conflicting region's words.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The bytes that part words: space, tab, line feed, carriage return, form feed, vertical tab.
inline constexpr std::array<bool, 256> kWordSpaces = [] {
    std::array<bool, 256> spaces{};
    for (const char c : {' ', '\t', '\n', '\r', '\f', '\v'}) {
        spaces[static_cast<unsigned char>(c)] = true;
    }
    return spaces;
}();
inline bool isWordSpace(char c) {
    return kWordSpaces[static_cast<unsigned char>(c)];
}

// The text merged from two versions of `base`, as `git merge-file` merges it; where a region conflicts
// line by line, the region merged again word by word (one word with the spaces after it per line).
// None while any region still conflicts, and where both sides inserted the same lines, or the same
// words in one region, at different places (git would take both, and the insertion would stand twice):
// the caller keeps the versions apart, never a conflict marker. A region whose word merge would take
// more than 8 times its size (and more than 128 MB) is not merged by words: none, and `tooLarge` set.
// `byWords` is set when a region was merged word by word.
std::optional<std::string> mergeText(std::string_view base, std::string_view local, std::string_view remote,
                                     bool* tooLarge = nullptr, bool* byWords = nullptr);

// The same merge of the three texts taken as lines; none when a region conflicts.
std::optional<std::string> mergeLines(std::string_view base, std::string_view local, std::string_view remote);

// A byte range [start, end) of a text.
struct ByteRange {
    std::size_t start = 0;
    std::size_t end = 0;
    bool operator==(const ByteRange&) const = default;
};

// What changed from `before` to `after`, word by word: the ranges of `before` that are gone and of
// `after` that are new (a word with the spaces after it), each sorted and joined where they touch.
// Words are compared without those spaces, so spacing alone is no change. libgit2's diff (git's own)
// over the texts taken one word per line, so a text of one long line is compared as finely as one of
// many.
struct WordChanges {
    std::vector<ByteRange> removed;
    std::vector<ByteRange> inserted;
    bool operator==(const WordChanges&) const = default;
};
WordChanges wordChanges(std::string_view before, std::string_view after);
// The same over words that the caller found: the byte position where each word (with the spaces after
// it) starts, in order, then the text's size. The review window finds them by Unicode's word-boundary
// rules, so that a text without spaces between its words (Chinese, Japanese) is marked word by word too.
WordChanges wordChanges(std::string_view before, std::string_view after,
                        const std::vector<std::size_t>& beforeStarts,
                        const std::vector<std::size_t>& afterStarts);

}  // namespace korvane
