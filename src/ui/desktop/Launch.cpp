#include "ui/desktop/Launch.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace korvane {

QString findProgram(const QStringList& names, const QString& searchPath) {
    const QStringList folders = searchPath.split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        for (const QString& folder : folders) {
            const QFileInfo candidate(QDir(folder).filePath(name));
            if (candidate.isFile() && candidate.isExecutable()) {
                return candidate.absoluteFilePath();
            }
        }
    }
    return {};
}

bool startSystemInfo() {
    const QString tool = systemInfoTool();
    return !tool.isEmpty() && QProcess::startDetached(tool, {});
}

void openWebPage(const QString& address) {
    QDesktopServices::openUrl(QUrl(address));
}

}  // namespace korvane
