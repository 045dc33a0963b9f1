#include "ui/conflict/frmMerge.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <optional>

#include "support/TestSupport.h"
#include "ui/UiTestHelpers.h"
#include "ui/desktop/MessageBoxes.h"
#include "ui/desktop/Program.h"
#include "ui/main/frmMain.h"

namespace korvane {
namespace {

using X = DialogBox;

// Shows the dialog modally as the merge run does and acts on it once it is open.
void whileOpen(frmMerge& dialog, const std::function<void()>& act) {
    QTimer::singleShot(0, &dialog, act);
    dialog.showModal();
}

QPushButton* buttonOf(const frmMerge& dialog, char code) {
    return dialog.button(static_cast<DialogButton>(std::string_view("losb").find(code)));
}

TEST(frmMerge, EachButtonHasItsCaptionAndHandsBackItsCode) {
    const std::pair<char, const char*> rows[] = {{'l', "<< Use your version"},
                                                 {'o', "<< Use original (unedited) version"},
                                                 {'s', "<< Use edited version"},
                                                 {'b', "<< Backup and link conflicts"}};
    for (const auto& [code, caption] : rows) {
        frmMerge dialog;
        EXPECT_EQ(dialog.windowTitle(), "Merge");
        EXPECT_EQ(buttonOf(dialog, code)->text(), caption);
        EXPECT_EQ(buttonOf(dialog, code)->isDefault(), code == 'b');
        const QLabel* note = dialog.findChild<QLabel*>("Label1");
        EXPECT_EQ(note->text(), "Note: Bold button is recommended.");
        EXPECT_TRUE(note->font().bold());
        whileOpen(dialog, [&] { buttonOf(dialog, code)->click(); });
        EXPECT_EQ(dialog.strChoice, std::string(1, code));  // and the dialog closed: showModal returned
    }
}

TEST(frmMerge, BoxesShowTheFieldsAsLinesAndHandBackTheirBytes) {
    frmMerge dialog;
    dialog.strLocal = "one\\ntwo\\ncaf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xC2\xA0nbsp";
    dialog.strServer = "later\nform: caf\xE9 \xA0";  // real line breaks stand; not UTF-8: shown as Latin-1
    dialog.strOriginal = "x\xE9y";
    dialog.strConflict1 = "mixed\r\nline ends\nand a lone\rreturn";
    // A paragraph separator, a frame mark and a lone carriage return survive an edit of their box.
    dialog.strConflict2 = "para\xE2\x80\xA9graph\xEF\xB7\x90\\nlone\rreturn";
    const std::string server = dialog.strServer;
    const std::string conflict1 = dialog.strConflict1;
    QString shownLocal;
    QString shownServer;
    whileOpen(dialog, [&] {
        shownLocal = dialog.box(X::Local)->toPlainText();
        shownServer = dialog.box(X::Server)->toPlainText();
        // Typing into a Latin-1 text keeps its untouched bytes and stores what was typed as UTF-8.
        QTextCursor c(dialog.box(X::Original)->document());
        c.setPosition(1);
        c.insertText(QString::fromUtf8("\xE2\x82\xAC\xC3\xA9"));
        dialog.box(X::Conflict2)->moveCursor(QTextCursor::End);
        dialog.box(X::Conflict2)->insertPlainText("\n!");
        dialog.button(DialogButton::Server)->click();
    });
    EXPECT_EQ(shownLocal, QString::fromUtf8("one\ntwo\ncaf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80  nbsp"));
    EXPECT_EQ(shownServer, QString::fromUtf8("later\nform: caf\xC3\xA9  "));
    EXPECT_EQ(dialog.strLocal, "one\r\ntwo\r\ncaf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xC2\xA0nbsp");
    EXPECT_EQ(dialog.strServer, server);
    EXPECT_EQ(dialog.strConflict1, conflict1);
    EXPECT_EQ(dialog.strOriginal, "x\xE2\x82\xAC\xC3\xA9\xE9y");
    EXPECT_EQ(dialog.strConflict2, "para\xE2\x80\xA9graph\xEF\xB7\x90\r\nlone\rreturn\r\n!");
}

TEST(frmMerge, FocusGoesToTheFirstBoldEnabledButton) {
    // Bold and disabled buttons by their codes; without a bold enabled one the default button keeps it.
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"lb", "", "cmdBackup"},  {"sol", "", "cmdLocal"}, {"so", "", "cmdOriginal"}, {"s", "", "cmdServer"},
        {"bs", "b", "cmdServer"}, {"l", "l", "cmdBackup"}, {"", "", "cmdBackup"}};
    for (const auto& [bold, disabled, focused] : rows) {
        frmMerge dialog;
        for (const char* c = bold; *c != 0; ++c) {
            dialog.setBold(static_cast<DialogButton>(std::string_view("losb").find(*c)));
        }
        for (const char* c = disabled; *c != 0; ++c) {
            buttonOf(dialog, *c)->setEnabled(false);
        }
        QString seen;
        whileOpen(dialog, [&] {
            seen = dialog.focusWidget()->objectName();
            dialog.button(DialogButton::Original)->setEnabled(true);
            dialog.button(DialogButton::Original)->click();
        });
        EXPECT_EQ(seen.toStdString(), focused) << "bold " << bold;
    }
}

