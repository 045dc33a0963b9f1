#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "ui/UiTestHelpers.h"
#include "ui/desktop/Launch.h"
#include "ui/desktop/LocaleTime.h"
#include "ui/desktop/Settings.h"

namespace korvane {
namespace {

TEST(LocaleTime, DateAndTimeInTheLocalesOrderWithAFourDigitYear) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QDate day(2026, 12, 5);
    EXPECT_EQ(localeTimeText(us, QDateTime(QDate(2026, 1, 9), QTime(18, 0, 0))), "1/9/2026 6:00:00 PM");
    // At exactly midnight the date stands alone; a second later the time is written.
    EXPECT_EQ(localeTimeText(us, QDateTime(day, QTime(0, 0, 0))), "12/5/2026");
    EXPECT_EQ(localeTimeText(us, QDateTime(day, QTime(0, 0, 1))), "12/5/2026 12:00:01 AM");
    EXPECT_EQ(localeTimeText(QLocale(QLocale::German), QDateTime(day, QTime(6, 15, 6))),
              "05.12.2026 06:15:06");
}

TEST(Settings, PathsAreStoredAtOnceAndReadBackByteForByte) {
    test::clearSettings();
    EXPECT_EQ(rememberedPath("local"), "");
    // File names are bytes: valid UTF-8 or not, a path shown in a field and remembered gives back the
    // same bytes (bad bytes, a cut sequence, an encoded surrogate, overlong, past U+10FFFF).
    const std::string paths[] = {"/home/ann/wiki.html \t\"quoted\" Caf\xC3\xA9 \xF0\x9F\x93\x9D",
                                 "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
                                 "Caf\xE9 \xF0\x9F\x93 \xE2\x82 \xC1\xBF \xE0\x9F\xBF \xF0\x8F\xBF\xBF "
                                 "\xED\xB2\x80 \xC0\xAF \xE0\x80\x80 "
                                 "\xF4\x90\x80\x80 \xF5\x80\x80\x80 \xFF\x80 \xC3"};
    for (const std::string& path : paths) {
        rememberPath("unedited", pathToText(path));
        EXPECT_EQ(textToPath(rememberedPath("unedited")), path);
        if (QString::fromUtf8(path).toStdString() == path) {  // valid UTF-8 reads as plain text
            EXPECT_EQ(pathToText(path), QString::fromUtf8(path)) << path;
        }
    }
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
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("#!/bin/sh\n/usr/bin/touch \"%1.ran\"\n").arg(path).toUtf8());
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST(SystemInfo, FindsTheFirstToolOfTheListOnThePathAndStartsItWithoutWaiting) {
    QTemporaryDir first;
    QTemporaryDir second;
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
