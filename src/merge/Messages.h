// The texts that a merge run shows to the user, exactly as the user sees them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace korvane::msg {

// A path as messages show it, in double quotes.
inline std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

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
inline constexpr std::string_view kNoStoreArea = "Error: Current document has no storeArea.";

// A document that cannot take part in a merge. Its message is what is wrong, then a line that names
// the file by its role and path: "Remote file: "PATH". No file was changed."
inline constexpr std::string_view kStoreAreaCutShort =
    "Error: The storeArea has no closing </div> tag: the file looks cut short, for example by an "
    "interrupted save or sync.";
inline constexpr std::string_view kEndCutShort =
    "Error: The file does not end with </html>: it looks cut short after its storeArea, for example by "
    "an interrupted save or sync.";
inline constexpr std::string_view kNoBoot =
    "Error: The TiddlyWiki 5 page is not whole: the part that TiddlyWiki writes after its tiddler store "
    "(the empty storeArea after the JSON store, then the boot kernel) is missing. The file looks cut short "
    "or damaged.";
inline constexpr std::string_view kNoCore =
    "Error: The file holds no $:/core and loads no TiddlyWiki core from a script file: it is not a whole "
    "TiddlyWiki 5 wiki, and merging it would drop the core from the merged wiki.";
inline constexpr std::string_view kLocalRole = "Local file";
inline constexpr std::string_view kRemoteRole = "Remote file";
inline constexpr std::string_view kUneditedRole = "Unedited copy";
// The end of a message about a run or a save that stopped with every file as it was.
inline constexpr std::string_view kNoFileChanged = " No file was changed.";
inline std::string documentRefused(std::string_view problem, std::string_view role, const std::string& path) {
    return std::string(problem) + "\n" + std::string(role) + ": \"" + path + "\"." +
           std::string(kNoFileChanged);
}
// The line added to a message that names only a file's role, so that it says which file is meant.
inline std::string pathLine(const std::string& path) {
    return "\n" + quoted(path);
}
// A message as a command that never writes shows it: without the closing "No file was changed.",
// which there would say nothing.
inline std::string withoutNoFileChanged(std::string text) {
    if (text.ends_with(kNoFileChanged)) {
        text.resize(text.size() - kNoFileChanged.size());
    }
    return text;
}

// A count as messages write it, with a comma between thousands: "2,106".
inline std::string countText(std::size_t n) {
    std::string digits = std::to_string(n);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return digits;
}
inline std::string massDeletion(bool byRemote, std::size_t deleted, std::size_t held) {
    return std::string(byRemote ? "The friend's file would delete " : "Your file would delete ") +
           countText(deleted) + (byRemote ? " of your " : " of the friend's ") + countText(held) +
           " tiddlers. It may be cut short or damaged. Merge anyway?";
}
inline constexpr std::string_view kMassDeletionTitle = "Merge Anyway?";
// The same stop without a person present.
inline std::string massDeletionStopped(bool byRemote, std::size_t deleted, std::size_t held,
                                       const std::string& path) {
    return "Error: The " + std::string(byRemote ? "remote" : "local") + " file " + quoted(path) +
           " would delete " + countText(deleted) + " of the " + countText(held) + " tiddlers that the " +
           (byRemote ? "local" : "remote") +
           " file and the unedited copy both hold; it may be cut short or damaged. Give --allow-deletions to "
           "merge anyway." +
           std::string(kNoFileChanged);
}

// --- TiddlyWiki 5 documents ---
inline constexpr std::string_view kEncrypted =
    "Error: The file is an encrypted TiddlyWiki. Encrypted wikis cannot be merged: open it in TiddlyWiki "
    "and save it without a password first.";
