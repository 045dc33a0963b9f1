// The texts of korvane-cli: the stop before a mass deletion, the found copy and the .LastMerge copy
// as a run without a person names them, the summary lines of `merge`, and git's merge driver. Exactly as
// the user sees them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "merge/Messages.h"
#include "merge/run/RunMessages.h"

namespace korvane::msg {

// The stop before a merge that would delete most of the wiki, without a person present.
inline std::string massDeletionStopped(bool byRemote, std::size_t deleted, std::size_t held,
                                       const std::string& path) {
    return "Error: The " + std::string(byRemote ? "remote" : "local") + " file " + quoted(path) +
           " would delete " + countText(deleted) + " of the " + countText(held) + " tiddlers that the " +
           (byRemote ? "local" : "remote") +
           " file and the unedited copy both hold; it may be cut short or damaged. Give --allow-deletions to "
           "merge anyway." +
           std::string(kNoFileChanged);
}
inline std::string foundCopyUsed(const std::string& path, const std::string& date, std::size_t explained,
                                 std::size_t differences, std::size_t yours, std::size_t friends) {
    return "Unedited copy: " + path + ", saved " + date + ", explains " + std::to_string(explained) + " of " +
           std::to_string(differences) + " differences" + settledSides(yours, friends);
}
inline constexpr std::string_view kLastMergeNotUsed =
    "The .LastMerge file is not used as the unedited copy; the merge goes on without it.";
// The headless merge's last line: what it decided and what it wrote.
inline std::string mergeSummary(std::size_t titles, std::size_t differed, std::size_t conflicts,
                                std::string_view rule, std::string_view written) {
    return "Merged " + std::to_string(titles) + " titles: " + std::to_string(differed) + " differed, " +
           std::to_string(conflicts) + " of them conflicts settled by --conflicts " + std::string(rule) +
           "; " + std::string(written) + ".";
}
// What korvane-cli merge's summary says of a sync tool's conflict copy merged as the remote file.
inline std::string syncCopyLeft(const std::string& path) {
    return "; left the conflict copy " + quoted(path) + " as it was (--delete-copy deletes it)";
}
inline std::string syncCopyDeleted(const std::string& path) {
    return "; deleted the conflict copy " + quoted(path);
}
// The summary of a run that merged inside tiddlers and settled what stayed a conflict by the default
// rule: how many were merged, and the titles of the conflicts (their conflict copies where made).
inline std::string mergeSummaryInside(std::size_t titles, std::size_t differed, std::size_t merged,
                                      const std::vector<std::string>& conflicts, std::string_view written) {
    std::string text = "Merged " + std::to_string(titles) + " titles: " + std::to_string(differed) +
                       " differed, " + std::to_string(merged) + " of them merged inside the tiddler, " +
                       std::to_string(conflicts.size()) +
                       (conflicts.size() == 1 ? " stayed a conflict" : " stayed conflicts");
    for (std::size_t i = 0; i < conflicts.size(); ++i) {
        text += (i == 0 ? ": " : ", ") + quoted(conflicts[i]);
    }
    return text + "; " + std::string(written) + ".";
}
// git's merge driver: one side is a wiki and the other is not; the file is left as ours, conflicted.
inline std::string driverOneSideOnly(const std::string& path, bool oursIsWiki) {
    return "Error: " + quoted(path) + ": " + (oursIsWiki ? "our" : "their") +
           " version is a TiddlyWiki and " + (oursIsWiki ? "their" : "our") +
           " version is not (an empty file, a page without a tiddler store, or a wiki cut short before it). "
           "Korvane does not merge them line by line, which would put conflict markers into the wiki; our "
           "version stays in place and git marks the file conflicted, so choose a version by hand.";
}
inline std::string driverWithoutBase(const std::string& path) {
    return "The common ancestor of " + quoted(path) +
           " is not a TiddlyWiki; the two versions are merged without it, so every difference is a conflict.";
}
inline std::string outputIsInput(const std::string& path) {
    return "Error: " + quoted(path) + " is one of the files being merged; --out must name another file.";
}

}  // namespace korvane::msg
