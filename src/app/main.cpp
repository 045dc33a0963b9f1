// korvane: the desktop program. Opens the main window; closing it ends the program.
//   korvane [/local PATH /remote PATH [/lastmerge PATH]]
//   korvane --write-demo FOLDER    writes a sample trio (local.html, remote.html, unedited.html) and exits
#include <QApplication>
#include <QIcon>
#include <cstdio>

#include "app/DemoTrio.h"
#include "ui/main/frmMain.h"
#include "ui/resources.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--write-demo") {
        std::string error;
        if (!korvane::demo::writeDemoTrio(argv[2], error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        return 0;
    }

    QApplication app(argc, argv);
    korvane::initResources();
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("korvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/korvane/korvane.png")));

    // The command line as one string: the arguments after the program's name, joined by spaces.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();

    korvane::frmMain window;
    window.Form_Load(arguments.join(QLatin1Char(' ')));
    window.show();
    return QApplication::exec();
}
