#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "platform/Launch.h"
#include "platform/LocaleTime.h"
#include "platform/Settings.h"
#include "ui/UiTestHelpers.h"

namespace korvane {
namespace {

TEST(LocaleTime, UnitedStatesEnglish) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(localeTimeText(us, QDateTime(QDate(2026, 12, 5), QTime(6, 15, 6))), "12/5/2026 6:15:06 AM");
    EXPECT_EQ(localeTimeText(us, QDateTime(QDate(2026, 1, 9), QTime(18, 0, 0))), "1/9/2026 6:00:00 PM");
    // At exactly midnight the date stands alone; a second later the time is written.
    EXPECT_EQ(localeTimeText(us, QDateTime(QDate(2026, 12, 5), QTime(0, 0, 0))), "12/5/2026");
    EXPECT_EQ(localeTimeText(us, QDateTime(QDate(2026, 12, 5), QTime(0, 0, 1))), "12/5/2026 12:00:01 AM");
}

TEST(LocaleTime, OtherLocalesKeepTheirOrderWithAFourDigitYear) {
    const QLocale de(QLocale::German, QLocale::Germany);
    EXPECT_EQ(localeTimeText(de, QDateTime(QDate(2026, 12, 5), QTime(6, 15, 6))), "05.12.2026 06:15:06");
}

TEST(Settings, PathsAreStoredAtOnceAndReadBack) {
    test::clearSettings();
    EXPECT_EQ(rememberedPath("local"), "");
    rememberPath("local", "/home/ann/wiki.html");
    rememberPath("unedited", " \t\"quoted\" ");
    EXPECT_EQ(rememberedPath("local"), "/home/ann/wiki.html");
    EXPECT_EQ(rememberedPath("unedited"), " \t\"quoted\" ");  // kept exactly as typed
    EXPECT_EQ(rememberedPath("remote"), "");
    test::clearSettings();
}

// A fake tool that records that it ran by creating a file beside itself.
QString writeFakeTool(const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("#!/bin/sh\n/usr/bin/touch \"%1.ran\"\n").arg(path).toUtf8());
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST(SystemInfo, FindsTheFirstToolOfTheListOnThePath) {
    QTemporaryDir first;
    QTemporaryDir second;
    const QString kinfo = writeFakeTool(second.path(), "kinfocenter");
    const QString monitor = writeFakeTool(first.path(), "gnome-system-monitor");
    QFile(QDir(first.path()).filePath("hardinfo")).open(QIODevice::WriteOnly);  // not executable: skipped
    const QString path = first.path() + ":" + second.path();
    EXPECT_EQ(findProgram(systemInfoToolNames(), path), kinfo);
    EXPECT_EQ(findProgram({"gnome-system-monitor"}, path), monitor);
    EXPECT_EQ(findProgram(systemInfoToolNames(), "/nonexistent-folder"), "");
    EXPECT_EQ(findProgram(systemInfoToolNames(), ""), "");
}

TEST(SystemInfo, StartsTheToolFoundOnThePathWithoutWaiting) {
    QTemporaryDir folder;
    const QString tool = writeFakeTool(folder.path(), "hardinfo");
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", folder.path().toUtf8());
    const bool started = startSystemInfo();
    qputenv("PATH", "/nonexistent-folder");
    const bool startedWithout = startSystemInfo();
    qputenv("PATH", savedPath);

    EXPECT_TRUE(started);
    EXPECT_FALSE(startedWithout);
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(tool + ".ran") && waited.elapsed() < 5000) {
        QThread::msleep(10);
    }
    EXPECT_TRUE(QFile::exists(tool + ".ran"));
}

}  // namespace
}  // namespace korvane
