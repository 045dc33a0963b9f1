// The words of one korvane-cli command: its flags, its options with a value, the files that /local,
// /remote and /lastmerge name, and its other files. A mistake is named in one line on standard error,
// followed by the command's usage, so that a person sees what was not understood.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "merge/run/MergeRun.h"

namespace korvane::cli {

// An option of a command. `value` is empty for a flag, else what the option takes: a name such as
// "FILE" (any value but an empty one), or its choices separated by '|' ("both|local|remote|newer").
struct OptionSpec {
    std::string_view name;
    std::string_view value = {};
};

struct CommandSpec {
    std::string_view name;
    std::span<const OptionSpec> options;
    bool paths = false;                            // takes /local LOCAL /remote REMOTE [/lastmerge UNEDITED]
    std::span<const std::string_view> files = {};  // the names of its other files, each required
};

struct CommandArgs {
    MergePaths paths;
    std::vector<std::string> files;
    std::vector<std::pair<std::string_view, std::string>> given;  // the options given, in order

    bool has(std::string_view option) const;
    // The last value given to `option`; empty when it was not given.
    std::string value(std::string_view option) const;
};

// Reads `args` (the command word first). False when the command ends here with `status`: 0 after
// printing its help for a "--help" or "-h", 2 after naming a mistake.
bool parseCommand(const std::vector<std::string>& args, const CommandSpec& spec, CommandArgs& parsed,
                  int& status);

// The usage lines of `command` (from its help), or of korvane-cli as a whole when there is no such
// command.
std::string usageOf(std::string_view command);

// Prints "korvane-cli: PROBLEM" and the usage of `command` on standard error; gives exit status 2.
int usageError(std::string_view command, const std::string& problem);

// Prints that `option` is unknown to `command` and where its help is; gives exit status 2.
int unknownOption(std::string_view command, std::string_view option);

// Prints `command`'s whole help on standard output; gives its exit status.
int printHelp(std::string_view command);

}  // namespace korvane::cli
