// The desktop program as git's merge tool, through the real windows: "/output PATH" on the command
// line, the merge started at once, only the output file written, and the status for git.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <map>
#include <regex>

#include "merge/Messages.h"
#include "merge/save/Backups.h"
#include "merge/save/SaveMessages.h"
#include "support/TestSupport.h"
#include "ui/UiTestHelpers.h"
#include "ui/conflict/frmMerge.h"
#include "ui/main/CommandLine.h"
#include "ui/main/frmMain.h"
#include "ui/review/frmReview.h"

namespace korvane {
namespace {

TEST(MergeTool, CommandLineAndOutputFile) {
    EXPECT_EQ(parseCommandLine({"/local", "a", "/remote", "b", "/lastmerge", "c", "/output", "d e"}, "/s"),
              (CommandLinePaths{"/s/a", "/s/b", "/s/c", "/s/d e"}));
    // clang-format off
    const std::string same = test::earlyTiddler("A", "a"), added = test::earlyTiddler("B", "b");
    const std::string edited = test::earlyTiddler("A", "a2", "200601021200"), m = "<<<<<<< ours";
    const std::string merged = test::earlyWiki({edited, added}, true);
    // Without an unedited copy both versions stay: the newer under the title, the other as its copy.
    const std::string note = "\\n\\nNote: There was a conflict while merging this item. See the following "
                             "link for the conflicting version: [[A (conflict T)]]";
    const std::string kept = test::earlyWiki(
        {test::earlyTiddler("A", "a2" + note, "200601021200"), test::earlyTiddler("A (conflict T)", "a"), added}, true);
    const std::string l = test::earlyWiki({same, added}), r = test::earlyWiki({edited}), u = test::earlyWiki({same});
    const std::string copy = "l.sync-conflict-20261205-101500-ABCDEFG.html";
    const std::map<std::string, std::string> start = {{"l.html", l}, {"r.html", r}, {"u.html", u}, {"e.html", ""},
        {"m.html", m}, {copy, r}, {"l (conflicted copy 2026-12-06 101500).html", "x"}};
    // The arguments (%D/ the folder), the answer to saving, the output changed meanwhile; the status, the
    // message boxes' titles and the contents of the folder's files afterwards. The merge tool settles
    // in the review window: its Save asks "Save Files?" with what it will do; No leaves the window open,
    // and closing it then saves nothing.
    using Row = std::tuple<std::vector<std::string>, bool, bool, int, std::vector<std::string>, std::vector<std::string>, bool>;
    std::vector<std::string> tool = {"/local", "%D/l.html", "/remote", "%D/r.html", "/lastmerge", "%D/u.html", "/output", "%D/m.html"};
    std::vector<std::string> emptyBase = tool;  emptyBase[5] = "%D/e.html";  // git's empty file: no unedited copy
    const Row rows[] = {
        {tool, true, false, 0, {"Save Files?", "Korvane"}, {"", "x", l, r, merged, r, u}, true},
        {emptyBase, true, false, 0, {"Save Files?", "Korvane"}, {"", "x", l, r, kept, r, u}, true},
        {tool, false, false, 1, {"Save Files?"}, {"", "x", l, r, m, r, u}, true},
        {tool, true, true, 1, {"Save Files?", "Server Error"}, {"", "x", l, r, "changed", r, u}, true},
        // With no remote path, the oldest conflict copy of a sync tool (a file: an older folder name is
        // passed over) is offered and merged; after the save, still as it was, it is offered for deletion,
        // and No keeps it so.
        // The conflict dialogs' save then names the backups and the undo as every other save does.
        {{"/local", "%D/l.html", "/remote", "/lastmerge", "%D/u.html"}, true, false, 0,
         {"Use conflict copy?", "Save Files?", "Delete conflict copy?", "Korvane"}, {"", "x", merged, m, r, merged}, true},
        {{"/local", "%D/l.html", "/remote", "/lastmerge", "%D/u.html"}, true, false, 0,
         {"Use conflict copy?", "Save Files?", "Delete conflict copy?", "Korvane"}, {"", "x", merged, r, m, r, merged}, false},
        // The same in the review window, whose Save does not claim to write all three files.
        {{"/review", "/local", "%D/l.html", "/remote", "/lastmerge", "%D/u.html"}, true, false, 0,
         {"Use conflict copy?", "Save Files?", "Delete conflict copy?", "Korvane"}, {"", "x", merged, r, m, r, merged}, false},
    };
    // clang-format on
    for (const auto& [rowArgs, save, changeOutput, status, rowTitles, rowFiles, deleteCopy] : rows) {
        test::TempDir dir;
        for (const auto& [name, bytes] : start) {
            dir.write(name, bytes);
        }
        std::filesystem::create_directory(dir.path("l_conflict-20261201-000000.html"));
        std::vector<std::string> args = rowArgs, titles, files;
        for (std::string& a : args) {
            a = a.starts_with("%D/") ? dir.path(a.substr(3)) : a;
        }
        const auto named = std::ranges::find(args, "/output") != args.end()
                               ? std::ranges::find(args, "/output")
                               : std::ranges::find(args, "/local");
        const std::string wiki = *(named + 1);  // the output, or else the local file
        frmMain window;
        window.Form_Load(args);
        const auto yes = save ? QMessageBox::Yes : QMessageBox::No;
        bool saveClicked = false;
        test::ModalResponder answer([&](QWidget* modal) {
            if (auto* review = qobject_cast<frmReview*>(modal)) {
                EXPECT_EQ(review->windowTitle().toStdString(), "Review the merge");
                if (!titles.empty() && titles.back() == msg::kSaveFilesTitle) {
                    review->reject();  // back after No: closed without saving
                } else if (!saveClicked) {
                    saveClicked = true;  // Save opens its question from the window's own event loop
                    QTimer::singleShot(0, review,
                                       [review] { review->findChild<QPushButton*>("cmdSave")->click(); });
                }
            } else if (auto* dialog = qobject_cast<frmMerge*>(modal)) {
                const auto bold = [&](DialogButton b) { return dialog->button(b)->font().bold(); };
                dialog->button(*std::ranges::find_if(kDialogButtons, bold))->click();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                titles.push_back(box->windowTitle().toStdString());
                EXPECT_FALSE(box->text().startsWith("Saves all three files")) << box->text().toStdString();
                // Every save here replaces a file, which is kept: the message says where and how to undo.
                if (box->text().startsWith("The merged wiki is saved in:") ||
                    box->text().startsWith("The files")) {
                    EXPECT_TRUE(box->text().endsWith(
                        QString::fromStdString(msg::backupsKept(userBackupFolder(), wiki))))
                        << box->text().toStdString();
                }
                if (changeOutput && box->windowTitle() == msg::kSaveFilesTitle.data()) {
                    dir.write("m.html", "changed");
                }
                const bool deletion = box->windowTitle() == msg::kDeleteSyncCopyTitle.data();
                if (deletion) {
                    EXPECT_EQ(test::readBytes(dir.path(copy)), r);
                    EXPECT_TRUE(QFileInfo(QString::fromStdString(dir.path(copy))).permissions() &
                                QFileDevice::WriteOwner);
                }
                const auto button = deletion && !deleteCopy ? QMessageBox::No : yes;
                test::answerBox(box, box->button(button) != nullptr ? button : QMessageBox::Ok);
            }
        });
        window.show();
        window.findChild<QPushButton*>("cmdMergeFiles")->click();
        EXPECT_EQ(window.mergeToolStatus(), status);
        EXPECT_EQ(titles, rowTitles);
        std::ranges::transform(test::snapshot(dir.dir()), std::back_inserter(files), [](auto& f) {
            return std::regex_replace(f.second, std::regex("\\(conflict [^)]*\\)"), "(conflict T)");
        });
        EXPECT_EQ(files, rowFiles);  // no backup, no .LastMerge, no temporary file
    }
}

}  // namespace
}  // namespace korvane
