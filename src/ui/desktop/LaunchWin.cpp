#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "ui/desktop/Launch.h"

namespace korvane {
namespace {

// A value of a key under HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft, or an empty string.
QString machineValue(const QString& key, const QString& name) {
    const QSettings registry(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\") + key,
                             QSettings::NativeFormat);
    return registry.value(name).toString();
}

// The path as a program file that exists, or an empty string.
QString existingProgram(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    const QFileInfo file(QDir::fromNativeSeparators(path));
    return file.isFile() ? QDir::toNativeSeparators(file.absoluteFilePath()) : QString();
}

}  // namespace

QString systemInfoTool() {
    QString tool =
        existingProgram(machineValue(QStringLiteral("Shared Tools\\MSINFO"), QStringLiteral("PATH")));
    if (tool.isEmpty()) {
        const QString folder =
            machineValue(QStringLiteral("Shared Tools Location"), QStringLiteral("MSINFO"));
        tool = folder.isEmpty() ? QString() : existingProgram(folder + QStringLiteral("\\MSINFO32.EXE"));
    }
    return tool;
}

}  // namespace korvane
