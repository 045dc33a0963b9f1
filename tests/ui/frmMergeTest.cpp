#include "ui/conflict/frmMerge.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>
#include <functional>

namespace korvane {
namespace {

// Shows the dialog modally as the merge run does and acts on it once it is open.
void whileOpen(frmMerge& dialog, const std::function<void()>& act) {
    QTimer::singleShot(0, &dialog, act);
    dialog.showModal();
}

void press(frmMerge& dialog, DialogButton b) {
    whileOpen(dialog, [&] { dialog.button(b)->click(); });
}

bool isBoldAt(QPlainTextEdit* box, int position) {
    QTextCursor c(box->document());
    c.setPosition(position + 1);  // the format of the character before the cursor
    return c.charFormat().fontWeight() == QFont::Bold;
}

TEST(frmMerge, FreshDialogHasItsCaptionsAndNoChoice) {
    frmMerge dialog;
    EXPECT_EQ(dialog.windowTitle(), "Merge");
    EXPECT_EQ(dialog.button(DialogButton::Local)->text(), "<< Use your version");
    EXPECT_EQ(dialog.button(DialogButton::Original)->text(), "<< Use original (unedited) version");
    EXPECT_EQ(dialog.button(DialogButton::Server)->text(), "<< Use edited version");
    EXPECT_EQ(dialog.button(DialogButton::Backup)->text(), "<< Backup and link conflicts");
    auto* note = dialog.findChild<QLabel*>("Label1");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(), "Note: Bold button is recommended.");
    EXPECT_TRUE(note->font().bold());
    EXPECT_TRUE(dialog.button(DialogButton::Backup)->isDefault());
    EXPECT_NE(dialog.findChild<QPlainTextEdit*>("txtConflict2"), nullptr);
    EXPECT_TRUE(dialog.strChoice.empty());
}

TEST(frmMerge, EachButtonHandsBackItsCode) {
    const std::pair<DialogButton, const char*> codes[] = {{DialogButton::Local, "l"},
                                                          {DialogButton::Original, "o"},
                                                          {DialogButton::Server, "s"},
                                                          {DialogButton::Backup, "b"}};
    for (const auto& [b, code] : codes) {
        frmMerge dialog;
        press(dialog, b);
        EXPECT_EQ(dialog.strChoice, code);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(frmMerge, EscapedLineBreaksAreShownAsLinesAndComeBackAsCrLf) {
    frmMerge dialog;
    dialog.strLocal = "one\\ntwo\\nthree\\nfour";
    dialog.strServer = "later\nform\n";  // real line breaks stand as they are
    dialog.strConflict1 = "a\\nb";
    int localLines = 0;
    int serverLines = 0;
    whileOpen(dialog, [&] {
        localLines = dialog.box(DialogBox::Local)->document()->blockCount();
        serverLines = dialog.box(DialogBox::Server)->document()->blockCount();
        dialog.box(DialogBox::Conflict1)->moveCursor(QTextCursor::End);
        dialog.box(DialogBox::Conflict1)->insertPlainText("\nc");
        dialog.button(DialogButton::Local)->click();
    });
    EXPECT_EQ(localLines, 4);
    EXPECT_EQ(serverLines, 3);
    EXPECT_EQ(dialog.strLocal, "one\r\ntwo\r\nthree\r\nfour");
    EXPECT_EQ(dialog.strServer, "later\nform\n");
    EXPECT_EQ(dialog.strConflict1, "a\r\nb\r\nc");  // an edit comes back with CR LF line breaks
    EXPECT_EQ(dialog.strOriginal, "");
}

TEST(frmMerge, Utf8AndLatin1FieldsRoundTripByteForByte) {
    frmMerge dialog;
    dialog.strLocal = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xC2\xA0nbsp";
    dialog.strServer = "caf\xE9 na\xEFve \xA0";  // not UTF-8: shown as Latin-1
    dialog.strOriginal = "x\xE9y";
    dialog.strConflict1 = "mixed\r\nline ends\nand a lone\rreturn";
    const std::string local = dialog.strLocal;
    const std::string server = dialog.strServer;
    const std::string conflict1 = dialog.strConflict1;
    QString shownLocal;
    QString shownServer;
    whileOpen(dialog, [&] {
        shownLocal = dialog.box(DialogBox::Local)->toPlainText();
        shownServer = dialog.box(DialogBox::Server)->toPlainText();
        // Typing into a Latin-1 text keeps its untouched bytes and stores what was typed as UTF-8.
        QPlainTextEdit* original = dialog.box(DialogBox::Original);
        QTextCursor c(original->document());
        c.setPosition(1);
        c.insertText(QString::fromUtf8("\xE2\x82\xAC\xC3\xA9"));
        dialog.button(DialogButton::Server)->click();
    });
    EXPECT_EQ(shownLocal, QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80  nbsp"));
    EXPECT_EQ(shownServer, QString::fromUtf8("caf\xC3\xA9 na\xC3\xAFve  "));
    EXPECT_EQ(dialog.strLocal, local);
    EXPECT_EQ(dialog.strServer, server);
    EXPECT_EQ(dialog.strConflict1, conflict1);
    EXPECT_EQ(dialog.strOriginal, "x\xE2\x82\xAC\xC3\xA9\xE9y");
}

TEST(frmMerge, FocusGoesToTheFirstBoldEnabledButton) {
    using B = DialogButton;
    struct Row {
        std::vector<B> bold;
        std::vector<B> disabled;
        const char* focused;  // objectName of the focused button
    };
    const Row rows[] = {
        {{B::Local, B::Backup}, {}, "cmdBackup"},
        {{B::Server, B::Original, B::Local}, {}, "cmdLocal"},
        {{B::Server, B::Original}, {}, "cmdOriginal"},
        {{B::Server}, {}, "cmdServer"},
        {{B::Backup, B::Server}, {B::Backup}, "cmdServer"},
        // No bold enabled button: the focus stays where the window puts it, on the default button.
        {{B::Local}, {B::Local}, "cmdBackup"},
        {{}, {}, "cmdBackup"},
    };
    for (const Row& row : rows) {
        frmMerge dialog;
        for (B b : row.bold) {
            dialog.setBold(b);
        }
        for (B b : row.disabled) {
            dialog.button(b)->setEnabled(false);
        }
        QString focused;
        whileOpen(dialog, [&] {
            QWidget* f = dialog.focusWidget();
            focused = qobject_cast<QPushButton*>(f) ? f->objectName() : QString();
            dialog.button(B::Original)->setEnabled(true);
            dialog.button(B::Original)->click();
        });
        EXPECT_EQ(focused.toStdString(), row.focused)
            << "first bold: " << (row.bold.empty() ? -1 : int(row.bold[0]));
    }
}

TEST(frmMerge, SettleAppliesTheRequestAndMarksDifferences) {
    ConflictRequest request;
    request.caption = "Merging item 7 of 42";
    request.texts.strLocal = " tiddler=\"N\" modifier=\"Ann\" modified=\"1\" created=\"2\" tags=\"\">same";
    request.texts.strServer = " tiddler=\"N\" modifier=\"ann\" modified=\"1\" created=\"2\" tags=\"\">same";
    request.texts.strOriginal = "[Same as local.]";
    request.boldButton = DialogButton::Server;
    request.disabledButtons = {DialogButton::Original};
    request.setAsideBoxes = {DialogBox::Original};

    QWidget owner;
    QString caption;
    bool serverBold = false;
    bool originalEnabled = true;
    Qt::FocusPolicy originalPolicy = Qt::NoFocus;
    Qt::FocusPolicy localPolicy = Qt::NoFocus;
    std::vector<bool> localBold;
    QTimer::singleShot(0, &owner, [&] {
        auto* dialog = owner.findChild<frmMerge*>();
        caption = dialog->windowTitle();
        serverBold = dialog->button(DialogButton::Server)->font().bold();
        originalEnabled = dialog->button(DialogButton::Original)->isEnabled();
        originalPolicy = dialog->box(DialogBox::Original)->focusPolicy();
        localPolicy = dialog->box(DialogBox::Local)->focusPolicy();
        QPlainTextEdit* local = dialog->box(DialogBox::Local);
        for (int i = 0; i < local->document()->characterCount() - 1; ++i) {
            localBold.push_back(isBoldAt(local, i));
        }
        dialog->button(DialogButton::Server)->click();
    });
    const ConflictAnswer answer = frmMerge::settle(request, &owner);

    EXPECT_EQ(caption, "Merging item 7 of 42");
    EXPECT_TRUE(serverBold);
    EXPECT_FALSE(originalEnabled);
    EXPECT_EQ(originalPolicy, Qt::ClickFocus);  // set aside: out of the Tab order
    EXPECT_EQ(localPolicy, Qt::StrongFocus);
    // Bold in your version: the modifier value Ann and the last character of the equal bodies.
    const std::string& l = request.texts.strLocal;
    ASSERT_EQ(localBold.size(), l.size());
    for (std::size_t i = 0; i < l.size(); ++i) {
        const bool expected = (i >= l.find("Ann") && i < l.find("Ann") + 3) || i == l.size() - 1;
        EXPECT_EQ(localBold[i], expected) << "at " << i;
    }
    EXPECT_EQ(answer.strChoice, "s");
    EXPECT_EQ(answer.texts, request.texts);
}

TEST(frmMerge, LayoutFollowsTheWindowAndNeverShrinksBelowTheDesign) {
    frmMerge dialog;
    dialog.show();
    dialog.resize(600, 540);  // 9000 x 8100 twips
    EXPECT_EQ(dialog.box(DialogBox::Local)->geometry(), QRect(8, 8, 457, 97));
    EXPECT_EQ(dialog.button(DialogButton::Backup)->geometry(), QRect(472, 393, 121, 57));
    EXPECT_FLOAT_EQ(dialog.layoutGeometry().line2.y1, 7212);
    dialog.resize(300, 200);
    EXPECT_EQ(dialog.size(), QSize(504, 450));
    EXPECT_EQ(dialog.box(DialogBox::Conflict2)->geometry(), QRect(8, 360, 361, 81));
}

TEST(frmMerge, OpensMaximized) {
    frmMerge dialog;
    bool maximized = false;
    whileOpen(dialog, [&] {
        maximized = dialog.isMaximized();
        dialog.button(DialogButton::Local)->click();
    });
    EXPECT_TRUE(maximized);
}

TEST(frmMerge, EscapeDoesNotCloseTheDialog) {
    frmMerge dialog;
    bool stillOpen = false;
    whileOpen(dialog, [&] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
        stillOpen = dialog.isVisible();
        dialog.button(DialogButton::Local)->click();
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(dialog.strChoice, "l");
}

TEST(frmMergeDeathTest, ClosingWithoutAButtonEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            frmMerge dialog;
            dialog.strLocal = "mine";
            whileOpen(dialog, [&] { dialog.close(); });
            std::fputs("the merge run went on\n", stderr);
            std::exit(3);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace korvane
