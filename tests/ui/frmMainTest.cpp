#include "ui/main/frmMain.h"

#include <gtest/gtest.h>

#include <QFileDialog>
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
    w.Form_Load("");
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
    w.Form_Load("");
    w.txtLocalFilePath()->insert("x");  // one keystroke
    EXPECT_EQ(rememberedPath("local"), "x");
    w.txtRemoteFilePath()->setText(" \t\"b.html\"");
    EXPECT_EQ(rememberedPath("remote"), " \t\"b.html\"");
    w.setUneditedPath("/home/ann/wiki.html.LastMerge");
    EXPECT_EQ(w.txtOriginalCopyFilePath()->text(), "/home/ann/wiki.html.LastMerge");
    EXPECT_EQ(rememberedPath("unedited"), "/home/ann/wiki.html.LastMerge");
    frmMain restarted;
    restarted.Form_Load("");
    EXPECT_EQ(fields(restarted), (QStringList{"x", " \t\"b.html\"", "/home/ann/wiki.html.LastMerge"}));
}

TEST_F(MainWindow, CommandLineReplacesTheRememberedPaths) {
    struct Row {
        QString commandLine;
        QStringList expected;
    };
    const Row rows[] = {
        {"/local C:\\a.html /remote C:\\b.html", {"C:\\a.html", "C:\\b.html", ""}},
        {"/local a /remote b /lastmerge c", {"a", "b", "c"}},
        {"/remote C:\\b.html /local C:\\a.html", {"/old/a", "/old/b", "/old/c"}},
        {"/local a /lastmerge c /remote b", {"a /lastmerge c", "b", ""}},
        {"/Local a /remote b", {"/old/a", "/old/b", "/old/c"}},
        {"/local \"a b.html\" /remote b", {"\"a b.html\"", "b", ""}},
    };
    for (const Row& row : rows) {
        remember("/old/a", "/old/b", "/old/c");
        frmMain w;
        w.Form_Load(row.commandLine);
        EXPECT_EQ(fields(w), row.expected) << row.commandLine.toStdString();
        EXPECT_EQ(remembered(), row.expected) << row.commandLine.toStdString();
    }
}

TEST_F(MainWindow, BrowsingTakesTheChosenFileAndCancellingChangesNothing) {
    QTemporaryDir folder;
    const QString chosen = folder.filePath("wiki.html");
    QFile(chosen).open(QIODevice::WriteOnly);
    remember(folder.filePath("old.html"), "", "");
    frmMain w;
    w.Form_Load("");
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
    frmMain w;
    w.Form_Load("");
    QString caption, title, version, description, website;
    bool okIsDefault = false;
    {
        test::ModalResponder readAbout([&](QWidget* modal) {
            auto* about = qobject_cast<frmAbout*>(modal);
            ASSERT_NE(about, nullptr);
            caption = about->windowTitle();
            title = about->findChild<QLabel*>("lblTitle")->text();
            version = about->findChild<QLabel*>("lblVersion")->text();
            description = about->findChild<QLabel*>("lblDescription")->text();
            website = about->findChild<QPushButton*>("OpenWebsite")->text();
            okIsDefault = about->findChild<QPushButton*>("cmdOK")->isDefault();
            about->findChild<QPushButton*>("cmdOK")->click();
        });
        w.findChild<QPushButton*>("About")->click();
    }
    EXPECT_EQ(caption, "About Korvane");
    EXPECT_EQ(title, "Korvane");
    EXPECT_EQ(version, "Version 1.0.2");
    EXPECT_EQ(
        description,
        "A program for merging together TiddlyWiki files so that multiple people can edit the same file.");
    EXPECT_TRUE(projectWebsite().contains(website));
    EXPECT_FALSE(website.isEmpty());
    EXPECT_TRUE(okIsDefault);
}

TEST_F(MainWindow, SystemInfoWithoutAToolSaysSo) {
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", "/nonexistent-folder");
    frmAbout about;
    test::SeenBox seen;
    {
        test::ModalResponder answer([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            seen = test::answerBox(box, QMessageBox::Ok);
        });
        about.findChild<QPushButton*>("cmdSysInfo")->click();
    }
    qputenv("PATH", savedPath);
    EXPECT_EQ(seen.text, "System Information Is Unavailable At This Time");
    EXPECT_EQ(seen.title, "Korvane");
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
}

}  // namespace
}  // namespace korvane
