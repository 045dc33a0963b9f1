// frmMerge, the conflict dialog: shows the versions of one tiddler one above another, marks where your
// version and the friend's edited version differ, and hands the user's choice and the boxes' texts
// back. A fresh dialog is made for every tiddler that needs a decision.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ui/conflict/BoxText.h"
#include "ui/conflict/ConflictLayout.h"
#include "ui/conflict/ConflictRequest.h"
#include "ui/conflict/DialogBoxes.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextDocument;

namespace korvane {

class frmMerge : public QDialog {
    Q_OBJECT
  public:
    // The dialog for one tiddler as the merge run asks for it: caption, texts in store form, the bold
    // button, the disabled buttons, the set-aside boxes (out of the Tab order, still clickable) and the
    // boxes the run reads back (the others are read-only, and look so). The texts go into the boxes when
    // the dialog is first shown.
    explicit frmMerge(ConflictRequest request, QWidget* owner = nullptr);

    // Opens the dialog maximized over its owner (its normal placement is the designed size, centred
    // over the owner and kept on the owner's screen) and waits until it closes. The answer holds the
    // button pressed, none when the window was closed without one, and the boxes' texts (CR LF line
    // breaks; a box left as filled gives back exactly the bytes it was given).
    ConflictAnswer showModal();

    // The letter of the button pressed ("l", "o", "s" or "b"); empty while none was.
    std::string strChoice() const;

    QPushButton* button(DialogButton which) const { return m_buttons[static_cast<std::size_t>(which)]; }
    QPlainTextEdit* box(DialogBox which) const { return m_boxes[which]; }

    // The geometry of the last layout pass, in twips.
    const MergeGeometry& layoutGeometry() const { return m_geometry; }

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void applyRequest(const ConflictRequest& request);
    void placeOverOwner();
    void setInitialFocus();
    void choose(DialogButton which);
    // False after it showed why an edited box that the button takes back cannot be accepted.
    bool acceptsEdits(DialogButton which);
    void applyLayout();

    std::array<QPushButton*, 4> m_buttons{};
    DialogBoxes m_boxes;
    QLabel* m_note = nullptr;
    MergeDesign m_design;
    MergeGeometry m_geometry;
    std::optional<DialogButton> m_choice;
    bool m_filled = false;
};

}  // namespace korvane
