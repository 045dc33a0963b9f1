#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "ui/UiTestHelpers.h"
#include "ui/desktop/Launch.h"
#include "ui/desktop/Settings.h"

namespace korvane {
namespace {

TEST(Settings, PathsAreStoredAtOnceAndReadBackByteForByte) {
    test::clearSettings();
    EXPECT_EQ(rememberedPath("local"), "");
    // (What single paths give back: rows of desktop.tsv.)
    EXPECT_EQ(pathToText("Caf\xC3\xA9\xE9"), QString::fromUtf8("Caf\xC3\xA9") + QChar(0xDCE9));
    EXPECT_EQ(textToPath(QChar(0xD800) + QString("x") + QChar(0xDC7F)), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    // Valid names are stored as text; others as their bytes.
    rememberPath("local", "/home/ann/w\xC3\xA9.html");
    rememberPath("remote", pathToText("/home/ann/w\xE9.html"));
    QFile stored(QSettings(QSettings::NativeFormat, QSettings::UserScope, "Korvane", "Korvane").fileName());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray text = stored.readAll();
    EXPECT_TRUE(text.contains("\nlocal=/home/ann/w\xC3\xA9.html\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nremote=@ByteArray(/home/ann/w\\xe9.html)\n")) << text.toStdString();
    test::clearSettings();
}

// A fake tool that records that it ran by creating a file beside itself.
QString writeFakeTool(const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) &&
                f.write(QStringLiteral("#!/bin/sh\n/usr/bin/touch \"%1.ran\"\n").arg(path).toUtf8()) > 0);
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST(SystemInfo, FindsTheFirstToolOfTheListOnThePathAndStartsItWithoutWaiting) {
    QTemporaryDir first, second;
    const QString kinfo = writeFakeTool(second.path(), "kinfocenter");
    const QString monitor = writeFakeTool(first.path(), "gnome-system-monitor");
    QFile(QDir(first.path()).filePath("hardinfo")).open(QIODevice::WriteOnly);  // not executable: skipped
    const QString path = first.path() + ":" + second.path();
    EXPECT_EQ(findProgram(systemInfoToolNames(), path), kinfo);
    EXPECT_EQ(findProgram({"gnome-system-monitor"}, path), monitor);
    EXPECT_EQ(findProgram(systemInfoToolNames(), ""), "");

    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", path.toUtf8());
    EXPECT_TRUE(startSystemInfo());
    qputenv("PATH", savedPath);
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(kinfo + ".ran") && waited.elapsed() < 5000) {
        QThread::msleep(10);
    }
    EXPECT_TRUE(QFile::exists(kinfo + ".ran"));
    EXPECT_FALSE(QFile::exists(monitor + ".ran"));
}

}  // namespace
}  // namespace korvane
