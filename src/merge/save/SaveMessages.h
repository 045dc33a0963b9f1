// The texts of the saves: the question before a save, the files a save will not replace, what a save
// that failed or was cut off left and where, the save of one output file, and the deletion of a sync
// tool's conflict copy after a merge. Exactly as the user sees them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "merge/Messages.h"
#include "merge/model/Trio.h"
#include "platform/FileSystem.h"

namespace korvane::msg {

inline constexpr std::string_view kSaveFiles =
    "Save merged changes to Local, Remote and Unedited copy? "
    "Note Unedited copy will be created if missing using the extension .LastMerge";
inline constexpr std::string_view kServerErrorTitle = "Server Error";
inline constexpr std::string_view kRemoteChanged =
    "Error: There was a conflict updating the files. Remote file changed. Please try again.";
inline constexpr std::string_view kLocalChanged =
    "Error: There was a conflict updating the files. Local file changed. Please try again.";
inline constexpr std::string_view kOriginalChanged =
    "Error: There was a conflict updating the files. Original file changed. Please try again.";

// A save that failed before any file was replaced; the caller adds where the remote file is, when it
// could not be put back.
inline std::string saveFailed(const std::string& action, const std::string& path, const std::string& reason) {
    return "Error: The merged document was not saved: " + action + " \"" + path + "\" failed: " + reason +
           ".";
}

// A save that failed before any file was replaced, with every file as it was.
inline std::string saveFailedUnchanged(const std::string& action, const std::string& path,
                                       const std::string& reason) {
    return saveFailed(action, path, reason) + " No file was changed.";
}

inline std::string remoteNotPutBack(const std::string& backupPath, const std::string& reason) {
    return "\n\nThe remote file could not be put back under its own name (" + reason + "); it is now \"" +
           backupPath + "\".";
}

// --- The guarded save: files it will not replace, and what a save that was cut off left behind. ---

// "WHAT" completes "PATH is ...": "a folder, not a regular file".
inline std::string targetRefused(const std::string& path, const std::string& what) {
    return "Error: The merged document was not saved: \"" + path + "\" is " + what + ". No file was changed.";
}

inline std::string targetHardLinked(const std::string& path, unsigned links) {
    return "Error: The merged document was not saved: \"" + path + "\" is one of " + std::to_string(links) +
           " names (hard links) of the same file. Saving replaces the file under this name only, and the "
           "other names would keep the old content, so Korvane leaves it alone. Keep a single name for "
           "the file, or use a symbolic link instead. No file was changed.";
}

// Why the save cannot replace the file found at `path` (a folder, a pipe, a broken link, one of several
// hard links...); none when it can. A wiki kept as a folder is replaced by a folder.
inline std::optional<std::string> targetProblem(const std::string& path, const FileInfo& info,
                                                WikiForm form = WikiForm::File) {
    if (form == WikiForm::Folder) {
        if (info.kind == FileKind::Directory) {
            return std::nullopt;
        }
        return targetRefused(
            path, info.kind == FileKind::Regular ? "a file, where a folder was read" : *refusal(info));
    }
    if (const std::optional<std::string> what = refusal(info)) {
        return targetRefused(path, *what);
    }
    if (info.links > 1) {
        return targetHardLinked(path, info.links);
    }
    return std::nullopt;
}

// The three files a save replaces, in the order remote, local, unedited copy, as messages name them.
inline constexpr std::string_view kTargetNames[3] = {"the remote file", "your local file",
                                                     "the unedited copy"};

// What a file holds, as a line of "Where your documents are now" or of what an interrupted save left.
inline constexpr std::string_view kHoldsMerged = "the merged document";
inline constexpr std::string_view kNotCreatedYet = "not created yet";
inline constexpr std::string_view kMissing = "missing";
inline constexpr std::string_view kUnchangedSuffix = ", unchanged";
inline constexpr std::string_view kRemoteAsItWas = "the remote file as it was before this merge";
inline constexpr std::string_view kAsItWas = " as it was before this merge";
inline std::string whereLine(const std::string& path, std::string_view what) {
    return "\n\"" + path + "\": " + std::string(what);
}

// The replacement of one target failed after others were replaced; the lines that say where every
// content is follow.
inline std::string partlySaved(const std::string& temp, const std::string& path, const std::string& reason) {
    return "Error: The merged document could not be saved to every file: renaming " + quoted(temp) + " to " +
           quoted(path) + " failed: " + reason + ".\n\nWhere your documents are now:";
}

// The action that failed, as "... failed" messages name it.
inline constexpr std::string_view kWriting = "writing";
inline constexpr std::string_view kRenaming = "renaming";
inline constexpr std::string_view kRemoving = "removing";
inline std::string renamingTo(const std::string& from) {
    return std::string(kRenaming) + " " + quoted(from) + " to";
}
inline constexpr std::string_view kNoBackupName = "no free backup name";
inline constexpr std::string_view kNoTempName = "no free temporary name";
// The merged document of wikis read as folders does not give every file of a folder.
inline constexpr std::string_view kNotAWholeFolder =
    "Error: The merged document was not saved: it does not give the files of a folder, and the wikis are "
    "folders. No file was changed.";

inline std::string noteNotRemoved(const std::string& notePath, const std::string& reason) {
    return "The merged document was saved to all three files, but the note of the save " + quoted(notePath) +
           " could not be removed: " + reason + ". You may delete it.";
}

inline std::string tempNotRemoved(const std::string& temp, const std::string& reason) {
    return "\n\n\"" + temp + "\" holds a copy of the merged document that could not be removed (" + reason +
           "); you may delete it.";
}

// Added to a message whenever the note of a save stays on disk.
inline std::string saveNoteKept(const std::string& notePath) {
    return "\n\n\"" + notePath +
           "\": a note of this save; when Korvane is started again with the same files, it offers to put "
           "them in order.";
}

inline constexpr std::string_view kSavedBut = "The merged document was saved to all three files, but ";
// A file exchanged out of its place (what the path held before the merge) that could not be removed,
// as the first or a further sentence of the message.
inline std::string oldCopyNotRemoved(bool first, const std::string& path, std::string_view what,
                                     const std::string& reason) {
    return std::string(first ? kSavedBut : " Also, ") + quoted(path) + ", which holds " + std::string(what) +
           " as it was before this merge, could not be removed: " + reason + ". You may delete it.";
}
// A file that could not be put back after a check failed; the lines that say where everything is follow.
inline std::string notPutBack(const std::string& path, const std::string& reason) {
    return "\n\n" + quoted(path) + " could not be put back as it was (" + reason +
           ").\n\nWhere your documents are now:";
}

inline std::string backupNotRemoved(const std::string& backup, const std::string& reason) {
    return std::string(kSavedBut) + "the backup of the remote file " + quoted(backup) +
           " could not be removed: " + reason + ". You may delete it.";
}

inline constexpr std::string_view kInterruptedTitle = "Interrupted Save";
inline constexpr std::string_view kInterruptedFound =
    "An earlier save of these files was cut off before it ended. Korvane found:";
inline constexpr std::string_view kOfferFinish =
    "Every copy of the merged document is complete, and the other files are as that save found them. "
    "Finish that save now (the files that still hold the old documents get the merged document; the "
    "backup and the temporary files are removed)? No leaves every file as it is.";
inline constexpr std::string_view kOfferPutBack =
    "Put the remote file back under its own name now (the temporary files are removed)? No leaves every "
    "file as it is.";
inline constexpr std::string_view kOfferCleanUp =
    "Your files are whole. Remove the files that the save left behind now? No leaves every file as it is.";
inline constexpr std::string_view kNoOffer =
    "Some of these files changed after that save was cut off, so Korvane cannot tell which content to "
    "keep and changes nothing. Please look at them, and delete the note when you are done.";

// What an interrupted save left, line by line.
inline constexpr std::string_view kNoteIncomplete = "an incomplete note of that save; no file was changed";
inline constexpr std::string_view kAsThatSaveFound = " as that save found it";
inline constexpr std::string_view kChangedSinceThatSave = ", changed since that save began";
inline constexpr std::string_view kTempComplete = "a complete copy of the merged document";
inline constexpr std::string_view kTempIncomplete = "an incomplete copy of the merged document";
inline constexpr std::string_view kBackupAsFound = "the remote file as it was before that save";
inline constexpr std::string_view kBackupChanged = "the remote file, changed since that save began";
inline constexpr std::string_view kNoteOfThatSave = "the note of that save";

inline std::string recoveryFailed(const std::string& action, const std::string& path,
                                  const std::string& reason, const std::string& notePath) {
    return "Error: Putting the files of the interrupted save in order stopped: " + action + " \"" + path +
           "\" failed: " + reason + ". The note \"" + notePath +
           "\" stays, so Korvane offers this again when it is started with the same files.";
}

// --- Writing one file only (git's merge tools). ---

inline std::string saveOutput(const std::string& path) {
    return "Save the merged document to " + quoted(path) + "? No other file is changed.";
}
inline std::string leftoverRemoved(const std::string& path, const std::string& output) {
    return "Removed " + quoted(path) + ": a temporary file left behind by an interrupted save of " +
           quoted(output) + ".";
}
inline std::string leftoverNotRemoved(const std::string& path, const std::string& output,
                                      const std::string& reason) {
    return quoted(path) + ": a temporary file left behind by an interrupted save of " + quoted(output) +
           ", could not be removed: " + reason + ". You may delete it.";
}
inline constexpr std::string_view kOutputChanged =
    "Error: There was a conflict updating the files. Output file changed. Please try again.";

// --- The conflict copy of a file-syncing tool, merged as the remote file. ---

inline std::string deleteSyncCopy(const std::string& path) {
    return "Your file now holds everything of the conflict copy " + quoted(path) + ".  Delete the copy?";
}
// When the merged wiki lacks some of the copy's own versions (a side chosen over them, or dropped).
inline std::string deleteSyncCopyLosing(const std::string& path, std::size_t lost) {
    return countText(lost) + (lost == 1 ? " tiddler" : " tiddlers") + " of the conflict copy " +
           quoted(path) + (lost == 1 ? " is" : " are") +
           " not in your file as the copy holds them, and would be lost with it.  Delete the copy anyway?";
}
inline constexpr std::string_view kDeleteSyncCopyTitle = "Delete conflict copy?";
// Why a conflict copy that changed after the run read it stays.
inline constexpr std::string_view kCopyChangedSinceRead =
    "it changed after Korvane read it, and its changes are in no merged file";
inline std::string syncCopyNotDeleted(const std::string& path, const std::string& reason) {
    return "Error: The conflict copy " + quoted(path) + " could not be deleted: " + reason + ".";
}

}  // namespace korvane::msg
