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

// Writes local.html, remote.html and unedited.html into `folder`; false with `error` set on failure
// ("Could not write PATH: " and the system's reason).
bool writeDemoTrio(const std::string& folder, std::string& error);

}  // namespace korvane::demo
