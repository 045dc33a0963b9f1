// The review window over a real merge run: what the list, the headings and the marks show, what the
// keys do, and that a refused edit keeps the window on its tiddler.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTreeView>
#include <ctime>
#include <optional>

#include "merge/Messages.h"
#include "merge/format/FormatMessages.h"
#include "support/TestSupport.h"
#include "ui/UiTestHelpers.h"
#include "ui/review/ShownStamps.h"
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

// The underline of a word's second character in a box.
QTextCharFormat::UnderlineStyle underlineAt(QPlainTextEdit* box, const QString& word) {
    QTextCursor c(box->document());
    c.setPosition(static_cast<int>(box->toPlainText().indexOf(word)) + 1);
    return c.charFormat().underlineStyle();
}

// Whether every character of a pane's `shown` text is marked (underlined, or struck through in the
// base pane), and the character after it is not.
bool markedWhole(const QPlainTextEdit* pane, const QString& shown) {
    const int at = static_cast<int>(pane->toPlainText().indexOf(shown));
    QTextCursor c(pane->document());
    const auto marked = [&c](int position) {
        c.setPosition(position);
        return c.charFormat().fontUnderline() || c.charFormat().fontStrikeOut();
    };
    for (int k = 1; k <= shown.size(); ++k) {
        if (at < 0 || !marked(at + k)) {
            return false;
        }
    }
    return !marked(at) && !marked(at + static_cast<int>(shown.size()) + 1);
}

bool underlinedAt(QPlainTextEdit* pane, const QString& word) {
    const int at = static_cast<int>(pane->toPlainText().indexOf(word));
    QTextCursor c(pane->document());
    c.setPosition(at + 1);
    return at >= 0 && c.charFormat().fontUnderline();
}

// A merge run over `paths`, loaded and planned, under a review; no review when the run did not load.
struct ReviewedRun {
    ReviewedRun(const MergePaths& paths, bool mergeInside) : run(host, fs, paths) {
        run.settings().mergeInside = mergeInside;
        if (run.load()) {
            titles.emplace(run.titles());
            plan = run.plan(*titles);
            review.emplace(run, plan, *titles);
        }
    }
    test::ScriptedHost host;
    MachineFileSystem fs;
    MergeRun run;
    std::optional<VisitingList> titles;
    MergePlan plan;
    std::optional<Review> review;
};

