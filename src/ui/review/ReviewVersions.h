// The review window's versions of a tiddler: yours, the unedited one and the friend's side by side,
// each under a heading in words, their differences marked word by word, and the table of the fields that
// differ below them.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

#include "merge/run/Review.h"
#include "ui/conflict/BoxText.h"
#include "ui/review/ShownStamps.h"

class QLabel;
class QPlainTextEdit;
class QTableWidget;

namespace korvane {

class ReviewVersions : public QWidget {
  public:
    ReviewVersions(const Review& review, QWidget* parent);

    QPlainTextEdit* pane(Side pane) const { return m_panes[static_cast<std::size_t>(pane)]; }
    QLabel* heading(Side pane) const { return m_headings[static_cast<std::size_t>(pane)]; }
    // A pane's stored text and its words, which the result is marked against.
    const BoxContent& content(Side pane) const { return m_contents[static_cast<std::size_t>(pane)]; }
    const std::vector<std::size_t>& starts(Side pane) const {
        return m_starts[static_cast<std::size_t>(pane)];
    }

    // The heading of a pane in words: "Yours — edited 8 Nov 2026, 11:00 — newer".
    QString headingText(std::size_t item, Side pane) const;
    // Shows the review item's versions, marked, and the table of its differing fields.
    void showItem(std::size_t item);

  private:
    void fillPane(std::size_t item, Side pane, const std::string& text);
    void markPanes(std::size_t item);
    void fillFields(std::size_t item);

    const Review& m_review;
    std::array<QLabel*, 3> m_headings{};
    std::array<QPlainTextEdit*, 3> m_panes{};
    std::array<BoxContent, 3> m_contents;
    std::array<ShownText, 3> m_shown;  // each pane's text as shown, its stamps as dates
    std::array<std::vector<qsizetype>, 3> m_cuts;
    std::array<std::vector<std::size_t>, 3> m_starts;  // each pane's words (see unicodeWordStarts)
    QTableWidget* m_fields = nullptr;
};

}  // namespace korvane
