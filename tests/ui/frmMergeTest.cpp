#include "ui/conflict/frmMerge.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>

#include "support/TestSupport.h"
#include "ui/Twips.h"
#include "ui/UiTestHelpers.h"
#include "ui/desktop/MessageBoxes.h"
#include "ui/desktop/Program.h"
#include "ui/main/frmMain.h"

namespace korvane {
namespace {

using B = DialogButton;
using X = DialogBox;

// Shows the dialog modally as the merge run does and acts on it once it is open.
ConflictAnswer whileOpen(frmMerge& dialog, const std::function<void()>& act) {
    QTimer::singleShot(0, &dialog, act);
    return dialog.showModal();
}

// Each row: the request's bold and disabled buttons, the control that has the focus on opening, what
// the user does, and the answer's button. A press hands back the boxes' bytes untouched; a click on a
// disabled button does nothing; Escape does nothing; closing the window answers with no button. Every
// row also shows the rest of the request applied.
TEST(frmMerge, ActionGivesChoice) {
    struct Row {
        std::optional<B> bold;
        std::set<B> disabled;
        const char* focused;
        const char* action;  // a button's letter, "escape" or "close"
        std::optional<B> choice;
    };
    const Row rows[] = {
        {B::Local, {}, "cmdLocal", "l", B::Local},
        {B::Original, {}, "cmdOriginal", "o", B::Original},
        {B::Server, {B::Original}, "cmdServer", "s", B::Server},
        {B::Backup, {}, "cmdBackup", "b", B::Backup},
        {std::nullopt, {}, "cmdBackup", "s", B::Server},
        // Without a bold button that can be pressed, the default button takes the focus.
        {B::Local, {B::Local}, "cmdBackup", "l", std::nullopt},
        {B::Server, {}, "cmdServer", "escape", B::Server},
        {B::Server, {}, "cmdServer", "close", std::nullopt},
    };
    for (const Row& row : rows) {
        ConflictRequest request;
        // The conflict boxes hold a word too long to wrap at its ends, and one just short enough.
        request.texts = {" tiddler=\"N\">mine", "[Same as local.]", " tiddler=\"N\">theirs",
                         "a " + std::string(1001, 'x'), std::string(1000, 'x') + " b"};
        request.boldButton = row.bold;
        request.disabledButtons = row.disabled;
        request.setAsideBoxes = {X::Original};
        request.takenBackBoxes = {X::Local, X::Server};
        frmMerge dialog(request);
        QString seen;
        const ConflictAnswer answer = whileOpen(dialog, [&] {
            seen = dialog.focusWidget()->objectName();
            for (B b : kDialogButtons) {
                EXPECT_EQ(dialog.button(b)->font().bold(), row.bold == b);
                EXPECT_EQ(dialog.button(b)->isEnabled(), row.disabled.count(b) == 0);
            }
            const QPlainTextEdit* original = dialog.box(X::Original);
            const QPlainTextEdit* mine = dialog.box(X::Local);
            EXPECT_EQ(original->focusPolicy(), Qt::ClickFocus);  // set aside: out of the Tab order
            EXPECT_EQ(mine->focusPolicy(), Qt::StrongFocus);
            EXPECT_EQ(dialog.box(X::Conflict2)->textCursor().position(), 0);
            // Not taken back: read-only, and shown on the window's background.
            EXPECT_TRUE(original->isReadOnly());
            EXPECT_FALSE(mine->isReadOnly());
            EXPECT_NE(original->palette().color(QPalette::Base), mine->palette().color(QPalette::Base));
            EXPECT_EQ(dialog.box(X::Conflict1)->wordWrapMode(), QTextOption::WrapAnywhere);
            EXPECT_EQ(dialog.box(X::Conflict2)->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
            const std::string_view action = row.action;
            if (action == "escape") {  // once keys are taken, then the bold button
                QTimer::singleShot(kKeyboardArmDelay + std::chrono::milliseconds(50), &dialog, [&] {
                    // Tab goes from the buttons to the boxes, passing the set-aside one.
                    QString order;
                    for (Qt::Key k : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Escape}) {
                        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
                        QApplication::sendEvent(dialog.focusWidget(), &press);
                        order += dialog.focusWidget()->objectName() + " ";
                    }
                    EXPECT_EQ(order, "cmdBackup txtLocal txtServer txtServer ");
                    dialog.button(B::Server)->click();
                });
                return;
            }
            if (action.size() == 1) {
                dialog.button(static_cast<B>(std::string_view("losb").find(action)))->click();
            }
            QTimer::singleShot(0, &dialog, [&] { dialog.close(); });  // only if the action did not answer
        });
        EXPECT_EQ(seen.toStdString(), row.focused) << row.action;
        EXPECT_EQ(answer.choice, row.choice) << row.action;
        EXPECT_EQ(answer.texts, row.choice ? request.texts : ConflictTexts{}) << row.action;
        EXPECT_EQ(dialog.strChoice(),
                  row.choice ? std::string(1, "losb"[static_cast<int>(*row.choice)]) : "");
    }
}

TEST(frmMerge, BoxesShowTheFieldsAsLinesAndHandBackTheirBytes) {
    ConflictRequest request;
    request.texts.strLocal = "one\r\ntwo\r\ncaf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xC2\xA0nbsp";
    // Real line breaks stand; not UTF-8: shown as Latin-1.
    request.texts.strServer = "later\nform: caf\xE9 \xA0";
    request.texts.strOriginal = "x\xE9y";
    request.texts.strConflict1 = "mixed\r\nline ends\nand a lone\rreturn";
    // A paragraph separator, a frame mark and a lone carriage return survive an edit of their box.
    request.texts.strConflict2 = "para\xE2\x80\xA9graph\xEF\xB7\x90\r\nlone\rreturn";
    request.takenBackBoxes = {X::Local, X::Original, X::Server, X::Conflict1, X::Conflict2};
    frmMerge dialog(request);
    QString shownLocal, shownServer;
    const ConflictAnswer answer = whileOpen(dialog, [&] {
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
    EXPECT_EQ(
        answer.texts,
        (ConflictTexts{"one\r\ntwo\r\ncaf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xC2\xA0nbsp",
                       "x\xE2\x82\xAC\xC3\xA9\xE9y", request.texts.strServer, request.texts.strConflict1,
                       "para\xE2\x80\xA9graph\xEF\xB7\x90\r\nlone\rreturn\r\n!"}));
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
            ConflictRequest request;
            request.boldButton = B::Local;
            frmMerge dialog(request);
            EXPECT_EQ(dialog.showModal().choice, B::Local);
        }
        EXPECT_EQ(open, (std::vector<bool>{true, true}))
            << "question " << question << ", key " << answeringKey;
    }
}

TEST(frmMerge, OpensMaximizedCentredOnItsOwnerAndLaysOutOnResize) {
    QWidget owner;
    owner.setGeometry(QRect(QGuiApplication::primaryScreen()->availableGeometry().center() - QPoint(50, 20),
                            QSize(200, 80)));
    owner.show();
    frmMerge dialog({}, &owner);
    whileOpen(dialog, [&] {
        EXPECT_TRUE(dialog.isMaximized());
        dialog.showNormal();
        dialog.resize(600, 540);  // 9000 x 8100 twips: each control stands where the pass put it
        EXPECT_EQ(dialog.layoutGeometry(), layoutPass(designedMergeLayout(), 9000, 8100).geometry);
        for (std::size_t i = 0; i < kMergeControlCount; ++i) {
            const auto c = static_cast<MergeControl>(i);
            const TwipRect& r = dialog.layoutGeometry()[c];
            const QWidget* w = dialog.findChild<QWidget*>(QString::fromLatin1(controlName(c).data()));
            EXPECT_EQ(w ? w->geometry() : QRect(), twipsToPixels(r.left, r.top, r.width, r.height))
                << controlName(c);
        }
        dialog.resize(300, 200);  // never smaller than designed
        EXPECT_EQ(dialog.size(), QSize(504, 450));
        dialog.button(DialogButton::Local)->click();
    });
    EXPECT_EQ(dialog.normalGeometry().size(), QSize(504, 450));
    EXPECT_EQ(dialog.normalGeometry().center(), owner.geometry().center());
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
        qputenv("KORVANE_ABANDONED_MERGE", QByteArray::fromStdString(folder));
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
    qunsetenv("KORVANE_ABANDONED_MERGE");
    EXPECT_EQ(test::snapshot(folder), before);
    EXPECT_EQ(before.size(), 2u);
}

}  // namespace
}  // namespace korvane
