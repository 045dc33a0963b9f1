// korvane: the desktop program. Opens the main window; closing it ends the program.
//   korvane [/review] [/local PATH /remote PATH [/lastmerge PATH]]
//   korvane /local PATH /remote PATH /lastmerge PATH /output PATH   git's merge tool: writes only the output
//   korvane --write-demo FOLDER    writes a sample trio (local.html, remote.html, unedited.html) and a
//                                  TiddlyWiki 5 one (tw5-local.html, ...) and exits
//   korvane --help | --version     prints the usage or the version and exits, without opening a window
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/DemoTrio.h"
#include "platform/Process.h"
#include "ui/desktop/Settings.h"
#include "ui/main/CommandLine.h"
#include "ui/main/frmMain.h"
#include "ui/resources.h"

namespace {

const char* const kUsage =
    "Usage: korvane [/review] [/local LOCAL /remote REMOTE [/lastmerge UNEDITED]]\n"
    "       korvane /local LOCAL /remote REMOTE /lastmerge UNEDITED /output MERGED\n"
    "       korvane --write-demo FOLDER\n"
    "       korvane --help | --version\n"
    "\n"
    "Opens the window that merges your TiddlyWiki file (LOCAL), the copy a friend edited (REMOTE) and\n"
    "the unedited copy you both started from (UNEDITED). Paths given here replace the remembered ones;\n"
    "a path may hold spaces, and a relative path is taken from the current folder. With /output\n"
    "(git's merge tool) the merge starts at once in the review window and writes only MERGED; exit 0\n"
    "when it was saved. /review (first or last) reviews all differences in one window for this run.\n"
    "--write-demo writes sample trios into FOLDER: local.html, remote.html, unedited.html; tw5-*.html.\n";

int print(const char* text) {
    return std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    // The arguments as the system handed them over: QApplication removes its own options (-reverse,
    // -style ...) from argv, and those words may be part of a path.
    // On Windows they are read as UTF-8 from the system's wide-character command line.
    const std::vector<std::string> arguments = korvane::programArguments(argc, argv);
    if (!arguments.empty() && arguments[0] == "--help") {
        return print(kUsage);
    }
    if (!arguments.empty() && arguments[0] == "--version") {
        return print("korvane " KORVANE_VERSION "\n");
    }
    if (arguments.size() == 2 && arguments[0] == "--write-demo") {
        std::string error;
        if (!korvane::demo::writeDemoTrio(arguments[1], error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        return 0;
    }
    // A command line of another form changes nothing, as before, but says so.
    std::vector<std::string> words = arguments;
    korvane::takeReviewWord(words);
    if (const std::string problem = korvane::commandLineProblem(words); !problem.empty()) {
        const std::string_view usageLines =
            std::string_view(kUsage).substr(0, std::string_view(kUsage).find("\n\n") + 1);
        std::fprintf(stderr, "korvane: %s\n%.*s", problem.c_str(), static_cast<int>(usageLines.size()),
                     usageLines.data());
    }
    std::error_code unknown;
    const std::u8string here = std::filesystem::current_path(unknown).u8string();
    const std::string startFolder(here.begin(), here.end());

    QApplication app(argc, argv);
    korvane::initResources();
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("korvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/korvane/korvane.png")));
    korvane::useConfiguredSettingsFolder();

    korvane::frmMain window;
    window.Form_Load(arguments, startFolder);
    window.show();
    if (window.isMergeTool()) {
        QTimer::singleShot(0, &window, [&window] { window.runAsMergeTool(); });
        // Closing the window without a saved merge tells git that nothing was merged.
        const int status = QApplication::exec();
        return status == 0 ? window.mergeToolStatus() : status;
    }
    return QApplication::exec();
}
