// Whole merge runs through the real windows: the main window's "Merge Files" button, the conflict
// dialogs and the message boxes, answered by clicking their buttons.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/DemoTrio.h"
#include "merge/BoxForm.h"
#include "merge/MergeRun.h"
#include "support/TestSupport.h"
#include "ui/UiTestHelpers.h"
#include "ui/conflict/frmMerge.h"
#include "ui/main/frmMain.h"

namespace korvane {
namespace {

constexpr const char* kTime = "12/5/2026 6:15:06 AM";

// The main window with a clock that always reads the same, so that conflict copies are predictable.
class FixedClockMain : public frmMain {
  public:
    std::string presentTimeText() override { return kTime; }
};

struct Trio {
    std::string local, remote, unedited;
};

Trio writeTrio(const test::TempDir& dir) {
    const demo::Trio t = demo::demoTrio();
    // The local name is not valid UTF-8: the merge must still write exactly the file named.
    return {dir.write("local\xE9.html", t.local), dir.write("remote.html", t.remote),
            dir.write("unedited.html", t.unedited)};
}

// The answers of this run, by dialog caption: the shopping list is kept twice (with a conflict copy),
// the holiday photos are taken with an edit; every other tiddler gets the recommended button.
const std::string kBothCaption = "Merging item 3 of 11";
const std::string kEditCaption = "Merging item 11 of 11";
const char* const kAddition = " Edited in the dialog: \xC3\xA9t\xC3\xA9.";

TEST(EndToEnd, MergeThroughTheWindowsWritesTheMergedDocumentToAllThreeFiles) {
    test::clearSettings();
    test::TempDir dir;
    const Trio paths = writeTrio(dir);

    FixedClockMain window;
    window.Form_Load({"/local", paths.local, "/remote", paths.remote, "/lastmerge", paths.unedited});
    window.show();
    std::vector<std::string> captions;
    std::vector<test::SeenBox> boxes;
    {
        test::ModalResponder answer([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<frmMerge*>(modal)) {
                const std::string caption = dialog->windowTitle().toStdString();
                captions.push_back(caption);
                if (caption == kBothCaption) {
                    dialog->button(DialogButton::Backup)->click();
                    return;
                }
                if (caption == kEditCaption) {
                    dialog->box(DialogBox::Server)->moveCursor(QTextCursor::End);
                    dialog->box(DialogBox::Server)->insertPlainText(QString::fromUtf8(kAddition));
                }
                for (DialogButton b : kDialogButtons) {
                    if (dialog->button(b)->font().bold()) {
                        dialog->button(b)->click();
                        return;
                    }
                }
                ADD_FAILURE() << "no bold button in " << caption;
                dialog->button(DialogButton::Local)->click();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                boxes.push_back(test::answerBox(
                    box, box->button(QMessageBox::Yes) != nullptr ? QMessageBox::Yes : QMessageBox::Ok));
            }
        });
        window.findChild<QPushButton*>("cmdMergeFiles")->click();
    }

    // The same run with scripted answers gives the bytes the files must hold.
    test::TempDir expectedDir;
    const Trio expectedPaths = writeTrio(expectedDir);
    test::ScriptedHost host;
    host.timeText = kTime;
    host.answerDialog = [](const ConflictRequest& r) {
        ConflictAnswer a;
        a.texts = r.texts;
        a.choice = r.boldButton.value_or(DialogButton::Local);
        if (r.caption == kBothCaption) {
            a.choice = DialogButton::Backup;
        } else if (r.caption == kEditCaption) {
            a.texts.strServer = toBoxForm(r.texts.strServer) + kAddition;
        }
        return a;
    };
    PosixFileSystem fs;
    MergeRun scripted(host, fs,
                      MergePaths{expectedPaths.local, expectedPaths.remote, expectedPaths.unedited});
    ASSERT_EQ(scripted.run(), RunResult::Saved);
    const std::string expected = test::readBytes(expectedPaths.local);

