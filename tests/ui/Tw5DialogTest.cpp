#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
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

// A line of megabytes (a plugin, an image) is shown in read-only pieces, so that the dialog opens at once:
// no piece starts inside a surrogate pair, the difference is marked at the right character (beyond any
// 16-bit position), the box opens there, and the version comes back byte for byte.
TEST(frmMerge, OverlongLinesShowInReadOnlyPiecesAndComeBackWhole) {
    const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 units, across the first cut
    const auto version = [&emoji](char mark) {
        return " tiddler=\"A\">" + std::string(986, 'a') + emoji + std::string(69999, 'a') + mark +
               std::string(5000, 'c');
    };
    ConflictRequest request;
    request.texts.strLocal = version('X');
    request.texts.strServer = version('Y');
    request.texts.strOriginal = "short";
    request.takenBackBoxes = {DialogBox::Local, DialogBox::Server, DialogBox::Original};
    frmMerge dialog(request);
    QTimer::singleShot(0, &dialog, [&] {
        for (DialogBox which : {DialogBox::Local, DialogBox::Server}) {
            QPlainTextEdit& box = *dialog.box(which);
            EXPECT_TRUE(box.isReadOnly());
            EXPECT_FALSE(box.toolTip().isEmpty());
            int pieces = 0;
            for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next(), ++pieces) {
                EXPECT_FALSE(b.text().front().isLowSurrogate());
                EXPECT_LE(b.text().size(), 1001);
            }
            EXPECT_EQ(pieces, 76);
            const int mark =
                static_cast<int>(box.toPlainText().indexOf(which == DialogBox::Local ? u'X' : u'Y'));
            QTextCursor at(box.document());
            // Bold: the letter and the first character both versions share after it, in front of which a
            // cut stands (at a piece's start the cursor reads the format of the character after it).
            for (int p = mark; p <= mark + 4; ++p) {
                at.setPosition(p);
                EXPECT_EQ(at.charFormat().fontWeight() == QFont::Bold, p > mark && p < mark + 4) << p;
            }
            // The box opens at its first marked difference, 70,000 characters into the line.
            EXPECT_EQ(box.textCursor().position(), mark);
        }
        EXPECT_FALSE(dialog.box(DialogBox::Original)->isReadOnly());
        dialog.button(DialogButton::Local)->click();
    });
    const ConflictAnswer answer = dialog.showModal();
    EXPECT_EQ(answer.texts.strLocal, request.texts.strLocal);
    EXPECT_EQ(answer.texts.strServer, request.texts.strServer);
}

}  // namespace
}  // namespace korvane
