// The texts of a merge run: loading a trio and its offers (the .LastMerge copy, a sync tool's copy, an
// earlier save), the question before a mass deletion, the conflict dialogs' questions and errors, and
// the review window's offer and save. Exactly as the user sees them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "merge/Messages.h"

namespace korvane::msg {

// Loading a trio: the paths, the offers of another file, the documents read.
inline constexpr std::string_view kRemoteNotFound = "Remote file was not found.";
inline constexpr std::string_view kLocalNotFound = "Local file was not found.";
inline constexpr std::string_view kUneditedNotFound =
    "Unedited copy of remote TiddlyWiki file was not found.";
inline constexpr std::string_view kUneditedSameFile =
    "The unedited copy must be a different file from the local and remote files.";
inline constexpr std::string_view kUseLastMerge =
    "There is a .LastMerge file for the local file.  Use this as the original unedited version?";
inline constexpr std::string_view kUseLastMergeTitle = "Use .LastMerge file?";
inline constexpr std::string_view kIdentical = "The content of the remote and local files are the same.";
inline constexpr std::string_view kIdenticalTitle = "Identical";
inline constexpr std::string_view kRemoteBlank = "Error: The remote file was blank.";
inline constexpr std::string_view kFileErrorTitle = "File error";
inline constexpr std::string_view kFileFormat = "Error with file format.  Must be ASCII or UTF8.";
inline constexpr std::string_view kErrorTitle = "Error";

// The question before a merge that would delete most of the wiki.
inline std::string massDeletion(bool byRemote, std::size_t deleted, std::size_t held) {
    return std::string(byRemote ? "The friend's file would delete " : "Your file would delete ") +
           countText(deleted) + (byRemote ? " of your " : " of the friend's ") + countText(held) +
           " tiddlers. It may be cut short or damaged. Merge anyway?";
}
inline constexpr std::string_view kMassDeletionTitle = "Merge Anyway?";

// The merge itself and the conflict dialogs.
inline constexpr std::string_view kOutOfMemory =
    "Error: There is not enough memory to merge these files. No file was changed.";
inline constexpr std::string_view kKeepEdits =
    "You have edited the tiddler you selected.  Do you want to keep those edits?";
inline constexpr std::string_view kKeepEditsTitle = "Keep Edits?";
inline constexpr std::string_view kInternalError = "Error: Internal merge error. #9668736";

// The offers of a sync tool's conflict copy and of an earlier save.
inline std::string useSyncCopy(const std::string& path) {
    return "There is a conflict copy of the local file, left by a file-syncing tool: " + quoted(path) +
           ".  Merge it as the remote file?";
}
inline constexpr std::string_view kUseSyncCopyTitle = "Use conflict copy?";
// What a found save settles: ": 30 of yours, 27 of your friend's".
inline std::string settledSides(std::size_t yours, std::size_t friends) {
    return ": " + countText(yours) + " of yours, " + countText(friends) + " of your friend's";
}
// `date` as localMinute() writes it.
inline std::string useFoundCopy(const std::string& path, const std::string& date, std::size_t settled,
                                std::size_t differences, std::size_t yours, std::size_t friends) {
    return "Korvane found an earlier save of your file, " + path + ", from " + date + ", that settles " +
           countText(settled) + " of the " + countText(differences) + " differences" +
           settledSides(yours, friends) + ". Use it as the unedited copy?";
}
inline constexpr std::string_view kUseFoundCopyTitle = "Use earlier save?";

// The review window.
// Asked once before the first conflict dialog of a merge with many differences.
inline std::string reviewOffer(std::size_t differences) {
    return "This merge has " + countText(differences) +
           " differences. Settle them in the review window instead of one dialog each?";
}
// Two earlier saves that cannot both be the copy both sides started from.
inline std::string savesDisagree(const std::string& older, const std::string& newer) {
    return "No earlier save is used as the unedited copy: " + quoted(older) + " and " + quoted(newer) +
           " would settle some differences the opposite way, so at most one of them is the copy both of you "
           "started from.";
}
// What the review window's save wrote.
inline std::string reviewSaved(const std::vector<std::string>& paths) {
    std::string text = "The merged wiki is saved in:";
    for (const std::string& p : paths) {
        text += "\n" + p;
    }
    return text;
}

// A wiki kept as a folder given with one kept as a file.
inline std::string folderBesideFile(std::string_view folderRole, const std::string& folder,
                                    std::string_view fileRole, const std::string& file) {
    return "Error: These wikis are kept in different ways and cannot be merged: " + std::string(folderRole) +
           " " + quoted(folder) + " is a folder, " + std::string(fileRole) + " " + quoted(file) +
           " is a file." + std::string(kNoFileChanged);
}

}  // namespace korvane::msg
