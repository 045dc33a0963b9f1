// The commands of korvane-cli that merge and write: merge, merge-driver, conflicts and git-setup.
// Each takes the program's arguments after its name (the command word first) and gives the exit status.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitConflicts = 1;
inline constexpr int kExitStopped = 2;

inline constexpr std::string_view kMergeUsage =
    "       korvane-cli merge /local LOCAL /remote REMOTE [/lastmerge UNEDITED] [--out FILE]\n"
    "                         [--conflicts both|local|remote|newer] [--dry-run] [--allow-deletions]\n"
    "                         [--no-field-merge] [--no-find-base] [--password-file FILE]\n"
    "                         [--delete-copy]\n"
    "       korvane-cli merge-driver [--allow-deletions] [--no-field-merge] [--password-file FILE]\n"
    "                                BASE OURS THEIRS PATH\n"
    "                                [MARKER-SIZE [OURS-LABEL THEIRS-LABEL]]\n"
    "       korvane-cli undo WIKI\n"
    "       korvane-cli backups WIKI\n"
    "       korvane-cli conflicts WIKI\n"
    "       korvane-cli git-setup [--global] [--apply]\n";

// Appends a value so that it stays within its field and its line: a tab, line feed, carriage return or
// backslash is written \\t, \\n, \\r, \\\\.
void appendEscaped(std::string& line, std::string_view value);

int mergeCommand(const std::vector<std::string>& args);
int mergeDriverCommand(const std::vector<std::string>& args);
int conflictsCommand(const std::vector<std::string>& args);
int undoCommand(const std::vector<std::string>& args);
int backupsCommand(const std::vector<std::string>& args);
int gitSetupCommand(const std::vector<std::string>& args);

void printError(std::string_view line);

// A message of the run as a command prints it: a document without a tiddler store gets a plain line
// that says it is no wiki, and an encrypted one without a password says how `command` is given one.
std::string withAdvice(const std::string& message, std::string_view command);
// "FILE is not a TiddlyWiki file: no tiddler store was found in it."
std::string notAWiki(const std::string& path);

}  // namespace korvane::cli
