// Generates wiki documents of the project's own for benchmarks and the demo: N tiddlers with about
// 600 bytes of text each, in the early (escaped) form, the later (<pre>) form, or as a TiddlyWiki 5
// page with a JSON store that also holds a 2 MB `$:/core` plugin and a story list that differs between
// the two sides.
#pragma once

#include <cstddef>
#include <string>

namespace korvane::bench {

struct WikiShape {
    std::size_t tiddlers = 50000;
    bool laterFormat = false;
    bool tw5 = false;  // generateTrio: a TiddlyWiki 5 JSON store (laterFormat is then ignored)
};

// One tiddler element; `variant` changes the text and the modified stamp.
std::string generatedTiddler(std::size_t index, bool laterFormat, int variant = 0);

// A whole document with tiddlers 0..N-1.
std::string generateWiki(const WikiShape& shape);

// A local/remote/unedited trio grown from one unedited wiki: each side changes about 1% of the
// tiddlers, deletes and adds a few, a few tiddlers change identically on both sides, and a few change
// differently on both.
struct WikiTrio {
    std::string local;
    std::string remote;
    std::string unedited;
};
WikiTrio generateTrio(const WikiShape& shape);

}  // namespace korvane::bench