TEST(frmMerge, SettleAppliesTheRequestAndMarksDifferences) {
    ConflictRequest request;
    request.caption = "Merging item 7 of 42";
    request.texts = {" tiddler=\"N\" modifier=\"Ann\" modified=\"1\" created=\"2\" tags=\"\">same",
                     "[Same as local.]",
                     " tiddler=\"N\" modifier=\"ann\" modified=\"1\" created=\"2\" tags=\"\">same",
                     // a word too long to wrap at its ends, and one just short enough
                     "a " + std::string(1001, 'x'), std::string(1000, 'x') + " b"};
    request.boldButton = DialogButton::Server;
    request.disabledButtons = {DialogButton::Original};
    request.setAsideBoxes = {X::Original};
    request.takenBackBoxes = {X::Local, X::Server};
    QWidget owner;
    QTimer::singleShot(0, &owner, [&] {
        auto* dialog = owner.findChild<frmMerge*>();
        EXPECT_EQ(dialog->windowTitle(), "Merging item 7 of 42");
        EXPECT_TRUE(dialog->button(DialogButton::Server)->font().bold());
        EXPECT_FALSE(dialog->button(DialogButton::Original)->isEnabled());
        const QPlainTextEdit* original = dialog->box(X::Original);
        const QPlainTextEdit* local = dialog->box(X::Local);
        EXPECT_EQ(original->focusPolicy(), Qt::ClickFocus);  // set aside: out of the Tab order
        EXPECT_EQ(local->focusPolicy(), Qt::StrongFocus);
        EXPECT_EQ(dialog->box(X::Conflict2)->textCursor().position(), 0);
        // Not taken back: read-only, and shown on the window's background.
        EXPECT_TRUE(original->isReadOnly());
        EXPECT_FALSE(local->isReadOnly());
        EXPECT_NE(original->palette().color(QPalette::Base), local->palette().color(QPalette::Base));
        EXPECT_EQ(dialog->box(X::Conflict1)->wordWrapMode(), QTextOption::WrapAnywhere);
        EXPECT_EQ(dialog->box(X::Conflict2)->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
        // Bold in your version: the modifier value Ann and the last character of the equal bodies.
        const std::string& l = request.texts.strLocal;
        QTextCursor c(local->document());
        for (std::size_t i = 0; i < l.size(); ++i) {
            c.setPosition(static_cast<int>(i) + 1);  // the format of the character before the cursor
            const bool expected = (i >= l.find("Ann") && i < l.find("Ann") + 3) || i == l.size() - 1;
            EXPECT_EQ(c.charFormat().fontWeight() == QFont::Bold, expected) << "at " << i;
        }
        dialog->button(DialogButton::Server)->click();
    });
    const ConflictAnswer answer = frmMerge::settle(request, &owner);
    EXPECT_EQ(answer.choice, DialogButton::Server);
    EXPECT_EQ(answer.texts, request.texts);
}

TEST(frmMerge, HeldEarlyAndEscapeKeysPressNothing) {
    // A press and a release; a held key also comes as a release and a press at the same moment.
    quint64 stamp = 1000;
    const auto key = [&stamp](QWidget* window, Qt::Key k, bool autoRepeat, quint64 gap = 100) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, k, Qt::NoModifier, k == Qt::Key_Space ? " " : "\r", autoRepeat);
            event.setTimestamp(stamp += type == QEvent::KeyPress ? gap : 100);
            QApplication::sendEvent(window->focusWidget(), &event);
        }
    };
    // The conflict dialog (its bold button focused) and a Yes/No question (Yes the default).
    for (const auto& [question, answeringKey] :
         {std::pair{false, Qt::Key_Return}, std::pair{false, Qt::Key_Space},
          std::pair{true, Qt::Key_Return}}) {
        std::vector<bool> open;  // after the early and held keys, then after a held key once armed
        QTimer::singleShot(0, [&, q = question, k = answeringKey] {
            QWidget* w = QApplication::activeModalWidget();
            for (Qt::Key early : {Qt::Key_Return, Qt::Key_Space, q ? Qt::Key_Return : Qt::Key_Escape}) {
                key(w, early, false);
            }
            key(w, Qt::Key_Return, true);
            open.push_back(w->isVisible());
            QTimer::singleShot(kKeyboardArmDelay + std::chrono::milliseconds(50), w, [&, w, k] {
                key(w, k, true);
                key(w, k, false, 0);
                open.push_back(w->isVisible());
                key(w, k, false);
                QTimer::singleShot(50, w, [w] { w->close(); });  // only if the key did not answer
            });
        });
        if (question) {
            EXPECT_TRUE(askYesNoBox(nullptr, "Save?", "Save Files?", true));
        } else {
            frmMerge dialog;
            dialog.setBold(DialogButton::Local);
            dialog.showModal();
            EXPECT_EQ(dialog.strChoice, "l");
        }
        EXPECT_EQ(open, (std::vector<bool>{true, true}))
            << "question " << question << ", key " << answeringKey;
    }
}

