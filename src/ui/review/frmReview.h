// frmReview, the review window: every difference of a merge in one list, the selected tiddler's three
// versions side by side with their differences marked word by word, an outcome per tiddler and the
// result it gives. A view over a Review, which holds the outcomes and applies them; the window only
// shows them and passes the user's choices on.
#pragma once

#include <QBoxLayout>
#include <QDialog>
#include <array>

#include "merge/run/Review.h"
#include "ui/conflict/BoxText.h"
#include "ui/review/ShownStamps.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTreeView;

namespace korvane {

class ReviewListModel;

class frmReview : public QDialog {
    Q_OBJECT
  public:
    // `threeFiles`: Save writes all three files (otherwise fewer: the one output file of git's merge
    // tool, or not the sync tool's conflict copy).
    frmReview(Review& review, bool threeFiles, QWidget* owner = nullptr);

    // Shows the window until it closes: true when the user confirmed Save, false when it was closed
    // without saving.
    bool showModal();

    QTreeView* list() const { return m_list; }
    QPlainTextEdit* pane(Side pane) const { return m_panes[static_cast<std::size_t>(pane)]; }
    QLabel* heading(Side pane) const { return m_headings[static_cast<std::size_t>(pane)]; }
    QPlainTextEdit* result() const { return m_result; }
    QPushButton* outcomeButton(Outcome o) const { return m_outcomes[static_cast<std::size_t>(o)]; }
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
    // The parts of the window: the list of differences with its filters, the three versions and the
    // table of fields, the outcome buttons with the result, the keys and the closing buttons.
    void buildList(QWidget* parent);
    void buildVersions(QWidget* parent);
    void buildChoices(QWidget* parent);
    QBoxLayout* buildFooter();
    void updateRow(std::size_t item);
    void updateCounts();
    void applyFilter();
    void showItem(int item);
    void showResult();
    void fillPane(Side pane, const std::string& text);
    void markPanes(std::size_t item);
    void markResult(std::size_t item, const std::vector<qsizetype>& cuts);
    // Puts the cursor of a box at a position (-1: its start) and scrolls it there.
    static void openAt(QPlainTextEdit* box, int position);
    void choose(Outcome o);
    // Takes the result box's edit into the review; false (the window stays on the tiddler) when refused.
    bool takeEdit();
    // Whether closing without saving would discard something the user did.
    bool choicesMade() const;
    // Moves to the next (step 1) or previous (step -1) tiddler that needs a person.
    void nextNeedingYou(int step);
    void save();

    Review& m_review;
    bool m_threeFiles;
    bool m_saved = false;
    int m_current = -1;
    QLabel* m_counts = nullptr;
    QRadioButton* m_needsYou = nullptr;
    QRadioButton* m_all = nullptr;
    QTreeView* m_list = nullptr;
    ReviewListModel* m_model = nullptr;
    std::array<QLabel*, 3> m_headings{};
    std::array<QPlainTextEdit*, 3> m_panes{};
    std::array<BoxContent, 3> m_contents;
    std::array<ShownText, 3> m_shown;  // each pane's text as shown, its stamps as dates
    std::array<std::vector<qsizetype>, 3> m_cuts;
    std::array<std::vector<std::size_t>, 3> m_starts;  // each pane's words (see unicodeWordStarts)
    int m_resultOpening = -1;
    QTableWidget* m_fields = nullptr;
    std::array<QPushButton*, 7> m_outcomes{};
    QLabel* m_resultHeading = nullptr;
    QPlainTextEdit* m_result = nullptr;
    BoxContent m_resultContent;
};

}  // namespace korvane
