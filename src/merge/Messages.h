// The texts that a merge run shows to the user, exactly as the user sees them.
#pragma once

#include <string>
#include <string_view>

namespace korvane::msg {

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
inline constexpr std::string_view kLocalRole = "Local file";
inline constexpr std::string_view kRemoteRole = "Remote file";
inline constexpr std::string_view kUneditedRole = "Unedited copy";
inline constexpr std::string_view kNoFileChanged = " No file was changed.";
inline std::string documentRefused(std::string_view problem, std::string_view role, const std::string& path) {
    return std::string(problem) + "\n" + std::string(role) + ": \"" + path + "\"." +
           std::string(kNoFileChanged);
}
// A message as a command that never writes shows it: without the closing "No file was changed.",
// which there would say nothing.
inline std::string withoutNoFileChanged(std::string text) {
    if (text.ends_with(kNoFileChanged)) {
        text.resize(text.size() - kNoFileChanged.size());
    }
    return text;
}

inline constexpr std::string_view kOutOfMemory =
    "Error: There is not enough memory to merge these files. No file was changed.";
inline constexpr std::string_view kKeepEdits =
    "You have edited the tiddler you selected.  Do you want to keep those edits?";
inline constexpr std::string_view kKeepEditsTitle = "Keep Edits?";
inline constexpr std::string_view kInternalError = "Error: Internal merge error. #9668736";
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

// A save that failed before any file was replaced.
inline std::string saveFailedUnchanged(const std::string& action, const std::string& path,
                                       const std::string& reason) {
    return "Error: The merged document was not saved: " + action + " \"" + path + "\" failed: " + reason +
           ". No file was changed.";
}

inline std::string remoteNotPutBack(const std::string& backupPath, const std::string& reason) {
    return "\n\nThe remote file could not be put back under its own name (" + reason + "); it is now \"" +
           backupPath + "\".";
}

}  // namespace korvane::msg
