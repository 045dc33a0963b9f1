// Starting other programs for the About box: the desktop's system information tool and the web
// browser. Programs are started by their path with no arguments; nothing passes through a shell.
#pragma once

#include <QString>
#include <QStringList>

namespace korvane {

// The full path of the first tool of `names` found in the folders of `searchPath` (a PATH value, its
// folders separated as the system separates them: ':', or ';' on Windows), or an empty string.
QString findProgram(const QStringList& names, const QString& searchPath);

// The full path of the system information tool, or an empty string when there is none. On Windows
// the registry names it: the value PATH of HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools\MSINFO,
// else MSINFO32.EXE in the folder that the value MSINFO of ...\Shared Tools Location names. Elsewhere
// it is the first of the desktops' tools (hardinfo2, hardinfo, kinfocenter, gnome-system-monitor)
// found on the PATH.
QString systemInfoTool();

// Starts the system information tool without waiting. False when there is none or it could not be
// started.
bool startSystemInfo();

// Opens the address in the user's web browser (on Windows through the shell). Failures are the
// desktop's to report.
void openWebPage(const QString& address);

}  // namespace korvane
