#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "ui/UiTestHelpers.h"
#include "ui/conflict/frmMerge.h"

namespace korvane {
namespace {

// An edited box that the request's check refuses: the refusal is shown and the dialog stays open;
// once the text is accepted, the button answers with it. A box that is not taken back is never checked.
TEST(Tw5Dialog, RefusedEditKeepsTheDialogOpen) {
    ConflictRequest request;
    request.texts.strLocal = "title: A\n\nold";
    request.texts.strServer = "title: A\n\nserver";
    request.takenBackBoxes = {DialogBox::Local};
    request.checkBox = [](const std::string& text) {
        return text.find("\r\n\r\n") == std::string::npos ? std::string("no blank line") : std::string();
    };
    frmMerge dialog(request);
    std::vector<std::string> shown;
    test::ModalResponder responder([&shown](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            shown.push_back(test::answerBox(box, QMessageBox::Ok).text.toStdString());
        }
    });
    const auto type = [&dialog](DialogBox which, const char* text) {  // an edit, as typing makes it
        dialog.box(which)->selectAll();
        dialog.box(which)->insertPlainText(text);
    };
    QTimer::singleShot(0, &dialog, [&] {
        dialog.box(DialogBox::Server)->setReadOnly(false);
        type(DialogBox::Server, "not checked");
        type(DialogBox::Local, "title: A");
        dialog.button(DialogButton::Local)->click();  // refused: the message box, then still open
        EXPECT_TRUE(dialog.isVisible());
        type(DialogBox::Local, "title: A\n\nnew");
        dialog.button(DialogButton::Local)->click();
    });
    const ConflictAnswer answer = dialog.showModal();
    EXPECT_EQ(shown, std::vector<std::string>{"no blank line"});
    EXPECT_EQ(answer.choice, DialogButton::Local);
    EXPECT_EQ(answer.texts.strLocal, "title: A\r\n\r\nnew");
}

}  // namespace
}  // namespace korvane