// A password was given for an encrypted document and does not open it.
inline std::string passwordDoesNotOpen(const std::string& path) {
    return "The password does not open " + path;
}
inline std::string passwordFileUnreadable(const std::string& path, const std::string& reason) {
    return "Error: The password file " + quoted(path) + " cannot be read: " + reason + "." +
           std::string(kNoFileChanged);
}
// A password file that is a pipe no one wrote a line to within the time limit.
inline std::string passwordFileSilent(const std::string& path, int seconds) {
    return "Error: The password file " + quoted(path) + " gave no password within " +
           std::to_string(seconds) + " seconds." + std::string(kNoFileChanged);
}
inline std::string passwordFileEmpty(const std::string& path) {
    return "Error: The password file " + quoted(path) + " holds no password: its first line is empty." +
           std::string(kNoFileChanged);
}
inline std::string passwordCommandFailed(const std::string& command, int status) {
    return "Error: The password command " + quoted(command) + " (git config korvane.passwordCommand) ended " +
           (status < 0 ? std::string("abnormally") : "with exit status " + std::to_string(status)) + "." +
           std::string(kNoFileChanged);
}
inline std::string passwordCommandTimedOut(const std::string& command, int seconds) {
    return "Error: The password command " + quoted(command) +
           " (git config korvane.passwordCommand) gave no password within " + std::to_string(seconds) +
           " seconds and was stopped." + std::string(kNoFileChanged);
}
inline std::string passwordCommandSilent(const std::string& command) {
    return "Error: The password command " + quoted(command) +
           " (git config korvane.passwordCommand) printed no password." + std::string(kNoFileChanged);
}
// The summary's line when an encrypted remote file meets a local file without a password.
inline constexpr std::string_view kResultNotEncrypted =
    "The remote file is encrypted and the local file is not: the merged wiki is written without a "
    "password, as the local file is.";
inline constexpr std::string_view kResultNotEncryptedTitle = "Not Encrypted";
// The merged store could not be encrypted again (OpenSSL failed).
inline constexpr std::string_view kEncryptFailed = "the merged store could not be encrypted";
inline std::string storeDamaged(const std::string& problem) {
    return "Error: The TiddlyWiki 5 store of this file cannot be read safely: " + problem +
           ". TiddlyWiki itself would not load all of its tiddlers.";
}
// Both versions of a tiddler that is active in the wiki (a plugin, a module, a draft, a `$:/tags/…`
// tiddler) kept: which one stays active, and the inert copy that holds the other with its active fields
// renamed. `kept` and `other` name the sides ("the local version", "yours").
inline std::string inertCopyText(std::string_view kept, std::string_view other, const std::string& copy,
                                 const std::vector<std::string>& renamed) {
    std::string text =
        std::string(kept) + " stays active; " + std::string(other) + " is the inert copy " + quoted(copy);
    for (std::size_t i = 0; i < renamed.size(); ++i) {
        text += (i == 0 ? ", with " : " and ") + renamed[i] + " renamed conflict." + renamed[i];
    }
    return text;
}
// The line of korvane-cli for such a tiddler; `title` and `copy` as the line shows them.
inline std::string inertCopyKept(const std::string& title, bool localActive, const std::string& copy,
                                 const std::vector<std::string>& renamed) {
    return "Kept both versions of " + quoted(title) + ": " +
           inertCopyText(localActive ? "the local version" : "the remote version",
                         localActive ? "the remote version" : "the local version", copy, renamed) +
           ".";
}
// A document of one format against one of another ("TiddlyWiki Classic", "TiddlyWiki 5").
inline std::string mixedKinds(std::string_view role, const std::string& path, std::string_view kind,
                              std::string_view otherRole, const std::string& otherPath,
                              std::string_view otherKind) {
    return "Error: These files are different kinds of TiddlyWiki and cannot be merged: " + std::string(role) +
           " " + quoted(path) + " is a " + std::string(kind) + " file, " + std::string(otherRole) + " " +
           quoted(otherPath) + " is a " + std::string(otherKind) + " file." + std::string(kNoFileChanged);
}
// The merged store did not read back under the rules that keep the wiki loadable.
inline std::string mergedStoreRefused(const std::string& problem, const std::string& localPath) {
    return "Error: The merged wiki was not saved: its tiddler store did not pass the check that TiddlyWiki "
           "can load it (" +
           problem + ").\nLocal file: " + quoted(localPath) + "." + std::string(kNoFileChanged);
}
// The problem, within mergedStoreRefused, of a tiddler that the local div store cannot hold.
inline std::string fieldNotInDivStore(const std::string& title, const std::string& field) {
    return "the tiddler " + quoted(title) + " has a field " + quoted(field) +
           " that a TiddlyWiki 5.1 div store cannot hold; save the local wiki once with a later TiddlyWiki "
           "to "
           "give it a JSON store";
}
inline std::string coreKept(const std::string& localVersion, const std::string& remoteVersion) {
    return "The remote file holds version " + remoteVersion + " of $:/core, the local file version " +
           localVersion +
           ". The merged wiki keeps the local $:/core: the page that is written is the local file's, and "
           "its boot code and $:/core are released together. To move to another TiddlyWiki version, "
           "upgrade the wiki in TiddlyWiki itself.";
}
inline constexpr std::string_view kCoreKeptTitle = "$:/core kept";
// Both sides changed the same part of a tiddler's text, and that part is too large to merge word by word.
inline std::string textTooLargeForWords(std::string_view title) {
    return "The text of " + quoted(std::string(title)) +
           " is not merged word by word: the part both sides changed is too large to merge within 8 times "
           "its size. The tiddler stays a conflict.";
}
// An edited dialog box that does not read back as a tiddler.
inline std::string boxRefused(const std::string& problem) {
    return "This box does not read as a tiddler: " + problem +
           "\n\nCorrect it (fields as \"name: value\" lines, a blank line, then the text), or undo the edit.";
}
inline constexpr std::string_view kBoxRefusedTitle = "Edit not accepted";
// An edited box of an early-format tiddler that does not read back as one entry of the store.
inline std::string entryRefused(std::string_view problem) {
    return "This box does not read as a tiddler: " + std::string(problem) +
           "\n\nCorrect it, or undo the edit.";
}
inline constexpr std::string_view kNotOneEntry =
    "It must be one whole entry: the attributes as name=\"value\", the title among them, then \">\" and the "
    "text, which closes no element it did not open.";
