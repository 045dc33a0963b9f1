// The only way a merge run talks to the user. The desktop program implements it with real windows;
// tests and the headless companion implement it with scripted answers.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/Secret.h"

namespace korvane {

// The title of every message box that names no title of its own.
inline constexpr std::string_view kAppTitle = "Korvane";

enum class MessageIcon { None, Information, Exclamation, Critical };

// Where a title stands: new (A, B, C), deleted (D, E, F) or kept on both sides (G). `None` cannot
// happen for a title of the visiting list.
enum class MergeCase : char { A = 'A', B = 'B', C = 'C', D = 'D', E = 'E', F = 'F', G = 'G', None = '-' };

struct ConflictQuestion;  // merge/model/ConflictQuestion.h
struct ConflictSettlement;

// One side would delete most of the tiddlers that the other side and the unedited copy both hold.
struct MassDeletion {
    bool byRemote = true;  // the remote file deletes from the local one, or the other way round
    std::size_t deleted = 0;
    std::size_t held = 0;  // the tiddlers the other side and the unedited copy both hold
    std::string path;      // the file that would delete them
};

// An earlier save of the wiki, found on the disk, that may serve as the unedited copy when none is given.
struct FoundCopy {
    std::string path;
    std::chrono::system_clock::time_point saved;  // when its content was written
    std::size_t explained = 0;                    // differences it settles: its version is one side's
    std::size_t differences = 0;                  // tiddlers that differ between the two sides
    std::size_t yours = 0;                        // of those settled, the local changes kept
    std::size_t friends = 0;                      // the remote changes kept
};

// The questions a run puts to the user, so that a host without a person answers each by its kind.
enum class QuestionKind {
    UseLastMerge,     // take the local file's .LastMerge copy as the unedited copy
    UseSyncCopy,      // take a sync tool's conflict copy as the remote file
    UseFoundCopy,     // take an earlier save found on the disk as the unedited copy
    InterruptedSave,  // put in order what a save that was cut off left behind
    MassDeletion,     // go on although one side would delete most of the wiki
    KeepEdits,        // keep the edit of a dialog box
    SaveFiles,        // save the merged document to the three files
    SaveOutput,       // save the merged document to the one output file
    DeleteSyncCopy,   // delete the sync tool's conflict copy that was merged as the remote file
};

struct Question {
    QuestionKind kind;
    std::string text;
    std::string title;
    bool yesIsDefault = true;
};

// The password of an encrypted document is wanted: its path, its role ("Local file"), and whether a
// password given before for it did not open it.
struct PasswordRequest {
    std::string path;
    std::string role;
    bool wrongBefore = false;
};
// The host's answer: a password, none (the host has none to give: the document is refused), or the
// user cancelled (the run is abandoned with nothing changed).
struct PasswordAnswer {
    enum class Kind { None, Given, Cancelled } kind = Kind::None;
    Secret password;
};

class MergeHost;
// The question a person is asked about it; No is the default.
bool askAboutMassDeletion(MergeHost& host, const MassDeletion& deletion);
// The date and minute of `t` in local time: YYYY-MM-DD HH:MM.
std::string localMinute(std::chrono::system_clock::time_point t);
// The question a person is asked about a found copy, its date in local time; Yes is the default.
bool askAboutFoundCopy(MergeHost& host, const FoundCopy& copy);

class MergeHost {
  public:
    virtual ~MergeHost() = default;

    // A modal message box with an OK button.
    virtual void showMessage(const std::string& text, MessageIcon icon, const std::string& title) = 0;
    // A modal Yes/No question with the question icon; true for Yes.
    virtual bool ask(const Question& question) = 0;
    // Puts one tiddler to the user (the desktop program: the conflict dialog, modally over the main
    // window) and waits for the answer.
    virtual ConflictSettlement settleConflict(const ConflictQuestion& question) = 0;
    // Whether the merge goes on although one side would delete most of the wiki (it may be cut short or
    // damaged). A person is asked; a host without one decides by its own rule.
    virtual bool allowMassDeletion(const MassDeletion& deletion) {
        return askAboutMassDeletion(*this, deletion);
    }
    // Whether the run reads a found earlier save as the unedited copy. The merged document is then saved
    // as the local file's .LastMerge copy, never over the found save.
    virtual bool useFoundCopy(const FoundCopy& copy) { return askAboutFoundCopy(*this, copy); }
    // Earlier saves were found, but none can serve as the unedited copy (`why` says what speaks against
    // them); the run merges without one. A person is not interrupted for it.
    virtual void foundCopyRefused(const std::string& /*why*/) {}
    // A tiddler that both sides changed was merged inside (its fields, its text) into one version, at
    // place `item` of the visiting order, without a dialog. Only a run that merges inside tiddlers says so.
    virtual void mergedInside(const std::string& /*title*/, std::size_t /*item*/) {}
    // Asks for the password of an encrypted document. A host that never asks has none.
    virtual PasswordAnswer askPassword(const PasswordRequest& /*request*/) { return {}; }
    // Puts a path into the main window's unedited field (which remembers it).
    virtual void setUneditedPath(const std::string& path) = 0;
    // Puts a path into the main window's remote field; a host without one ignores it.
    virtual void setRemotePath(const std::string& /*path*/) {}
    // The present local date and time as the user's locale writes it: short date with a four-digit
    // year, one space, long time with seconds; the date alone at exactly midnight.
    virtual std::string presentTimeText() = 0;
    // Ends the program at once. A host that cannot end the process (a test) returns, and the run
    // then stops without doing anything further.
    virtual void endProgram() = 0;
};

}  // namespace korvane
