// The texts of the formats, exactly as the user sees them: what keeps a document from taking part (each
// format words its own problems; the run adds the file's role and path), the encrypted wiki's texts, the
// merged store's check, the summary box of a plugin, and why an edited box is not taken back.
#pragma once

#include <string>
#include <string_view>

#include "merge/Messages.h"

namespace korvane::msg {

// --- Documents that cannot take part ---
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

// --- TiddlyWiki 5 documents ---
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

// --- Encrypted wikis ---
inline constexpr std::string_view kEncrypted =
    "Error: The file is an encrypted TiddlyWiki. Encrypted wikis cannot be merged: open it in TiddlyWiki "
    "and save it without a password first.";
// A password was given for an encrypted document and does not open it.
inline std::string passwordDoesNotOpen(const std::string& path) {
    return "The password does not open " + path;
}

// --- The merged store, and the boxes ---
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

}  // namespace korvane::msg
