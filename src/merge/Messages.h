// The texts that a merge run shows to the user, exactly as the user sees them.
#pragma once

#include <string>
#include <string_view>

namespace korvane::msg {

inline constexpr std::string_view kRemoteNotFound = "Remote file was not found.";
inline constexpr std::string_view kLocalNotFound = "Local file was not found.";
inline constexpr std::string_view kUneditedNotFound = "Unedited copy of remote TiddlyWiki file was not found.";
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
inline constexpr std::string_view kLocalStoreAreaUnclosed =
    "Error: The storeArea of the local file has no closing </div> tag, so the merged file cannot be "
    "built. No file was changed.";

// "Error: Could not read the file "PATH": REASON. No file was changed."
inline std::string cannotRead(const std::string& path, const std::string& reason) {
    return "Error: Could not read the file \"" + path + "\": " + reason + ". No file was changed.";
}

}  // namespace korvane::msg
