// Whole merge runs through the real windows: the main window's "Merge Files" button, the conflict
// dialogs and the message boxes, answered by clicking their buttons.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "app/DemoTrio.h"
#include "merge/run/MergeRun.h"
#include "merge/save/Backups.h"
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

// The answers of this run, by dialog caption: the shopping list is kept twice (with a conflict copy),
// the holiday photos are taken with an edit; every other tiddler gets the recommended button. Its
// result is tests/data/demo-merged.html.
const std::string kBothCaption = "Merging item 3 of 11";
const std::string kEditCaption = "Merging item 11 of 11";
const char* const kAddition = " Edited in the dialog: \xC3\xA9t\xC3\xA9.";

TEST(EndToEnd, MergeThroughTheWindowsWritesTheMergedDocumentToAllThreeFiles) {
    test::clearSettings();
    test::TempDir dir;
    const demo::Trio t = demo::demoTrio();
    // The local name is not valid UTF-8: the merge must still write exactly the file named. Windows
    // names are UTF-16, so there it is a name that is not ASCII, which goes through UTF-8 both ways.
    const std::string localName = test::kOnWindows ? "local\xC3\xA9.html" : "local\xE9.html";
    const test::Trio paths{dir.write(localName, t.local), dir.write("remote.html", t.remote),
                           dir.write("unedited.html", t.unedited)};

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
                const auto bold = std::ranges::find_if(
                    kDialogButtons, [&](DialogButton b) { return dialog->button(b)->font().bold(); });
                const bool found = bold != std::ranges::end(kDialogButtons);
                EXPECT_TRUE(found) << "no bold button in " << caption;
                dialog->button(found ? *bold : DialogButton::Local)->click();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                boxes.push_back(test::answerBox(
                    box, box->button(QMessageBox::Yes) != nullptr ? QMessageBox::Yes : QMessageBox::Ok));
            }
        });
        window.findChild<QPushButton*>("cmdMergeFiles")->click();
    }

    // The bytes the files must hold: the demo trio merged with these answers at this time.
    const std::string expected = test::readBytes(KORVANE_TEST_DATA_DIR "/demo-merged.html");
    EXPECT_EQ(captions, (std::vector<std::string>{
                            "Merging item 2 of 11", "Merging item 3 of 11", "Merging item 4 of 11",
                            "Merging item 5 of 11", "Merging item 6 of 11", "Merging item 7 of 11",
                            "Merging item 8 of 11", "Merging item 9 of 11", "Merging item 11 of 11"}));
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].title, "Keep Edits?");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(boxes[1].title, "Save Files?");
    // After the save, the words of every other save: where the replaced files are, and the undo.
    EXPECT_EQ(boxes[2].title.toStdString(), kAppTitle);
    EXPECT_EQ(boxes[2].icon, QMessageBox::Information);
    EXPECT_EQ(boxes[2].text,
              QString::fromStdString(msg::backupsKept(userBackupFolder(), absolutePath(paths.local))));
    for (const std::string& path : {paths.local, paths.remote, paths.unedited}) {
        EXPECT_EQ(test::readBytes(path), expected) << path;
    }
    test::clearSettings();
}

}  // namespace
}  // namespace korvane
