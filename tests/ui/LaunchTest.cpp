// The About box's system information tool, found the system's way: on Windows where the registry
// names it, elsewhere the first desktop tool on the PATH.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include "support/TestSupport.h"
#include "ui/desktop/Launch.h"

namespace korvane {
namespace {

// A file that counts as a program, in `dir`; its full path in the system's own form.
QString makeProgram(const test::TempDir& dir, const std::string& name) {
    const QString path = QString::fromStdString(dir.write(name, "MZ"));
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return QDir::toNativeSeparators(path);
}

TEST(SystemInfoTool, IsFoundWhereTheSystemNamesIt) {
    test::TempDir dir;
    if (!test::kOnWindows) {
        const QByteArray savedPath = qgetenv("PATH");
        makeProgram(dir, "kinfocenter");
        qputenv("PATH", ("/nonexistent-folder:" + dir.dir().string()).c_str());
        EXPECT_EQ(systemInfoTool(), QString::fromStdString(dir.path("kinfocenter")));
        const QString first = makeProgram(dir, "hardinfo");  // earlier in the order of the desktops' tools
        EXPECT_EQ(systemInfoTool(), first);
        qputenv("PATH", "/nonexistent-folder");
        EXPECT_EQ(systemInfoTool(), QString());
        qputenv("PATH", savedPath);
        return;
    }
    QSettings msinfo(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                     QSettings::NativeFormat);
    QSettings location(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location"),
                       QSettings::NativeFormat);
    if (!msinfo.isWritable() || !location.isWritable()) {
        GTEST_SKIP() << "the machine's part of the registry cannot be written here";
    }
    const QVariant savedPath = msinfo.value("PATH"), savedFolder = location.value("MSINFO");
    const QString named = makeProgram(dir, "named.exe");
    makeProgram(dir, "MSINFO32.EXE");
    msinfo.setValue("PATH", named);
    location.setValue("MSINFO", QDir::toNativeSeparators(QString::fromStdString(dir.dir().string())));
    msinfo.sync(), location.sync();
    EXPECT_EQ(systemInfoTool(), named);
    // A PATH that names no file: the shared tools location's MSINFO32.EXE.
    msinfo.setValue("PATH", named + ".gone");
    msinfo.sync();
    EXPECT_EQ(systemInfoTool(), QString::fromStdString(dir.path("MSINFO32.EXE")).replace('/', '\\'));
    location.setValue("MSINFO", QStringLiteral("C:\\nonexistent-folder"));
    location.sync();
    EXPECT_EQ(systemInfoTool(), QString());
    for (auto [settings, name, saved] :
         {std::tuple{&msinfo, "PATH", savedPath}, {&location, "MSINFO", savedFolder}}) {
        saved.isValid() ? settings->setValue(name, saved) : settings->remove(name);
    }
}

}  // namespace
}  // namespace korvane
