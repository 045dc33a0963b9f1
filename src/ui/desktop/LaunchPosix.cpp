#include "ui/desktop/Launch.h"

namespace korvane {

QString systemInfoTool() {
    const QStringList tools = {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"),
                               QStringLiteral("kinfocenter"), QStringLiteral("gnome-system-monitor")};
    return findProgram(tools, qEnvironmentVariable("PATH"));
}

}  // namespace korvane
