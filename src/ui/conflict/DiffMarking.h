// Where the conflict dialog marks your version and the friend's edited version in bold: the values of
// the attributes that differ, and the part of the body from the first difference up to the text that
// both share at the end. A pure function of the two box texts, so it is tested without any window.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace korvane {

// Characters [start, end) of one box text shown in bold.
struct BoldRange {
    std::size_t start = 0;
    std::size_t end = 0;
    bool operator==(const BoldRange&) const = default;
};

struct DiffMarks {
    std::vector<BoldRange> local;  // sorted, disjoint, never empty ranges
    std::vector<BoldRange> server;
    bool operator==(const DiffMarks&) const = default;
};

// The bold ranges for the texts of the local box and the edited (server) box, counted in UTF-16 code
// units as the boxes hold them; a range never splits a surrogate pair. A line break counts as one
// character. Linear in the texts' lengths, whatever they are.
DiffMarks markDifferences(std::u16string_view local, std::u16string_view server);

// The same for two TiddlyWiki 5 tiddlers in TiddlyWiki's .tid form (`name: value` lines, an empty line,
// the text; a line break is a line feed or a paragraph separator): the value of every field line that
// the other version lacks or holds otherwise (its name, when the value is empty), and the text from the
// first difference up to what both share at the end. A text without field lines (the indented JSON form)
// is all text; an empty text (a version that is not there) marks nothing.
DiffMarks markFieldDifferences(std::u16string_view local, std::u16string_view server);

}  // namespace korvane
