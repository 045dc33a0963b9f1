// The texts that several rooms share (a path in quotes, the documents' roles, "No file was changed.", a
// count, what stands at a path), and those of the formats. The run's own texts are in
// run/RunMessages.h, the saves' in save/SaveMessages.h, korvane-cli's in app/CliMessages.h. Exactly as
// the user sees them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace korvane::msg {
// A path as messages show it, in double quotes.
inline std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

inline constexpr std::string_view kNoStoreArea = "Error: Current document has no storeArea.";

// A document that cannot take part in a merge. Its message is what is wrong, then a line that names
// the file by its role and path: "Remote file: "PATH". No file was changed."
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
    const std::string digits = std::to_string(n);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

// --- Passwords of encrypted wikis, active tiddlers kept twice, documents of two formats ---
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

// The title of the question before a save, which the review window asks in its own words.
inline constexpr std::string_view kSaveFilesTitle = "Save Files?";

// "Error: Could not read the file "PATH": REASON. No file was changed."
inline std::string cannotRead(const std::string& path, const std::string& reason) {
    return "Error: Could not read the file \"" + path + "\": " + reason + ". No file was changed.";
}

// The line added to a "not found" message when something other than a regular file stands there.
inline std::string standsThere(const std::string& path, const std::string& what) {
    std::string line = "\n";  // built by appending: g++ 12 warns wrongly about "\n" + a temporary
    return line.append(quoted(path)).append(" is ").append(what).append(".");
}

// Completes "PATH is ..." for a path that Korvane cannot read or replace; none for a regular file.
inline std::optional<std::string> refusal(const FileInfo& info) {
    switch (info.kind) {
        case FileKind::Regular:
            return std::nullopt;
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

}  // namespace korvane::msg
