// The only way a merge run talks to the user. The desktop program implements it with real windows;
// tests and the headless companion implement it with scripted answers.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <set>
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

enum class DialogButton { Local, Original, Server, Backup };
enum class DialogBox { Local, Original, Server, Conflict1, Conflict2 };

// The choice code of a button, as the dialog's choice field and korvane-cli print it: "l", "o", "s", "b".
inline char choiceCode(DialogButton button) {
    switch (button) {
        case DialogButton::Local:
            return 'l';
        case DialogButton::Original:
            return 'o';
        case DialogButton::Server:
            return 's';
        case DialogButton::Backup:
            return 'b';
    }
    return 'l';
}

// Every button, in the order of the dialog from top to bottom.
inline constexpr DialogButton kDialogButtons[] = {DialogButton::Local, DialogButton::Original,
                                                  DialogButton::Server, DialogButton::Backup};

// The five texts of the conflict dialog, one per box. Going in they are in store form; coming back
// they are the boxes' texts as the user left them (box form, CR LF line breaks).
struct ConflictTexts {
    std::string strLocal;
    std::string strOriginal;
    std::string strServer;
    std::string strConflict1;
    std::string strConflict2;

    // The text of one box.
    std::string& of(DialogBox box) {
        switch (box) {
            case DialogBox::Local:
                return strLocal;
            case DialogBox::Original:
                return strOriginal;
            case DialogBox::Server:
                return strServer;
            case DialogBox::Conflict1:
                return strConflict1;
            case DialogBox::Conflict2:
                break;
        }
        return strConflict2;
    }

    bool operator==(const ConflictTexts&) const = default;
};

// Everything the conflict dialog needs to put one tiddler to the user.
struct ConflictRequest {
    std::string caption;  // "Merging item N of M"
    ConflictTexts texts;
    std::optional<DialogButton> boldButton;  // the recommended choice
    std::set<DialogButton> disabledButtons;
    std::set<DialogBox> setAsideBoxes;
    // The boxes whose text the run reads back for some enabled button; the others are shown read-only,
    // so that nobody types an edit that would be thrown away.
    std::set<DialogBox> takenBackBoxes;
    // Checks the text of an edited box that a button would take back: empty when it is accepted, else
    // why not (the dialog then shows that and stays open). None: every text is accepted. A host without
    // a window need not call it: the run checks again and keeps the stored version of a box it refuses.
    std::function<std::string(const std::string&)> checkBox;
    // The texts are TiddlyWiki 5 tiddlers in TiddlyWiki's .tid form, whose differences are marked field
    // by field.
    bool fieldForm = false;

    // Where the tiddler stands, for a host that settles it by rule instead of asking a person: its
    // title as stored, its place N in the visiting order, its case, and which side still holds the
    // unedited version (both absent counts; never with no unedited copy in the run).
    std::string title;
    std::size_t item = 0;
    MergeCase mergeCase = MergeCase::None;
    bool localIsUnedited = false;
    bool remoteIsUnedited = false;
    // The title the conflict copy gets when a conflict pair is built; empty otherwise.
    std::string conflictTitle;
    // The copy is inert (a copy of a plugin, a module, a draft or a `$:/tags/…` tiddler would otherwise
    // stay active in the wiki): these of its fields are renamed `conflict.NAME`.
    bool inertCopy = false;
    std::vector<std::string> renamedFields;

    bool isEnabled(DialogButton b) const { return disabledButtons.count(b) == 0; }
    bool isSetAside(DialogBox b) const { return setAsideBoxes.count(b) != 0; }
    bool isTakenBack(DialogBox b) const { return takenBackBoxes.count(b) != 0; }
};

// The user's answer: the button pressed, and the five boxes' texts. No button means the dialog was
// closed without a choice: the user abandons the whole merge.
struct ConflictAnswer {
    std::optional<DialogButton> choice;
    ConflictTexts texts;
};

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
    // Shows the conflict dialog modally over the main window and waits for the answer.
    virtual ConflictAnswer settleConflict(const ConflictRequest& request) = 0;
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