TEST(frmMerge, LayoutFollowsTheWindowAndNeverShrinksBelowTheDesign) {
    frmMerge dialog;
    dialog.show();
    dialog.resize(600, 540);  // 9000 x 8100 twips
    EXPECT_EQ(dialog.box(X::Local)->geometry(), QRect(8, 8, 457, 97));
    EXPECT_EQ(dialog.button(DialogButton::Backup)->geometry(), QRect(472, 393, 121, 57));
    EXPECT_FLOAT_EQ(dialog.layoutGeometry().line2.y1, 7212);
    dialog.resize(300, 200);
    EXPECT_EQ(dialog.size(), QSize(504, 450));
    EXPECT_EQ(dialog.box(X::Conflict2)->geometry(), QRect(8, 360, 361, 81));
}

TEST(frmMerge, OpensMaximizedAndItsNormalPlacementStaysOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // Where the owner stands; the dialog's normal place: top left corner, centred, bottom right corner.
    const std::pair<QPoint, char> rows[] = {{screen.topLeft(), 't'},
                                            {screen.center() - QPoint(100, 40), 'c'},
                                            {screen.bottomRight() - QPoint(150, 40), 'b'}};
    for (const auto& [ownerAt, expect] : rows) {
        QWidget owner;
        owner.setGeometry(QRect(ownerAt, QSize(200, 80)));
        owner.show();
        frmMerge dialog(&owner);
        whileOpen(dialog, [&] {
            EXPECT_TRUE(dialog.isMaximized());
            dialog.button(DialogButton::Local)->click();
        });
        EXPECT_EQ(dialog.normalGeometry().size(), QSize(504, 450));
        const QRect f = owner.frameGeometry(), g = owner.geometry();  // its frame stands for the dialog's
        const QRect normal = dialog.normalGeometry();
        EXPECT_EQ(normal.topLeft(),
                  expect == 't' ? screen.topLeft() + g.topLeft() - f.topLeft() : normal.topLeft());
        EXPECT_EQ(normal.center(), expect == 'c' ? g.center() : normal.center());
        EXPECT_EQ(normal.bottomRight(), expect == 'b'
                                            ? screen.bottomRight() - f.bottomRight() + g.bottomRight()
                                            : normal.bottomRight());
    }
}

TEST(frmMergeDeathTest, ClosingWithoutAButtonAbandonsTheMergeWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child process runs this test again: it merges the parent's files, named in the environment.
    const char* inherited = std::getenv("KORVANE_ABANDONED_MERGE");
    std::optional<test::TempDir> dir;
    const std::string folder = inherited != nullptr ? inherited : dir.emplace().dir().string();
    if (inherited == nullptr) {
        dir->write("local.html", test::earlyWiki({test::earlyTiddler("T", "mine")}));
        dir->write("remote.html", test::earlyWiki({test::earlyTiddler("T", "theirs")}));
        setenv("KORVANE_ABANDONED_MERGE", folder.c_str(), 1);
    }
    const auto before = test::snapshot(folder);
    EXPECT_EXIT(
        {
            frmMain window;
            window.Form_Load({"/local", folder + "/local.html", "/remote", folder + "/remote.html"});
            test::ModalResponder closeIt([](QWidget* modal) { modal->close(); });
            window.findChild<QPushButton*>("cmdMergeFiles")->click();
            std::fputs("the merge run went on\n", stderr);
            std::exit(3);
        },
        testing::ExitedWithCode(kAbandonedExitStatus), "");
    unsetenv("KORVANE_ABANDONED_MERGE");
    EXPECT_EQ(test::snapshot(folder), before);
    EXPECT_EQ(before.size(), 2u);
}

}  // namespace
}  // namespace korvane