// A stored range carried over to the shown text: before a stamp as it was, after it moved by the
// date's length, starting or ending inside the stamp widened to the whole date.
TEST(ReviewWindow, CarriesStoredRangesOverToShownStamps) {
    qputenv("TZ", "UTC");
    tzset();
    const BoxContent stored{"title: T\nmodified: 202611081100\n\ntext", true};
    const ShownText shown = showStamps(stored, true);
    ASSERT_EQ(shown.content.bytes, "title: T\nmodified: 8 Nov 2026, 11:00\n\ntext");
    const std::size_t stamp = 19, date = 19, text = 33, shownText = 38;
    EXPECT_EQ(
        toShown({{0, 5}, {stamp + 2, stamp + 4}, {stamp - 3, text + 4}, {text, text + 4}, {stamp - 3, stamp}},
                shown.stamps),
        (std::vector<ByteRange>{{0, 5},
                                {date, date + 17},
                                {date - 3, shownText + 4},
                                {shownText, shownText + 4},
                                {date - 3, date}}));
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
    ReviewedRun reviewed(paths, true);
    ASSERT_TRUE(reviewed.review);
    Review& review = *reviewed.review;
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
        // The list opens on what needs a person: the two tiddlers both sides changed apart, and the one
        // whose edits were joined inside a line, merged but to check.
        EXPECT_EQ(window.findChild<QLabel*>("lblCounts")->text(),
                  "4 differences: 2 settled, 2 need you, 1 to check");
        EXPECT_TRUE(window.findChild<QRadioButton*>("optNeedsYou")->isChecked());
        EXPECT_EQ(window.findChild<QRadioButton*>("optNeedsYou")->text(), "&Needs you (3)");
        QTreeView* list = window.list();
        int shown = 0;
        for (int k = 0; k < list->model()->rowCount(); ++k) {
            shown += list->isRowHidden(k, {}) ? 0 : 1;
        }
        EXPECT_EQ(shown, 3);
        const auto cell = [list](int column) {
            return list->currentIndex().siblingAtColumn(column).data().toString();
        };
        ASSERT_EQ(review.items()[static_cast<std::size_t>(window.current())].title, "G1");
        EXPECT_EQ(cell(4), "merged — check");
        EXPECT_EQ(cell(0), "●");
        EXPECT_EQ(
            window.findChild<QLabel*>("lblResult")->text(),
            "Result — Merged: edits joined inside a line or paragraph, check it (you can edit it here)");
        // The result marks what it takes from each side: yours underlined, the friend's dotted.
        EXPECT_EQ(underlineAt(window.result(), "ONE"), QTextCharFormat::SingleUnderline);
        EXPECT_EQ(underlineAt(window.result(), "THREE"), QTextCharFormat::DotLine);
        EXPECT_EQ(underlineAt(window.result(), "two"), QTextCharFormat::NoUnderline);
        QTest::keyClick(&window, Qt::Key_F7);
        ASSERT_EQ(review.items()[static_cast<std::size_t>(window.current())].title, "G2");
        EXPECT_EQ(window.heading(Side::Local)->text(), "Yours — edited 8 Nov 2026, 11:00 — newer");
        EXPECT_EQ(window.heading(Side::Remote)->text(), "Friend's — edited 7 Nov 2026, 10:00");
        EXPECT_EQ(window.heading(Side::Unedited)->text(), "Unedited — saved 1 Nov 2026, 09:00");
        EXPECT_EQ(cell(4), "Both");
        EXPECT_FALSE(window.outcomeButton(Outcome::Merged)->isEnabled());
        // The marks: each side's own words, underlined; the pane opened at the first in the text, not
        // at the stamp above it.
        EXPECT_TRUE(underlinedAt(window.pane(Side::Local), "xl"));
        EXPECT_FALSE(underlinedAt(window.pane(Side::Local), "www"));
        const QPlainTextEdit* yours = window.pane(Side::Local);
        // Stamps are shown as dates, a changed one marked whole; the field table shows them as dates
        // too; the result keeps the stored stamp.
        EXPECT_FALSE(yours->toPlainText().contains(QString::fromStdString(l)));
        EXPECT_TRUE(markedWhole(yours, "8 Nov 2026, 11:00"));
        EXPECT_TRUE(markedWhole(window.pane(Side::Remote), "7 Nov 2026, 10:00"));
        EXPECT_TRUE(markedWhole(window.pane(Side::Unedited), "1 Nov 2026, 09:00"));
        EXPECT_TRUE(window.pane(Side::Unedited)
                        ->toPlainText()
                        .startsWith("modified: 1 Nov 2026, 09:00\ntitle: G2\n"));
        const auto* fields = window.findChild<QTableWidget*>("tblFields");
        const QList<QTableWidgetItem*> stamp = fields->findItems("modified", Qt::MatchExactly);
        ASSERT_EQ(stamp.size(), 1);
        EXPECT_EQ(fields->item(stamp[0]->row(), 1)->text(), "8 Nov 2026, 11:00");
        EXPECT_EQ(fields->item(stamp[0]->row(), 2)->toolTip().toStdString(), old);
        EXPECT_TRUE(window.result()->toPlainText().contains(QString::fromStdString("modified: " + r + "\n")));
        EXPECT_EQ(yours->textCursor().position(), yours->toPlainText().indexOf("xl"));
        // Alt+F takes the friend's version; the counts follow; the list keeps the arrows; F7 goes on to
        // the next that needs you.
        QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier);
        QTest::qWait(300);  // a mnemonic presses its button as a click shown on screen
        EXPECT_EQ(cell(4), "Friend's");
        EXPECT_EQ(cell(0), "✓");
        EXPECT_EQ(window.findChild<QLabel*>("lblCounts")->text(),
                  "4 differences: 3 settled, 1 needs you, 1 to check");
        EXPECT_EQ(QApplication::focusWidget(), list);
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

