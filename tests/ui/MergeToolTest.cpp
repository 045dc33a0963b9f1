// The desktop program as git's merge tool, through the real windows: "/output PATH" on the command
// line, the merge started at once, only the output file written, and the status for git.
#include <gtest/gtest.h>

#include <QPushButton>

#include "merge/Messages.h"
#include "support/TestSupport.h"
#include "ui/UiTestHelpers.h"
#include "ui/conflict/frmMerge.h"
#include "ui/main/CommandLine.h"
#include "ui/main/frmMain.h"

namespace korvane {
namespace {

TEST(MergeTool, CommandLineAndOutputFile) {
    EXPECT_EQ(parseCommandLine({"/local", "a", "/remote", "b", "/lastmerge", "c", "/output", "d e"}, "/s"),
              (CommandLinePaths{"/s/a", "/s/b", "/s/c", "/s/d e"}));
    EXPECT_EQ(parseCommandLine({"/local", "a", "/output", "d", "/remote", "b"}, ""),
              (CommandLinePaths{"a /output d", "b", "", ""}));
    using test::earlyTiddler;
    const std::string same = earlyTiddler("A", "a"), added = earlyTiddler("B", "b");
    const std::string edited = earlyTiddler("A", "a2", "200601021200");
    std::string merged = test::earlyWiki({edited, added});
    merged.insert(merged.rfind("</div>\r\n</body>"), "\r\n").insert(merged.find("storeArea\">") + 11, "\r\n");
    // Empty unedited file, answer to saving, output changed meanwhile; the status and the output after.
    const std::tuple<bool, bool, bool, int, std::string> rows[] = {{false, true, false, 0, merged},
                                                                   {true, true, false, 0, merged},
                                                                   {false, false, false, 1, "<<<<<<< ours"},
                                                                   {false, true, true, 1, "changed"}};
    for (const auto& [emptyBase, save, changeOutput, status, output] : rows) {
        test::TempDir dir;
        const std::string l = test::earlyWiki({same, added}), r = test::earlyWiki({edited});
        const std::string u = emptyBase ? "" : test::earlyWiki({same}),
                          out = dir.write("m.html", "<<<<<<< ours");
        frmMain window;
        window.Form_Load({"/local", dir.write("l.html", l), "/remote", dir.write("r.html", r), "/lastmerge",
                          dir.write("u.html", u), "/output", out});
        std::vector<std::string> titles;
        test::ModalResponder answer([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<frmMerge*>(modal)) {
                for (DialogButton b : kDialogButtons) {
                    if (dialog->button(b)->font().bold()) {
                        return dialog->button(b)->click();
                    }
                }
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                titles.push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
                if (changeOutput && box->windowTitle() == msg::kSaveFilesTitle.data()) {
                    dir.write("m.html", "changed");
                }
                test::answerBox(box, box->button(QMessageBox::Yes) == nullptr ? QMessageBox::Ok
                                     : save                                   ? QMessageBox::Yes
                                                                              : QMessageBox::No);
            }
        });
        window.show();
        window.findChild<QPushButton*>("cmdMergeFiles")->click();
        EXPECT_EQ(window.mergeToolStatus(), status);
        EXPECT_EQ(test::readBytes(out), output);
        EXPECT_EQ(titles.front(), "Save Files?: " + msg::saveOutput(out));
        EXPECT_EQ(titles.size() == 2 && titles[1] == "Server Error: " + std::string(msg::kOutputChanged),
                  changeOutput);
        EXPECT_EQ(test::snapshot(dir.dir()).size(), 4u);  // no backup, no .LastMerge, no temporary file
        EXPECT_EQ(test::readBytes(dir.path("l.html")) + test::readBytes(dir.path("r.html")), l + r);
    }
}

}  // namespace
}  // namespace korvane
