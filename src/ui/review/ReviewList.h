// The review window's list of differences: the filters "Needs you" and "All" above it, a model that
// reads each row from the review as it is drawn, and a selection that asks before it moves.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "merge/run/Review.h"

class QRadioButton;
class QTreeView;

namespace korvane {

// Whether the list shows a tiddler under "Needs you" (see the definition).
bool wantsLook(const PlanItem& item);
// How the merged version came about, in words.
QString mergedWay(const MergeWay& way);

class ReviewListModel;

class ReviewList : public QWidget {
  public:
    // `mayLeave` is asked before the current row moves to another; false keeps it where it is.
    ReviewList(const Review& review, std::function<bool()> mayLeave, QWidget* parent);

    QTreeView* view() const { return m_list; }
    // Opens on "Needs you" when a tiddler needs a person, else on "All".
    void open();
    void updateRow(std::size_t item);
    // The counts of the two filters.
    void updateCounts();
    // Selects the review item (shows it in the list, under "All" when the filter hides it).
    void select(std::size_t item);

  private:
    void applyFilter();

    const Review& m_review;
    QRadioButton* m_needsYou = nullptr;
    QRadioButton* m_all = nullptr;
    QTreeView* m_list = nullptr;
    ReviewListModel* m_model = nullptr;
};

}  // namespace korvane
