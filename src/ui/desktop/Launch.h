// Starting other programs for the About box: the desktop's system information tool and the web
// browser. Programs are started by their path with no arguments; nothing passes through a shell.
#pragma once

#include <QString>
#include <QStringList>

namespace korvane {

// The system information tools looked for, in order of preference.
QStringList systemInfoToolNames();

// The full path of the first tool of `names` found in the folders of `searchPath` (a PATH value,
// folders separated by ':'), or an empty string.
QString findProgram(const QStringList& names, const QString& searchPath);

// Looks the system information tool up on the PATH and starts it without waiting. False when none is
// installed or it could not be started.
bool startSystemInfo();

// Opens the address in the desktop's web browser. Failures are the desktop's to report.
void openWebPage(const QString& address);

}  // namespace korvane
