// The review window over a real merge run: what the list, the headings and the marks show, what the
// keys do, and that a refused edit keeps the window on its tiddler.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTreeView>
#include <ctime>

#include "merge/Messages.h"
#include "support/TestSupport.h"
#include "ui/UiTestHelpers.h"
#include "ui/review/frmReview.h"

namespace korvane {
namespace {

std::string wiki(const std::vector<std::string>& tiddlers) {
    std::string store;
    for (const std::string& t : tiddlers) {
        store += (store.empty() ? "" : ",\n") + t;
    }
    return "<html><body>\n<script class=\"tiddlywiki-tiddler-store\" type=\"application/json\">[\n" + store +
           "\n]</script><div id=\"storeArea\" style=\"display:none;\"></div>\n"
           "<script src=\"core.js\"></script></body></html>\n";
}
std::string t(const std::string& title, const std::string& text, const std::string& modified) {
    return "{\"title\":\"" + title + "\",\"text\":\"" + text + "\",\"modified\":\"" + modified + "\"}";
}

bool underlinedAt(QPlainTextEdit* pane, const QString& word) {
    const int at = static_cast<int>(pane->toPlainText().indexOf(word));
    QTextCursor c(pane->document());
    c.setPosition(at + 1);
    return at >= 0 && c.charFormat().fontUnderline();
}

TEST(ReviewWindow, ShowsEachDifferenceInWordsAndSettlesByKeyboard) {
    qputenv("TZ", "UTC");
    tzset();
    const std::string old = "20261101090000000", l = "20261108110055934", r = "20261107100000000";
    const std::string longText = std::string(3000, 'w') + " " + std::string(5000, 'x');
    test::TempDir dir;
    const MergePaths paths{dir.write("l.html", wiki({t("A", "a", old), t("G1", "ONE two three", l),
                                                     t("G2", "xl " + longText + " L", l), t("E", "el", l)})),
                           dir.write("r.html", wiki({t("A", "a2", r), t("G1", "one two THREE", r),
                                                     t("G2", "xr " + longText + " R", r)})),
                           dir.write("u.html", wiki({t("A", "a", old), t("G1", "one two three", old),
                                                     t("G2", "x " + longText, old), t("E", "e", old)}))};
    test::ScriptedHost host;
    PosixFileSystem fs;
    MergeRun run(host, fs, paths);
    run.settings().mergeInside = true;
    ASSERT_TRUE(run.load());
    const VisitingList titles = run.titles();
    MergePlan plan = run.plan(titles);
    Review review(run, plan, titles);
    frmReview window(review, true);
    std::vector<std::string> boxes;
    test::ModalResponder responder([&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            boxes.push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
            test::answerBox(box, box->button(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No);
        }
    });
    QTimer::singleShot(0, &window, [&] {
        QApplication::setActiveWindow(&window);  // its shortcuts take keys only while it is active
        // The list opens on what needs a person: the two tiddlers both sides changed apart.
        EXPECT_EQ(window.findChild<QLabel*>("lblCounts")->text(), "4 differences: 2 settled, 2 need you");
        EXPECT_TRUE(window.findChild<QRadioButton*>("optNeedsYou")->isChecked());
        EXPECT_EQ(window.findChild<QRadioButton*>("optNeedsYou")->text(), "&Needs you (2)");
        QTreeView* list = window.list();
        int shown = 0;
        for (int k = 0; k < list->model()->rowCount(); ++k) {
            shown += list->isRowHidden(k, {}) ? 0 : 1;
        }
        EXPECT_EQ(shown, 2);
        const auto cell = [list](int column) {
            return list->currentIndex().siblingAtColumn(column).data().toString();
        };
        ASSERT_EQ(review.items()[static_cast<std::size_t>(window.current())].title, "G2");
        EXPECT_EQ(window.heading(Side::Local)->text(), "Yours — edited 8 Nov 2026, 11:00 — newer");
        EXPECT_EQ(window.heading(Side::Remote)->text(), "Friend's — edited 7 Nov 2026, 10:00");
        EXPECT_EQ(window.heading(Side::Unedited)->text(), "Unedited — saved 1 Nov 2026, 09:00");
        EXPECT_EQ(cell(4), "Both");
        EXPECT_FALSE(window.outcomeButton(Outcome::Merged)->isEnabled());
        // The marks: each side's own words, underlined; the pane opened at the first (its stamp).
        EXPECT_TRUE(underlinedAt(window.pane(Side::Local), "xl"));
        EXPECT_FALSE(underlinedAt(window.pane(Side::Local), "www"));
        const QPlainTextEdit* yours = window.pane(Side::Local);
        EXPECT_EQ(yours->textCursor().position(), yours->toPlainText().indexOf(QString::fromStdString(l)));
        // Alt+F takes the friend's version; the counts follow; F7 goes on to the next that needs you.
        QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier);
        QTest::qWait(300);  // a mnemonic presses its button as a click shown on screen
        EXPECT_EQ(cell(4), "Friend's");
        EXPECT_EQ(cell(0), "✓");
        EXPECT_EQ(window.findChild<QLabel*>("lblCounts")->text(), "4 differences: 3 settled, 1 needs you");
        QTest::keyClick(&window, Qt::Key_F7);
        ASSERT_EQ(review.items()[static_cast<std::size_t>(window.current())].title, "E");
        EXPECT_EQ(window.heading(Side::Remote)->text(), "Friend's — deleted on this side");
        EXPECT_TRUE(window.pane(Side::Remote)->toPlainText().isEmpty());
        EXPECT_FALSE(window.outcomeButton(Outcome::Both)->isEnabled());
        // A result edited into another title is refused and the window stays on the tiddler.
        window.result()->selectAll();
        window.result()->insertPlainText("title: Z\n\nz");
        QTest::keyClick(&window, Qt::Key_F7, Qt::ShiftModifier);
        EXPECT_EQ(review.items()[static_cast<std::size_t>(window.current())].title, "E");
        window.result()->selectAll();
        window.result()->insertPlainText("title: E\n\nmine");
        window.select(0);
        EXPECT_EQ(review.items()[3].outcome, Outcome::Edited);
        EXPECT_TRUE(window.findChild<QRadioButton*>("optAll")->isChecked());
        EXPECT_EQ(window.heading(Side::Local)->text(), "Yours — unchanged, saved 1 Nov 2026, 09:00");
        // Ctrl+S says what the save will do; No keeps the window open.
        QApplication::setActiveWindow(&window);  // back from the message box
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(window.isVisible());
        window.done(QDialog::Rejected);
    });
    EXPECT_FALSE(window.showModal());
    EXPECT_EQ(
        boxes,
        (std::vector<std::string>{
            "Edit not accepted: " + msg::boxRefused(std::string(msg::kTitleChanged)),
            "Save Files?: Saves all three files: 2 from the friend, 1 merged, 1 edited.\n\nSave now?"}));
}

// An early-format result replaced by plain text is refused with the reason, and a click on another
// tiddler leaves the list, the panes and the buttons on the one refused, with the text typed: Alt+D
// drops the tiddler the list shows. Closing asks first once a choice was made or an edit waits in the
// result (No keeps the window and the choice); with none it closes at once.
TEST(ReviewWindow, ActsOnTheTiddlerShownAndAsksBeforeDiscardingChoices) {
    test::TempDir dir;
    const std::string a = test::earlyTiddler("A", "a"), b = test::earlyTiddler("B", "b");
    const std::string theirs = test::earlyTiddler("B", "theirs", "200601031200"),
                      same = test::earlyTiddler("S", "s");
    const MergePaths paths{
        dir.write("l.html", test::earlyWiki({test::earlyTiddler("A", "mine", "200601031200"), b, same})),
        dir.write("r.html", test::earlyWiki({a, theirs, same})),
        dir.write("u.html", test::earlyWiki({a, b, same}))};
    test::ScriptedHost host;
    PosixFileSystem fs;
    MergeRun run(host, fs, paths);
    ASSERT_TRUE(run.load());
    const VisitingList titles = run.titles();
    MergePlan plan = run.plan(titles);
    Review review(run, plan, titles);
    ASSERT_EQ(review.items().size(), 2u);  // A edited on your side, B on the friend's
    std::vector<std::string> boxes;
    test::ModalResponder responder([&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            boxes.push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
            test::answerBox(box, box->button(QMessageBox::Ok)                        ? QMessageBox::Ok
                                 : box->windowTitle() == msg::kSaveFilesTitle.data() ? QMessageBox::Yes
                                                                                     : QMessageBox::No);
        }
    });
    {
        frmReview untouched(review, true);
        QTimer::singleShot(0, &untouched, [&] {
            untouched.result()->insertPlainText("x");  // an edit waiting in the result is a choice too
            QTest::keyClick(&untouched, Qt::Key_Escape);
            EXPECT_TRUE(untouched.isVisible());
            untouched.result()->undo();
            QTest::keyClick(&untouched, Qt::Key_Escape);
        });
        EXPECT_FALSE(untouched.showModal());
        EXPECT_EQ(boxes, std::vector<std::string>{"Discard Choices?: Discard your choices?"});
    }
    frmReview window(review, true);
    QTimer::singleShot(0, &window, [&] {
        QTreeView* list = window.list();
        ASSERT_EQ(window.current(), 0);
        window.result()->selectAll();
        window.result()->insertPlainText("Just my new text");
        const QPoint other = list->visualRect(list->model()->index(1, 1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, other);
        EXPECT_EQ(window.current(), 0);
        EXPECT_EQ(list->currentIndex().row(), 0);
        EXPECT_TRUE(list->selectionModel()->isRowSelected(0, {}));
        EXPECT_FALSE(list->selectionModel()->isRowSelected(1, {}));
        EXPECT_EQ(window.result()->toPlainText(), "Just my new text");
        EXPECT_TRUE(window.pane(Side::Local)->toPlainText().endsWith(">mine"));
        QApplication::setActiveWindow(&window);  // back from the message box
        QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier);
        QTest::qWait(300);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, other);
        EXPECT_EQ(window.current(), 1);
        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(review.items()[0].outcome, Outcome::Drop);
        QApplication::setActiveWindow(&window);
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    });
    EXPECT_TRUE(window.showModal());
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         "Discard Choices?: Discard your choices?",
                         "Edit not accepted: " + msg::entryRefused(msg::kNotOneEntry),
                         "Discard Choices?: Discard your choices?",
                         "Save Files?: Saves all three files: 1 from the friend, 1 dropped.\n\nSave now?"}));
    ASSERT_TRUE(review.apply());
    EXPECT_EQ(run.strMergedStore(), theirs + "\r\n" + same + "\r\n");
}

}  // namespace
}  // namespace korvane
