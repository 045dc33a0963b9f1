// The paths given on Korvane's command line: "/local PATH /remote PATH [/lastmerge PATH]", taken as one
// string. Pure and toolkit-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

struct CommandLinePaths {
    std::string local;
    std::string remote;
    std::string unedited;
    bool operator==(const CommandLinePaths&) const = default;
};

// The first "/local", "/remote" and "/lastmerge" (case-sensitive) decide: "/local" before "/remote"
// gives the local path between them and the remote path up to a later "/lastmerge" (the unedited path
// after it) or to the end (the unedited path then empty). Each path loses the spaces at both ends;
// tabs and quotes stay. Anything else gives nothing, and the remembered paths stand.
std::optional<CommandLinePaths> parseCommandLine(std::string_view commandLine);

}  // namespace korvane
