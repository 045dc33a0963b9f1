// The review window's choice for a tiddler: the buttons of the outcomes ("Keep: Yours, Friend's, …"),
// and the result they give, marked with what it takes from each side and open to an edit.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "merge/run/Review.h"
#include "ui/conflict/BoxText.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace korvane {

class ReviewVersions;

class ReviewChoices : public QWidget {
  public:
    // `choose` is called with the outcome of the button clicked.
    ReviewChoices(const Review& review, std::function<void(Outcome)> choose, QWidget* parent);

    QPushButton* outcomeButton(Outcome o) const { return m_outcomes[static_cast<std::size_t>(o)]; }
    QPlainTextEdit* result() const { return m_result; }
    // Shows the review item's outcome and its result, marked against the versions shown.
    void showItem(std::size_t item, const ReviewVersions& versions);
    // Whether an edit typed into the result waits to be taken.
    bool editWaiting() const;
    // The result's text in its stored form.
    std::string editedText() const;

  private:
    void markResult(std::size_t item, const ReviewVersions& versions, const std::vector<qsizetype>& cuts);

    const Review& m_review;
    std::function<void(Outcome)> m_choose;
    std::array<QPushButton*, 7> m_outcomes{};
    QLabel* m_resultHeading = nullptr;
    QPlainTextEdit* m_result = nullptr;
    BoxContent m_resultContent;
    int m_resultOpening = -1;
};

}  // namespace korvane
