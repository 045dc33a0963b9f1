// frmReview, the review window: every difference of a merge in one list, the selected tiddler's three
// versions side by side with their differences marked word by word, an outcome per tiddler and the
// result it gives. A view over a Review, which holds the outcomes and applies them; the window only
// shows them and passes the user's choices on.
#pragma once

#include <QBoxLayout>
#include <QDialog>

#include "merge/run/Review.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

namespace korvane {

class ReviewChoices;
class ReviewList;
class ReviewVersions;

class frmReview : public QDialog {
    Q_OBJECT
  public:
    // `threeFiles`: Save writes all three files (otherwise fewer: the one output file of git's merge
    // tool, or not the sync tool's conflict copy).
    frmReview(Review& review, bool threeFiles, QWidget* owner = nullptr);

    // Shows the window until it closes: true when the user confirmed Save, false when it was closed
    // without saving.
    bool showModal();

    QTreeView* list() const;
    QPlainTextEdit* pane(Side pane) const;
    QLabel* heading(Side pane) const;
    QPlainTextEdit* result() const;
    QPushButton* outcomeButton(Outcome o) const;
    // The review item shown, -1 for none.
    int current() const { return m_current; }
    // Selects the review item (shows it in the list, under "All" when the filter hides it).
    void select(std::size_t item);

    // The heading of a pane in words: "Yours — edited 8 Nov 2026, 11:00 — newer".
    QString headingText(std::size_t item, Side pane) const;

    // Closing without saving (Escape, the window's close button, Close without saving) asks first when
    // a choice was made or an edit is waiting in the result; No, the default, keeps the window open.
    void reject() override;

  private:
    QBoxLayout* buildFooter();
    void updateCounts();
    void showItem(int item);
    void choose(Outcome o);
    // Takes the result box's edit into the review; false (the window stays on the tiddler) when refused.
    bool takeEdit();
    // Whether closing without saving would discard something the user did.
    bool choicesMade() const;
    // Moves to the next (step 1) or previous (step -1) tiddler that needs a person.
    void nextNeedingYou(int step);
    void save();

    // The parts of the window: the list of differences with its filters, the three versions and the
    // table of fields, the outcome buttons with the result.
    Review& m_review;
    bool m_threeFiles;
    bool m_saved = false;
    int m_current = -1;
    QLabel* m_counts = nullptr;
    ReviewList* m_listPart = nullptr;
    ReviewVersions* m_versions = nullptr;
    ReviewChoices* m_choices = nullptr;
};

}  // namespace korvane
