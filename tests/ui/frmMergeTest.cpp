#include "ui/conflict/frmMerge.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>

#include "merge/MergeRun.h"
#include "platform/MessageBoxes.h"
#include "platform/Program.h"
#include "support/TestSupport.h"
#include "ui/UiTestHelpers.h"
#include "ui/main/frmMain.h"

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

TEST(frmMerge, EachButtonHasItsCaptionAndHandsBackItsCode) {
    const std::tuple<DialogButton, const char*, const char*> rows[] = {
        {DialogButton::Local, "l", "<< Use your version"},
        {DialogButton::Original, "o", "<< Use original (unedited) version"},
        {DialogButton::Server, "s", "<< Use edited version"},
        {DialogButton::Backup, "b", "<< Backup and link conflicts"}};
    for (const auto& [b, code, caption] : rows) {
        frmMerge dialog;
        EXPECT_EQ(dialog.windowTitle(), "Merge");
        EXPECT_EQ(dialog.button(b)->text(), caption);
        EXPECT_EQ(dialog.button(b)->isDefault(), b == DialogButton::Backup);
        const QLabel* note = dialog.findChild<QLabel*>("Label1");
        EXPECT_EQ(note->text(), "Note: Bold button is recommended.");
        EXPECT_TRUE(note->font().bold());
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
    // A paragraph separator, a frame mark and a lone carriage return survive an edit of their box.
    dialog.strConflict2 = "para\xE2\x80\xA9graph\xEF\xB7\x90\\nlone\rreturn";
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
        dialog.box(DialogBox::Conflict2)->moveCursor(QTextCursor::End);
        dialog.box(DialogBox::Conflict2)->insertPlainText("\n!");
        dialog.button(DialogButton::Server)->click();
    });
    EXPECT_EQ(shownLocal, QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80  nbsp"));
    EXPECT_EQ(shownServer, QString::fromUtf8("caf\xC3\xA9 na\xC3\xAFve  "));
    EXPECT_EQ(dialog.strLocal, local);
    EXPECT_EQ(dialog.strServer, server);
    EXPECT_EQ(dialog.strConflict1, conflict1);
    EXPECT_EQ(dialog.strOriginal, "x\xE2\x82\xAC\xC3\xA9\xE9y");
    EXPECT_EQ(dialog.strConflict2, "para\xE2\x80\xA9graph\xEF\xB7\x90\r\nlone\rreturn\r\n!");
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
    request.takenBackBoxes = {DialogBox::Local, DialogBox::Server};

    QWidget owner;
    std::vector<bool> localBold;
    QTimer::singleShot(0, &owner, [&] {
        auto* dialog = owner.findChild<frmMerge*>();
        EXPECT_EQ(dialog->windowTitle(), "Merging item 7 of 42");
        EXPECT_TRUE(dialog->button(DialogButton::Server)->font().bold());
        EXPECT_FALSE(dialog->button(DialogButton::Original)->isEnabled());
        const QPlainTextEdit* original = dialog->box(DialogBox::Original);
        QPlainTextEdit* local = dialog->box(DialogBox::Local);
        EXPECT_EQ(original->focusPolicy(), Qt::ClickFocus);  // set aside: out of the Tab order
        EXPECT_EQ(local->focusPolicy(), Qt::StrongFocus);
        // Not taken back: read-only, and shown on the window's background.
        EXPECT_TRUE(original->isReadOnly());
        EXPECT_FALSE(local->isReadOnly());
        EXPECT_NE(original->palette().color(QPalette::Base), local->palette().color(QPalette::Base));
        EXPECT_EQ(local->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
        for (int i = 0; i < local->document()->characterCount() - 1; ++i) {
            localBold.push_back(isBoldAt(local, i));
        }
        dialog->button(DialogButton::Server)->click();
    });
    const ConflictAnswer answer = frmMerge::settle(request, &owner);
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

TEST(frmMerge, OnlyTheBoxesThatTheRunTakesBackCanBeEdited) {
    using X = DialogBox;
    // Which version of the tiddler T the unedited, local and remote documents hold: '.' none.
    const std::pair<const char*, std::set<X>> rows[] = {
        {"..r", {X::Server}},
        {".l.", {X::Local}},
        {".lr", {X::Local, X::Server, X::Conflict1, X::Conflict2}},
        {"u..", {X::Original}},
        {"u.r", {X::Server, X::Original}},
        {"u.u", {X::Server}},  // "[Same as remote.]" in the unedited box
        {"ul.", {}},
        {"ulr", {}},
        {"ulu", {}}};
    for (const auto& [ulr, editable] : rows) {
        SCOPED_TRACE(ulr);
        const auto wiki = [](char version) {
            std::vector<std::string> tiddlers{test::earlyTiddler("Other", "same")};
            if (version != '.') {
                tiddlers.push_back(test::earlyTiddler("T", std::string("version ") + version));
            }
            return test::earlyWiki(tiddlers);
        };
        test::TempDir dir;
        test::ScriptedHost host;
        std::set<X> seen;
        host.answerDialog = [&seen](const ConflictRequest& r) {
            QTimer::singleShot(0, [&seen, &r] {
                auto* dialog = qobject_cast<frmMerge*>(QApplication::activeModalWidget());
                for (X b : {X::Local, X::Original, X::Server, X::Conflict1, X::Conflict2}) {
                    if (!dialog->box(b)->isReadOnly()) {
                        seen.insert(b);
                    }
                }
                dialog->button(*r.boldButton)->click();
            });
            return frmMerge::settle(r, nullptr);
        };
        PosixFileSystem fs;
        MergeRun run(host, fs,
                     {dir.write("l.html", wiki(ulr[1])), dir.write("r.html", wiki(ulr[2]) + "<!-- r -->"),
                      dir.write("u.html", wiki(ulr[0]))});
        ASSERT_TRUE(run.load());
        ASSERT_TRUE(run.merge());
        EXPECT_EQ(host.requests.size(), 1u);
        EXPECT_EQ(seen, editable);
    }
}

TEST(frmMerge, HeldAndEarlyKeysPressNothing) {
    const auto key = [](QWidget* window, Qt::Key k, bool autoRepeat) {
        QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, k, Qt::NoModifier, k == Qt::Key_Space ? " " : "\r", autoRepeat);
            QApplication::sendEvent(target, &event);
        }
    };
    // The conflict dialog (its bold button focused) and a Yes/No question (Yes the default).
    for (const auto& [question, answeringKey] :
         {std::pair{false, Qt::Key_Return}, std::pair{false, Qt::Key_Space},
          std::pair{true, Qt::Key_Return}}) {
        std::vector<bool> open;
        // At once: one press of each key and a held key; after the delay: a held key, then one press.
        QTimer::singleShot(0, [&, k = answeringKey] {
            QWidget* w = QApplication::activeModalWidget();
            key(w, Qt::Key_Return, false);
            key(w, Qt::Key_Space, false);
            key(w, Qt::Key_Return, true);
            open.push_back(w->isVisible());
            QTimer::singleShot(kKeyboardArmDelay + std::chrono::milliseconds(50), w, [&, w, k] {
                key(w, k, true);
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
    EXPECT_EQ(dialog.box(DialogBox::Local)->geometry(), QRect(8, 8, 457, 97));
    EXPECT_EQ(dialog.button(DialogButton::Backup)->geometry(), QRect(472, 393, 121, 57));
    EXPECT_FLOAT_EQ(dialog.layoutGeometry().line2.y1, 7212);
    dialog.resize(300, 200);
    EXPECT_EQ(dialog.size(), QSize(504, 450));
    EXPECT_EQ(dialog.box(DialogBox::Conflict2)->geometry(), QRect(8, 360, 361, 81));
}

TEST(frmMerge, OpensMaximizedAndItsNormalPlacementStaysOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // Where the owner stands, and where the dialog's normal frame then stands on the screen.
    enum class Expect { TopLeftCorner, CentredOverOwner, BottomRightCorner };
    const std::pair<QPoint, Expect> rows[] = {
        {screen.topLeft(), Expect::TopLeftCorner},
        {screen.center() - QPoint(100, 40), Expect::CentredOverOwner},
        {screen.bottomRight() - QPoint(150, 40), Expect::BottomRightCorner}};
    for (const auto& [ownerAt, expect] : rows) {
        QWidget owner;
        owner.setGeometry(QRect(ownerAt, QSize(200, 80)));
        owner.show();
        frmMerge dialog(&owner);
        bool maximized = false;
        whileOpen(dialog, [&] {
            maximized = dialog.isMaximized();
            dialog.button(DialogButton::Local)->click();
        });
        EXPECT_TRUE(maximized);
        EXPECT_EQ(dialog.normalGeometry().size(), QSize(504, 450));
        const QRect f = owner.frameGeometry();
        const QRect g = owner.geometry();
        const QRect normal = dialog.normalGeometry().marginsAdded(
            QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()));
        EXPECT_EQ(normal.topLeft(), expect == Expect::TopLeftCorner ? screen.topLeft() : normal.topLeft());
        EXPECT_EQ(normal.center(), expect == Expect::CentredOverOwner ? f.center() : normal.center());
        EXPECT_EQ(normal.bottomRight(),
                  expect == Expect::BottomRightCorner ? screen.bottomRight() : normal.bottomRight());
    }
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

TEST(frmMergeDeathTest, ClosingWithoutAButtonAbandonsTheMergeWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child process runs this test again: it merges the parent's files, named in the environment.
    const char* inherited = std::getenv("KORVANE_ABANDONED_MERGE");
    std::optional<test::TempDir> dir;
    std::string folder = inherited != nullptr ? inherited : "";
    if (inherited == nullptr) {
        folder = dir.emplace().dir().string();
        dir->write("local.html", test::earlyWiki({test::earlyTiddler("T", "mine")}));
        dir->write("remote.html", test::earlyWiki({test::earlyTiddler("T", "theirs")}));
        setenv("KORVANE_ABANDONED_MERGE", folder.c_str(), 1);
    }
    const auto before = test::snapshot(folder);
    EXPECT_EXIT(
        {
            frmMain window;
            window.Form_Load(QString::fromStdString("/local " + folder + "/local.html /remote " + folder +
                                                    "/remote.html"));
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
