#include "ui/main/frmMain.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <deque>

#include "document/Sjcl.h"
#include "support/TestSupport.h"
#include "ui/UiTestHelpers.h"
#include "ui/about/frmAbout.h"
#include "ui/conflict/frmMerge.h"
#include "ui/desktop/Settings.h"

namespace korvane {
namespace {

class MainWindow : public testing::Test {
  protected:
    void SetUp() override { test::clearSettings(); }
    void TearDown() override { test::clearSettings(); }
};

TEST_F(MainWindow, EveryChangeOfAFieldAndTheCommandLineAreRememberedAtOnce) {
    frmMain w;
    w.Form_Load();
    w.txtLocalFilePath()->insert("x");  // one keystroke
    EXPECT_EQ(rememberedPath("local"), "x");
    w.txtRemoteFilePath()->setText(" \t\"b.html\"");
    // A name that is not valid UTF-8 comes back byte for byte.
    const std::string lastMerge = "/home/ann/Caf\xE9 \xFF\xC3.html.LastMerge";
    w.setUneditedPath(lastMerge);
    EXPECT_EQ(textToPath(w.txtOriginalCopyFilePath()->text()), lastMerge);
    const QStringList typed{"x", " \t\"b.html\"", pathToText(lastMerge)};
    frmMain restarted;  // the paths come back; a command line out of order changes nothing
    restarted.Form_Load({"/remote", "/b", "/local", "/a"}, "/start");
    EXPECT_EQ((QStringList{restarted.txtLocalFilePath()->text(), restarted.txtRemoteFilePath()->text(),
                           restarted.txtOriginalCopyFilePath()->text()}),
              typed);
    EXPECT_EQ((QStringList{rememberedPath("local"), rememberedPath("remote"), rememberedPath("unedited")}),
              typed);
    // Valid names are stored as text; others as their bytes.
    QFile stored(QSettings(test::kSettingsFormat, QSettings::UserScope, "Korvane", "Korvane").fileName());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray text = stored.readAll().replace("\r\n", "\n");  // Windows ends its lines in CR LF
    EXPECT_TRUE(text.contains("\nlocal=x\n") &&
                text.contains("\nunedited=@ByteArray(/home/ann/Caf\\xe9 \\xff\\xc3.html.LastMerge)\n"))
        << text.toStdString();
    // The review check box is remembered when ticked by hand, not when the command line asked for it;
    // it sits where no control of the main window was.
    EXPECT_FALSE(restarted.chkReview()->isChecked());
    restarted.chkReview()->click();
    EXPECT_TRUE(rememberedOption("review"));
    restarted.chkReview()->click();
    frmMain reviewing;
    reviewing.Form_Load({"/review", "/local", "/a", "/remote", "/b"}, "/start");
    EXPECT_TRUE(reviewing.chkReview()->isChecked() && reviewing.reviews());
    EXPECT_FALSE(rememberedOption("review"));
    EXPECT_EQ(reviewing.txtRemoteFilePath()->text(), "/b");
    for (const QWidget* other : reviewing.findChildren<QWidget*>()) {
        EXPECT_TRUE(other == reviewing.chkReview() || other->parent() != &reviewing ||
                    !other->geometry().intersects(reviewing.chkReview()->geometry()))
            << other->objectName().toStdString();
    }
}

// Enter presses the focused button, in the main window and in the About box: what each press opens.
TEST_F(MainWindow, EnterPressesTheFocusedButton) {
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", "/nonexistent-folder");  // no system information tool
    frmMain w;
    w.Form_Load();
    w.show();
    frmAbout about;
    about.show();
    struct Row {
        QWidget* window;
        std::string_view button;
        QString opened;
    };
    const Row rows[] = {
        {&w, "cmdMergeFiles", "Remote file was not found. (Korvane)"},
        {&w, "About", "korvane::frmAbout About Korvane"},
        {&w, "cmdBrowseForFileRemote", "QFileDialog Open"},
        {&about, "cmdSysInfo", "System Information Is Unavailable At This Time (Korvane)"},
        {&about, "cmdOK", ""},
    };
    for (const Row& row : rows) {
        QString opened;
        {
            test::ModalResponder answer([&](QWidget* modal) {
                if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                    const test::SeenBox seen = test::answerBox(box, QMessageBox::Ok);
                    opened = seen.text + " (" + seen.title + ")";
                } else {
                    opened = modal->metaObject()->className() + (" " + modal->windowTitle());
                    qobject_cast<QDialog*>(modal)->reject();
                }
            });
            auto* button = row.window->findChild<QPushButton*>(QString::fromLatin1(row.button));
            button->setFocus();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(button, &enter);
        }
        EXPECT_EQ(opened.toStdString(), row.opened.toStdString()) << row.button;
        EXPECT_EQ(about.isVisible(), row.button != "cmdOK") << row.button;  // only OK closes the box
    }
    qputenv("PATH", savedPath);
}

// An encrypted trio through the windows: the password is typed into its question, a wrong one is asked
// again, the other copies open with it unasked, and the merged wiki is saved encrypted; Cancel abandons
// a run with nothing changed and nothing shown.
TEST_F(MainWindow, EncryptedWikisAskForTheirPasswordAndStayEncrypted) {
    test::TempDir dir;
    const std::string core = "<script src=\"core.js\"></script>";
    const auto wiki = [&](const std::string& text) {
        return test::encryptedWiki({"{\"title\":\"A\",\"text\":\"" + text + "\"}"}, "pass ☕", core);
    };
    const std::string local = dir.write("local.html", wiki("mine")),
                      remote = dir.write("remote.html", wiki("a"));
    const std::string unedited = dir.write("unedited.html", wiki("a"));
    frmMain w;
    w.Form_Load({"/local", local, "/remote", remote, "/lastmerge", unedited});
    for (const bool cancel : {true, false}) {
        const auto before = test::snapshot(dir.dir());
        std::vector<std::string> seen;
        std::deque<QString> typed = {"wrong", "pass ☕"};
        test::ModalResponder answer([&](QWidget* modal) {
            if (modal->objectName() == "frmPassword") {
                seen.push_back(modal->findChild<QLabel*>("lblPassword")->text().toStdString());
                if (cancel) {
                    qobject_cast<QDialog*>(modal)->reject();
                    return;
                }
                modal->findChild<QLineEdit*>("txtPassword")->insert(typed.front());
                typed.pop_front();
                qobject_cast<QDialog*>(modal)->accept();
            } else if (auto* dialog = qobject_cast<frmMerge*>(modal)) {
                seen.push_back("dialog");
                dialog->button(DialogButton::Local)->click();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen.push_back(
                    test::answerBox(box, box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok)
                        .title.toStdString());
            }
        });
        w.findChild<QPushButton*>("cmdMergeFiles")->click();
        const std::string asked = "Local file \"" + local + "\" is an encrypted TiddlyWiki.\n";
        if (cancel) {
            EXPECT_EQ(seen, std::vector<std::string>{asked + "Enter its password:"});
            EXPECT_EQ(test::snapshot(dir.dir()), before);
            continue;
        }
        EXPECT_EQ(seen,
                  (std::vector<std::string>{asked + "Enter its password:",
                                            asked + "That password does not open it. Enter its password "
                                                    "again:",
                                            "dialog", "Save Files?", "Korvane"}));
        const std::string saved = test::readBytes(local);
        const std::optional<EncryptedRange> range = findEncryptedStore(saved);
        SjclBlob blob;
        std::string plaintext;
        ASSERT_TRUE(range);
        ASSERT_EQ(readSjcl(saved.substr(range->begin, range->end - range->begin), blob), std::nullopt);
        EXPECT_EQ(decryptSjcl(blob, Secret("pass ☕"), plaintext), Decrypted::Ok);
        EXPECT_EQ(plaintext, R"({"A":{"title":"A","text":"mine"}})");
    }
}

// A merge of more than 20 differences, the review window unticked, asks once before the first dialog,
// No the default: No goes on with one dialog each, Yes opens the review window for this run only. Enter
// in a path starts the merge.
TEST_F(MainWindow, ManyDifferencesOfferTheReviewWindowOnceBeforeTheFirstDialog) {
    test::TempDir dir;
    std::vector<std::string> mine, base;
    for (int k = 0; k < 21; ++k) {
        mine.push_back(test::earlyTiddler("T" + std::to_string(k), "mine", "200601031200"));
        base.push_back(test::earlyTiddler("T" + std::to_string(k), "a"));
    }
    const std::string local = dir.write("local.html", test::earlyWiki(mine)),
                      remote = dir.write("remote.html", test::earlyWiki(base)),
                      unedited = dir.write("unedited.html", test::earlyWiki(base));
    frmMain w;
    w.Form_Load({"/local", local, "/remote", remote, "/lastmerge", unedited});
    for (const bool yes : {false, true}) {
        std::vector<std::string> seen;
        test::ModalResponder answer([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<frmMerge*>(modal)) {
                seen.push_back("dialog");
                dialog->button(DialogButton::Local)->click();
            } else if (modal->objectName() == "frmReview") {
                seen.push_back("review");
                qobject_cast<QDialog*>(modal)->done(QDialog::Rejected);
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                const bool offer = box->text().startsWith("This merge");
                if (offer) {
                    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
                }
                seen.push_back(box->text().toStdString());
                test::answerBox(box, offer && yes ? QMessageBox::Yes : QMessageBox::No);
            }
        });
        QTest::keyClick(w.txtLocalFilePath(), Qt::Key_Return);
        ASSERT_GE(seen.size(), 2u);
        EXPECT_EQ(seen[0],
                  "This merge has 21 differences. Settle them in the review window instead of one dialog "
                  "each?");
        EXPECT_EQ(seen[1], yes ? "review" : "dialog");
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "dialog"), yes ? 0 : 21);
        EXPECT_FALSE(w.chkReview()->isChecked());
    }
}

}  // namespace
}  // namespace korvane
