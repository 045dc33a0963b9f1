// A small sample trio for trying Korvane: your wiki, the copy a friend edited, and the unedited copy
// both started from, with a tiddler in every kind of difference that a merge can meet.
#pragma once

#include <string>

namespace korvane::demo {

struct Trio {
    std::string local;
    std::string remote;
    std::string unedited;
};

Trio demoTrio();

// The same story in a TiddlyWiki 5 page with a JSON store, as TiddlyWiki 5.2 and later save it: an
// edit on each side, a deletion, an addition on each side, one conflict and a changed story list.
Trio tw5DemoTrio();

// Writes local.html, remote.html and unedited.html, and the TiddlyWiki 5 trio as tw5-local.html,
// tw5-remote.html and tw5-unedited.html, into `folder`, which is made (with its parents) when it does
// not exist; false with `error` set on failure ("Could not write PATH: " or "Could not make the folder
// FOLDER: " and the system's reason).
bool writeDemoTrio(const std::string& folder, std::string& error);

}  // namespace korvane::demo