    EXPECT_EQ(captions, (std::vector<std::string>{
                            "Merging item 2 of 11", "Merging item 3 of 11", "Merging item 4 of 11",
                            "Merging item 5 of 11", "Merging item 6 of 11", "Merging item 7 of 11",
                            "Merging item 8 of 11", "Merging item 9 of 11", "Merging item 11 of 11"}));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].title, "Keep Edits?");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(boxes[1].title, "Save Files?");
    EXPECT_EQ(test::readBytes(paths.local), expected);
    EXPECT_EQ(test::readBytes(paths.remote), expected);
    EXPECT_EQ(test::readBytes(paths.unedited), expected);
    EXPECT_NE(expected.find(std::string("lighthouse.") + kAddition + "</div>"), std::string::npos);
    EXPECT_NE(expected.find(std::string("Shopping list (conflict ") + kTime + ")"), std::string::npos);
    // Deleted on one side and dropped as recommended; deleted on both sides but kept as recommended.
    EXPECT_EQ(expected.find("tiddler=\"Travel\""), std::string::npos);
    EXPECT_EQ(expected.find("tiddler=\"Recipes\""), std::string::npos);
    EXPECT_NE(expected.find("tiddler=\"Old notes\""), std::string::npos);
    test::clearSettings();
}

// Runs a shell command in `dir` ($K names the built desktop program): its standard output and status.
std::pair<std::string, int> runInFolder(const test::TempDir& dir, const std::string& command) {
    FILE* p =
        ::popen(("cd '" + dir.dir().string() + "' && K='" + KORVANE_PATH + "' && " + command).c_str(), "r");
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) {
        out.append(buf, n);
    }
    const int raw = ::pclose(p);
    return {out, WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
}

TEST(EndToEnd, TheProgramsCommandLine) {
    test::TempDir dir;
    // Without any display: these answer on standard output before a window could be opened.
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb \"$K\"";
    // Opens the window with a settings folder of its own, closes it once the command line's paths are
    // remembered, and shows what was remembered.
    const std::string window =
        "(KORVANE_CONFIG_DIR=\"$PWD/cfg\" QT_QPA_PLATFORM=offscreen \"$K\" /local 'my wiki' "
        "-reverse /remote /b 2>/dev/null & for i in $(seq 300); do grep -qs ^remote= "
        "cfg/*/*.conf && break; sleep 0.1; done; kill $!) && cat cfg/Korvane/Korvane.conf";
    struct Row {
        std::string command, outStart;
        std::ptrdiff_t lines;
        int status;
    };
    const Row rows[] = {
        {noDisplay + " --version 2>/dev/null", "korvane 1.0.2\n", 1, 0},
        {noDisplay + " --help 2>/dev/null",
         "Usage: korvane [/local LOCAL /remote REMOTE [/lastmerge UNEDITED]]\n", 8, 0},
        {"\"$K\" --write-demo no/sub 2>&1 >/dev/null",
         "Could not write no/sub/local.html: No such file or directory\n", 1, 2},
        {window, "[file%20paths]\nlocal=" + dir.path("my wiki -reverse") + "\nremote=/b\n", 3, 0},
    };
    for (const Row& row : rows) {
        const auto [out, status] = runInFolder(dir, row.command);
        EXPECT_EQ(out.substr(0, row.outStart.size()), row.outStart) << row.command;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), row.lines) << row.command;
        EXPECT_EQ(status, row.status) << row.command;
    }
}

// Layers point one way: no source outside src/ui/ (but the desktop program's main.cpp) includes Qt or
// anything from src/ui/, and the system layer includes nothing of the document or the merge.
TEST(Layers, IncludesPointOneWay) {
    const std::filesystem::path src =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "src";
    std::vector<std::string> crossings;
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
        const std::string name = entry.path().lexically_relative(src).generic_string();
        const bool ui = name.starts_with("ui/") || name == "app/main.cpp";
        std::ifstream in(entry.path());
        files += entry.is_regular_file() ? 1 : 0;
        for (std::string line; entry.is_regular_file() && std::getline(in, line);) {
            const bool qtOrUi =
                line.find("<Q") != std::string::npos || line.find("\"ui/") != std::string::npos;
            const bool above =
                line.find("\"merge/") != std::string::npos || line.find("\"document/") != std::string::npos;
            if (line.starts_with("#include") &&
                ((!ui && qtOrUi) || (name.starts_with("platform/") && above))) {
                crossings.push_back(name + ": " + line);
            }
        }
    }
    EXPECT_GT(files, 40u) << src;
    EXPECT_EQ(crossings, std::vector<std::string>{});
}

}  // namespace
}  // namespace korvane
