// The paths given on Korvane's command line: "/local PATH /remote PATH [/lastmerge PATH] [/output PATH]".
// Pure and toolkit-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct CommandLinePaths {
    std::string local;
    std::string remote;
    std::string unedited;
    // Where git's merge tool wants the merged document ("/output PATH" after "/remote"); empty for an
    // ordinary merge of the three files.
    std::string output{};
    bool operator==(const CommandLinePaths&) const = default;
};

// `arguments` are the program's arguments after its name, exactly as the system handed them over.
// Only a whole argument "/local", "/remote" or "/lastmerge" (case-sensitive) is an option word, so a
// path that contains one ("/home/ann/remote/wiki.html") stays whole. The first of each word decides:
// "/local" before "/remote" gives the local path between them and the remote path up to a later
// "/lastmerge" (the unedited path after it) or to the end (the unedited path then empty). The
// arguments of one path are joined by single spaces, so a path with spaces may be given unquoted;
// each path loses the spaces at both ends, while tabs and quotes stay. A relative path is taken from
// `startFolder`, the folder the program was started in (unless that is empty). Anything else gives
// nothing, and the remembered paths stand. A "/output" after "/remote" ends the paths before it and
// gives the output path up to the end.
// Takes a whole argument "/review" (the review window instead of one dialog per difference) off the
// front or the end of the arguments; true when there was one. A "/review" between other arguments is
// part of a path.
bool takeReviewWord(std::vector<std::string>& arguments);

std::optional<CommandLinePaths> parseCommandLine(const std::vector<std::string>& arguments,
                                                 std::string_view startFolder);

// What is not understood in arguments (without "/review") that give no paths, in one sentence for
// standard error: a word that looks like an option and is none ("/locl"), and which option word is
// missing or out of place. Empty when the arguments give paths, or when there are none.
std::string commandLineProblem(const std::vector<std::string>& arguments);

}  // namespace korvane
