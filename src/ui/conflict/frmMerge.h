// frmMerge, the conflict dialog: shows the versions of one tiddler one above another, marks where your
// version and the friend's edited version differ, and hands the user's choice and the boxes' texts
// back. A fresh dialog is made for every tiddler that needs a decision.
#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "merge/MergeHost.h"
#include "ui/conflict/BoxText.h"
#include "ui/conflict/ConflictLayout.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextDocument;

namespace korvane {

class frmMerge : public QDialog {
    Q_OBJECT
  public:
    explicit frmMerge(QWidget* owner = nullptr);

    // The exchange with the merge run: five texts in store form going in, the boxes' texts (CR LF line
    // breaks) and the choice code "l", "o", "s" or "b" coming back.
    std::string strLocal;
    std::string strOriginal;
    std::string strServer;
    std::string strConflict1;
    std::string strConflict2;
    std::string strChoice;

    QPushButton* button(DialogButton which) const { return m_buttons[static_cast<std::size_t>(which)]; }
    QPlainTextEdit* box(DialogBox which) const { return m_boxes[static_cast<std::size_t>(which)]; }
    void setBold(DialogButton which);
    // A set-aside box is not needed for this tiddler: it leaves the Tab order but can still be clicked.
    void setAside(DialogBox which);
    // A box whose text the merge run does not read back cannot be edited, and looks so.
    void makeReadOnly(DialogBox which);

    // Opens the dialog maximized over its owner (its normal placement is the designed size, centred
    // over the owner and kept on the owner's screen) and waits until it closes: through a button, or
    // through the window's close command with no choice.
    void showModal();

    // The geometry of the last layout pass, in twips.
    const MergeGeometry& layoutGeometry() const { return m_geometry; }

    // One whole showing for a merge run's request.
    static ConflictAnswer settle(const ConflictRequest& request, QWidget* owner);

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void fillBoxes();
    void setInitialFocus();
    void markDifferencesInBoxes(QTextDocument& local, QTextDocument& server);
    void choose(const char* code);
    void writeBack();
    void applyLayout();
    std::string& field(DialogBox which);

    std::array<QPushButton*, 4> m_buttons{};
    std::array<QPlainTextEdit*, 5> m_boxes{};
    std::array<BoxContent, 5> m_contents;
    QLabel* m_note = nullptr;
    MergeDesign m_design;
    MergeGeometry m_geometry;
    bool m_filled = false;
};

}  // namespace korvane
