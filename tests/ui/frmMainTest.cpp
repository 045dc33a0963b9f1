#include "ui/main/frmMain.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "platform/Settings.h"
#include "ui/UiTestHelpers.h"
#include "ui/about/frmAbout.h"

namespace korvane {
namespace {

class MainWindow : public testing::Test {
  protected:
    void SetUp() override { test::clearSettings(); }
    void TearDown() override { test::clearSettings(); }

    static void remember(const QString& local, const QString& remote, const QString& unedited) {
        rememberPath("local", local);
        rememberPath("remote", remote);
        rememberPath("unedited", unedited);
    }
    static QStringList fields(const frmMain& w) {
        return {w.txtLocalFilePath()->text(), w.txtRemoteFilePath()->text(),
                w.txtOriginalCopyFilePath()->text()};
    }
    static QStringList remembered() {
        return {rememberedPath("local"), rememberedPath("remote"), rememberedPath("unedited")};
    }
};

TEST_F(MainWindow, CaptionControlsAndRestoredPaths) {
    remember("/a.html", "/b.html", "/c.html");
    frmMain w;
    w.Form_Load();
    EXPECT_EQ(w.windowTitle(), "Korvane 1.0.2");
    EXPECT_EQ(fields(w), (QStringList{"/a.html", "/b.html", "/c.html"}));
    EXPECT_EQ(w.size(), QSize(521, 191));  // 7815 x 2865 twips
    EXPECT_EQ(w.txtRemoteFilePath()->geometry(), QRect(8, 64, 473, 19));
    EXPECT_EQ(w.findChild<QPushButton*>("cmdMergeFiles")->geometry(), QRect(392, 128, 121, 57));
    EXPECT_EQ(w.findChild<QPushButton*>("cmdMergeFiles")->text(), "Merge Files");
    EXPECT_FALSE(w.findChild<QPushButton*>("About")->icon().isNull());
    EXPECT_TRUE(w.findChild<QLabel*>("Label2")->font().bold());
    EXPECT_FALSE(w.findChild<QLabel*>("Label3")->font().bold());  // the unedited copy is optional
    EXPECT_EQ(w.findChild<QLabel*>("Label4")->text(), "Bold fields are required.");
}

TEST_F(MainWindow, EveryChangeOfAFieldIsRememberedAtOnce) {
    frmMain w;
    w.Form_Load();
    w.txtLocalFilePath()->insert("x");  // one keystroke
    EXPECT_EQ(rememberedPath("local"), "x");
    w.txtRemoteFilePath()->setText(" \t\"b.html\"");
    // A name that is not valid UTF-8 comes back byte for byte.
    const std::string lastMerge = "/home/ann/Caf\xE9 \xFF\xC3.html.LastMerge";
    w.setUneditedPath(lastMerge);
    EXPECT_EQ(textToPath(w.txtOriginalCopyFilePath()->text()), lastMerge);
    frmMain restarted;
    restarted.Form_Load();
    EXPECT_EQ(fields(restarted), (QStringList{"x", " \t\"b.html\"", pathToText(lastMerge)}));
    EXPECT_EQ(textToPath(rememberedPath("unedited")), lastMerge);
}

TEST_F(MainWindow, CommandLineReplacesTheRememberedPaths) {
    struct Row {
        std::vector<std::string> arguments;
        QStringList expected;
    };
    const Row rows[] = {
        {{"/local", "/a", "-reverse", "/remote", "/b"}, {"/a -reverse", "/b", ""}},
        {{"/local", "a", "/remote", "/b", "/lastmerge", "c\xE9"},
         {"/start/a", "/b", pathToText("/start/c\xE9")}},
        {{"/remote", "/b", "/local", "/a"}, {"/old/a", "/old/b", "/old/c"}},
    };
    for (const Row& row : rows) {
        remember("/old/a", "/old/b", "/old/c");
        frmMain w;
        w.Form_Load(row.arguments, "/start");
        EXPECT_EQ(fields(w), row.expected) << row.arguments[1];
        EXPECT_EQ(remembered(), row.expected) << row.arguments[1];
    }
}

TEST_F(MainWindow, BrowsingTakesTheChosenFileAndCancellingChangesNothing) {
    QTemporaryDir folder;
    const QString chosen = folder.filePath("wiki.html");
    QFile(chosen).open(QIODevice::WriteOnly);
    remember(folder.filePath("old.html"), "", "");
    frmMain w;
    w.Form_Load();
    auto* browse = w.findChild<QPushButton*>("cmdBrowseForFileLocal");

    QStringList initialSelections;
    {
        test::ModalResponder cancel([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            initialSelections << dialog->selectedFiles();
            dialog->reject();
        });
        browse->click();
    }
    EXPECT_EQ(w.txtLocalFilePath()->text(), folder.filePath("old.html"));
    EXPECT_EQ(initialSelections,
              QStringList{folder.filePath("old.html")});  // the dialog starts at the setting

    {
        test::ModalResponder pick([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            dialog->selectFile(chosen);
            QMetaObject::invokeMethod(dialog, "accept");  // as the Open button does
        });
        browse->click();
    }
    EXPECT_EQ(w.txtLocalFilePath()->text(), chosen);
    EXPECT_EQ(rememberedPath("local"), chosen);
}

TEST_F(MainWindow, AboutBoxTexts) {
    const frmAbout about;
    const auto text = [&](const char* name) { return about.findChild<QLabel*>(name)->text(); };
    EXPECT_EQ(about.windowTitle(), "About Korvane");
    EXPECT_EQ(text("lblTitle"), "Korvane");
    EXPECT_EQ(text("lblVersion"), "Version 1.0.2");
    EXPECT_EQ(
        text("lblDescription"),
        "A program for merging together TiddlyWiki files so that multiple people can edit the same file.");
    const QString website = about.findChild<QPushButton*>("OpenWebsite")->text();
    EXPECT_TRUE(projectWebsite().contains(website));
    EXPECT_FALSE(website.isEmpty());
    EXPECT_TRUE(about.findChild<QPushButton*>("cmdOK")->isDefault());
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
        {&w, "About", "korvane::frmAbout"},
        {&w, "cmdBrowseForFileRemote", "QFileDialog"},
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
                    opened = modal->metaObject()->className();
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