// Real texts: a Japanese sentence is marked word by word, a tab-indented stylesheet's mark stops at the
// end of its line, a line of 50 KB opens at its only change and is cut between words, a merged `list`
// waits for a look, and the list and the Save question name each side's deletion.
TEST(ReviewWindow, MarksShowEachChangeAndSaveNamesDeletions) {
    const std::string old = "20261101090000000", l = "20261108110000000";
    std::string words;
    for (int k = 0; k < 5000; ++k) {
        words += "weather" + std::to_string(k) + " ";
    }
    const auto listed = [&old](const std::string& title, const std::string& list) {
        return "{\"title\":\"" + title + "\",\"text\":\"x\",\"list\":\"" + list + "\",\"modified\":\"" + old +
               "\"}";
    };
    const std::string title = "$:/customised/plumbing/Checkbox widget added on both sides";
    test::TempDir dir;
    const MergePaths paths{
        dir.write(
            "l.html",
            wiki({t("J", "今日は天気が悪いです。", l), t("S", "a {\\n\\tcolor: blue;\\n\\tmargin: 0;\\n}", l),
                  t("W", words + "end", l), listed("L", "a b c"), t("D2", "d", old), t(title, "t", old)})),
        dir.write("r.html", wiki({t("J", "今日は天気がいいです。", old),
                                  t("S", "a {\\n\\tcolor: red;\\n\\tmargin: 0;\\n}", old),
                                  t("W", words + "start", old), listed("L", "x a b"), t("D1", "d", old)})),
        dir.write("u.html",
                  wiki({t("J", "今日は天気がいいです。", old),
                        t("S", "a {\\n\\tcolor: red;\\n\\tmargin: 0;\\n}", old), t("W", words + "start", old),
                        listed("L", "a b"), t("D1", "d", old), t("D2", "d", old), t(title, "t", old)}))};
    ReviewedRun reviewed(paths, true);
    ASSERT_TRUE(reviewed.review);
    Review& review = *reviewed.review;
    frmReview window(review, true);
    std::vector<std::string> boxes;
    test::ModalResponder responder([&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            boxes.push_back(box->text().toStdString());
            test::answerBox(box, QMessageBox::No);
        }
    });
    QTimer::singleShot(0, &window, [&] {
        QTreeView* list = window.list();
        std::string rows;
        for (int k = 0; k < list->model()->rowCount(); ++k) {
            for (int c = 1; c < 5; ++c) {
                rows += list->model()->index(k, c).data().toString().toStdString() + (c < 4 ? "/" : "|");
            }
        }
        EXPECT_EQ(rows,
                  "J/edited//Yours|S/edited//Yours|W/edited//Yours|"
                  "L/edited/edited/merged — check|D1/deleted//Deleted|D2//deleted/Deleted|" +
                      title + "//deleted/Deleted|");
        // A title longer than its column is cut in the middle and shown whole on hover.
        EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);
        EXPECT_EQ(list->model()->index(6, 1).data(Qt::ToolTipRole).toString().toStdString(), title);
        // The titles take the room, and more of it in a larger window. (Not under wine: its offscreen
        // platform lays the list out without the window's sizes; its Windows platform stretches the
        // titles, as the screenshots of desktop-wine.sh show.)
#ifndef KORVANE_TESTS_ON_WINDOWS
        window.resize(1280, 800);
        QApplication::processEvents();
        const int titleWidth = list->columnWidth(1);
        EXPECT_GT(titleWidth, list->columnWidth(4));
        window.resize(1920, 1000);
        QApplication::processEvents();
        EXPECT_GT(list->columnWidth(1), titleWidth + 150);
#endif
        window.select(0);
        QPlainTextEdit* yours = window.pane(Side::Local);
        EXPECT_TRUE(underlinedAt(yours, "悪"));
        EXPECT_FALSE(underlinedAt(yours, "今日"));
        QPlainTextEdit* unedited = window.pane(Side::Unedited);
        QTextCursor gone(unedited->document());
        gone.setPosition(static_cast<int>(unedited->toPlainText().indexOf("いい")) + 1);
        EXPECT_TRUE(gone.charFormat().fontStrikeOut());
        gone.setPosition(static_cast<int>(unedited->toPlainText().indexOf("天気")) + 1);
        EXPECT_FALSE(gone.charFormat().fontStrikeOut());
        window.select(1);
        EXPECT_TRUE(underlinedAt(yours, "blue"));
        QTextCursor tab(yours->document());
        tab.setPosition(static_cast<int>(yours->toPlainText().indexOf("\tmargin")) + 1);
        EXPECT_FALSE(tab.charFormat().fontUnderline());
        window.select(2);
        EXPECT_EQ(yours->textCursor().position(), yours->toPlainText().indexOf("end"));
        for (QTextBlock b = yours->document()->findBlock(yours->toPlainText().indexOf("weather0"));
             b.isValid() && b.next().isValid(); b = b.next()) {
            EXPECT_TRUE(b.text().endsWith(' ')) << b.text().right(12).toStdString();
        }
        QApplication::setActiveWindow(&window);
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        window.done(QDialog::Rejected);
    });
    EXPECT_FALSE(window.showModal());
    EXPECT_EQ(boxes,
              std::vector<std::string>{"Saves all three files: 2 deleted as your friend did, 3 of yours, 1 "
                                       "deleted as you did, 1 merged.\n\nSave now?"});
}

// An early-format result replaced by plain text is refused with the reason, and a click on another
// tiddler leaves the list, the panes and the buttons on the one refused, with the text typed: Alt+D
// drops the tiddler the list shows. Closing asks first once a choice was made or an edit waits in the
// result (No keeps the window and the choice); with none it closes at once.
TEST(ReviewWindow, ActsOnTheTiddlerShownAndAsksBeforeDiscardingChoices) {
    qputenv("TZ", "UTC");
    tzset();
    test::TempDir dir;
    const std::string a = test::earlyTiddler("A", "a"), b = test::earlyTiddler("B", "b");
    const std::string theirs = test::earlyTiddler("B", "theirs", "200601031200"),
                      same = test::earlyTiddler("S", "s");
    const MergePaths paths{
        dir.write("l.html", test::earlyWiki({test::earlyTiddler("A", "mine", "200601031200"), b, same})),
        dir.write("r.html", test::earlyWiki({a, theirs, same})),
        dir.write("u.html", test::earlyWiki({a, b, same}))};
    ReviewedRun reviewed(paths, false);
    ASSERT_TRUE(reviewed.review);
    Review& review = *reviewed.review;
    MergeRun& run = reviewed.run;
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
        // The early form's stamps shown as dates, the changed one marked whole; the result as stored.
        EXPECT_TRUE(markedWhole(window.pane(Side::Local), "modified=\"3 Jan 2006, 12:00\""));
        EXPECT_TRUE(window.pane(Side::Local)->toPlainText().contains("created=\"1 Jan 2005, 12:00\""));
        EXPECT_FALSE(markedWhole(window.pane(Side::Local), "1 Jan 2005, 12:00"));
        EXPECT_TRUE(
            window.result()->toPlainText().contains("modified=\"200601031200\" created=\"200501011200\""));
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