inline constexpr std::string_view kTitleChanged =
    "Its title is not the title of this version. A tiddler cannot be renamed here.";
// The last line of a plugin's summary box.
inline constexpr std::string_view kPluginSummaryNote =
    "(A plugin is shown as this summary. Choose the version to keep with the buttons.)";

inline constexpr std::string_view kOutOfMemory =
    "Error: There is not enough memory to merge these files. No file was changed.";
inline constexpr std::string_view kKeepEdits =
    "You have edited the tiddler you selected.  Do you want to keep those edits?";
inline constexpr std::string_view kKeepEditsTitle = "Keep Edits?";
inline constexpr std::string_view kInternalError = "Error: Internal merge error. #9668736";
// The conflict dialog's caption.
inline std::string mergingItem(std::size_t n, std::size_t m) {
    return "Merging item " + std::to_string(n) + " of " + std::to_string(m);
}
inline constexpr std::string_view kSameAsLocal = "[Same as local.]";
inline constexpr std::string_view kSameAsRemote = "[Same as remote.]";

inline constexpr std::string_view kSaveFiles =
    "Save merged changes to Local, Remote and Unedited copy? "
    "Note Unedited copy will be created if missing using the extension .LastMerge";
inline constexpr std::string_view kSaveFilesTitle = "Save Files?";
inline constexpr std::string_view kServerErrorTitle = "Server Error";
inline constexpr std::string_view kRemoteChanged =
    "Error: There was a conflict updating the files. Remote file changed. Please try again.";
inline constexpr std::string_view kLocalChanged =
    "Error: There was a conflict updating the files. Local file changed. Please try again.";
inline constexpr std::string_view kOriginalChanged =
    "Error: There was a conflict updating the files. Original file changed. Please try again.";

// "Error: Could not read the file "PATH": REASON. No file was changed."
inline std::string cannotRead(const std::string& path, const std::string& reason) {
    return "Error: Could not read the file \"" + path + "\": " + reason + ". No file was changed.";
}

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

