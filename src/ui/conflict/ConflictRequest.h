// The conflict dialog's own terms: its four buttons and five boxes, the request that fills them (caption,
// texts, bold, disabled and set-aside parts) and the pressed button that answers it. Built here from the
// run's question and read back into the run's answer, without Qt, so that the desktop host and the
// tests' scripted hosts put a tiddler the same way.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "merge/model/ConflictQuestion.h"

namespace korvane {

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

// The five texts of the conflict dialog, one per box. Going in they are the versions' texts; coming
// back they are the boxes' texts as the user left them (box form, CR LF line breaks).
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
    // why not (the dialog then shows that and stays open). None: every text is accepted.
    std::function<std::string(const std::string&)> checkBox;
    // The texts are TiddlyWiki 5 tiddlers in TiddlyWiki's .tid form, marked field by field.
    bool fieldForm = false;
    // The tiddler's title as stored, and the title its conflict copy gets (empty where none is offered).
    std::string title;
    std::string conflictTitle;

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

// The dialog's caption for item `n` of `m`.
std::string mergingItem(std::size_t n, std::size_t m);
// The request that puts the run's question in the dialog.
ConflictRequest conflictRequest(const ConflictQuestion& question);
// The run's answer from the dialog's: the pressed button's outcome and its boxes' texts.
ConflictSettlement settlementOf(ConflictAnswer answer);
// Puts the question to `dialog` (the window, or a script that answers as one) and reads its answer back.
ConflictSettlement askInDialog(const ConflictQuestion& question,
                               const std::function<ConflictAnswer(const ConflictRequest&)>& dialog);

}  // namespace korvane
