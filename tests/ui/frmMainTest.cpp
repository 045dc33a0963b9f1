#include "ui/main/frmMain.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "ui/UiTestHelpers.h"
#include "ui/about/frmAbout.h"
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
    QFile stored(QSettings(QSettings::NativeFormat, QSettings::UserScope, "Korvane", "Korvane").fileName());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray text = stored.readAll();
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

}  // namespace
}  // namespace korvane