// The line added to a "not found" message when something other than a regular file stands there.
inline std::string standsThere(const std::string& path, const std::string& what) {
    std::string line = "\n";  // built by appending: g++ 12 warns wrongly about "\n" + a temporary
    return line.append(quoted(path)).append(" is ").append(what).append(".");
}

// Completes "PATH is ..." for a path that Korvane cannot read or replace; empty for a regular file.
inline std::string refusal(const FileInfo& info) {
    switch (info.kind) {
        case FileKind::Regular:
            return {};
        case FileKind::Missing:
            return "no longer there";
        case FileKind::Directory:
            return "a folder, not a regular file";
        case FileKind::Pipe:
            return "a named pipe (FIFO), not a regular file";
        case FileKind::Device:
            return "a device, not a regular file";
        case FileKind::BrokenLink:
            return "a symbolic link to a file that does not exist";
        case FileKind::Other:
            break;
    }
    return "not a regular file (" + info.reason + ")";
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
// hard links...); empty when it can.
inline std::string targetProblem(const std::string& path, const FileInfo& info) {
    if (const std::string what = refusal(info); !what.empty()) {
        return targetRefused(path, what);
    }
    return info.links > 1 ? targetHardLinked(path, info.links) : std::string();
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

// --- Writing one file only (git's merge tools), and the conflict copies of file-syncing tools. ---

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

inline std::string useSyncCopy(const std::string& path) {
    return "There is a conflict copy of the local file, left by a file-syncing tool: " + quoted(path) +
           ".  Merge it as the remote file?";
}
inline constexpr std::string_view kUseSyncCopyTitle = "Use conflict copy?";
// `date` as localMinute() writes it.
// What a found save settles: ": 30 of yours, 27 of your friend's".
inline std::string settledSides(std::size_t yours, std::size_t friends) {
    return ": " + countText(yours) + " of yours, " + countText(friends) + " of your friend's";
}
inline std::string useFoundCopy(const std::string& path, const std::string& date, std::size_t settled,
                                std::size_t differences, std::size_t yours, std::size_t friends) {
    return "Korvane found an earlier save of your file, " + path + ", from " + date + ", that settles " +
           countText(settled) + " of the " + countText(differences) + " differences" +
           settledSides(yours, friends) + ". Use it as the unedited copy?";
}
inline constexpr std::string_view kUseFoundCopyTitle = "Use earlier save?";
// Asked once before the first conflict dialog of a merge with many differences.
inline std::string reviewOffer(std::size_t differences) {
    return "This merge has " + countText(differences) +
           " differences. Settle them in the review window instead of one dialog each?";
}
inline std::string foundCopyUsed(const std::string& path, const std::string& date, std::size_t explained,
                                 std::size_t differences, std::size_t yours, std::size_t friends) {
    return "Unedited copy: " + path + ", saved " + date + ", explains " + std::to_string(explained) + " of " +
           std::to_string(differences) + " differences" + settledSides(yours, friends);
}
inline std::string savesDisagree(const std::string& older, const std::string& newer) {
    return "No earlier save is used as the unedited copy: " + quoted(older) + " and " + quoted(newer) +
           " would settle some differences the opposite way, so at most one of them is the copy both of you "
           "started from.";
}
inline constexpr std::string_view kLastMergeNotUsed =
    "The .LastMerge file is not used as the unedited copy; the merge goes on without it.";
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
// What the review window's save wrote.
inline std::string reviewSaved(const std::vector<std::string>& paths) {
    std::string text = "The merged wiki is saved in:";
    for (const std::string& p : paths) {
        text += "\n" + p;
    }
    return text;
}
// Why a conflict copy that changed after the run read it stays.
inline constexpr std::string_view kCopyChangedSinceRead =
    "it changed after Korvane read it, and its changes are in no merged file";
inline std::string syncCopyNotDeleted(const std::string& path, const std::string& reason) {
    return "Error: The conflict copy " + quoted(path) + " could not be deleted: " + reason + ".";
}

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
