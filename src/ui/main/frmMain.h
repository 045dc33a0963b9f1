// frmMain, Korvane's main window: the three paths of a merge (remembered between runs and accepted on
// the command line), their browse buttons, "Merge Files" and "About". It is also the merge run's
// host: every message, question and conflict dialog of a run is shown modally over it.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "merge/MergeHost.h"
#include "merge/run/MergeRun.h"
#include "ui/main/MainRuns.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace korvane {

class frmMain : public QWidget, public MergeHost {
    Q_OBJECT
  public:
    explicit frmMain(QWidget* parent = nullptr);

    // Sets the caption, restores the remembered paths, then applies the command line: the program's
    // arguments after its name as the system handed them over, relative paths taken from startFolder.
    void Form_Load(const std::vector<std::string>& arguments = {}, const std::string& startFolder = {});

    // Started by git as its merge tool ("/output PATH"): the merge runs at once, writes only that
    // file, and the program then ends with mergeToolStatus() (0 when saved).
    bool isMergeTool() const { return !m_output.empty(); }
    void runAsMergeTool();
    int mergeToolStatus() const { return m_mergeToolStatus; }

    QLineEdit* txtLocalFilePath() const { return m_local; }
    QLineEdit* txtRemoteFilePath() const { return m_remote; }
    QLineEdit* txtOriginalCopyFilePath() const { return m_unedited; }
    QCheckBox* chkReview() const { return m_reviewBox; }
    // Whether Merge Files opens the review window instead of one dialog per difference: always for git's
    // merge tool, and when the check box is ticked or the command line asked for it.
    bool reviews() const;

    // The merge run's host.
    void showMessage(const std::string& text, MessageIcon icon, const std::string& title) override;
    bool ask(const Question& question) override;
    ConflictSettlement settleConflict(const ConflictQuestion& question) override;
    PasswordAnswer askPassword(const PasswordRequest& request) override;
    void setUneditedPath(const std::string& path) override;
    void setRemotePath(const std::string& path) override;
    std::string presentTimeText() override;
    [[noreturn]] void endProgram() override;

  private:
    void cmdMergeFiles_Click();
    void About_Click();
    QLineEdit* addPathRow(int row, const char* labelName, const QString& caption, bool required,
                          const char* fieldName, const char* buttonName, const QString& key);

    QLineEdit* m_local = nullptr;
    QLineEdit* m_remote = nullptr;
    QLineEdit* m_unedited = nullptr;
    QCheckBox* m_reviewBox = nullptr;
    std::string m_output;
    MainRuns m_runs;  // the merge through the conflict dialogs or the review window
    int m_mergeToolStatus = 1;
};

}  // namespace korvane
