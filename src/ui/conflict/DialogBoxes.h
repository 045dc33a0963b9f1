// The five boxes of the conflict dialog and what they hold: each box's text as the request gave it (the
// bytes in store form, and how they were decoded), where its overlong lines were cut, and where its
// first marked difference is. They are filled and marked once, and give their texts back in store form.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ui/conflict/BoxText.h"
#include "ui/conflict/ConflictRequest.h"

class QPlainTextEdit;

namespace korvane {

// Shown on the window's background, as the platform shows text that cannot be edited.
void showReadOnly(QPlainTextEdit& box);

class DialogBoxes {
  public:
    // Takes over the request's texts, its check of an edited box and the boxes that check applies to.
    void take(ConflictRequest& request);

    QPlainTextEdit*& operator[](DialogBox which) { return m_boxes[static_cast<std::size_t>(which)]; }
    QPlainTextEdit* operator[](DialogBox which) const { return m_boxes[static_cast<std::size_t>(which)]; }

    // Fills the boxes with the request's texts and marks where the local and remote versions differ;
    // each box opens at its first marked difference.
    void fill();
    // The box that `which` takes back whose edited text the request's check refuses, with the check's
    // words; none when every such box is accepted (or there is no check).
    std::optional<std::pair<DialogBox, std::string>> refusedEdit(DialogButton which) const;
    // The boxes' texts as the user left them: a box left as filled gives back exactly its bytes.
    void readBack();
    // The texts: the request's until the boxes are filled; the boxes' texts after readBack().
    ConflictTexts& texts() { return m_texts; }

  private:
    void markDifferencesInBoxes();

    std::array<QPlainTextEdit*, 5> m_boxes{};
    std::array<BoxContent, 5> m_contents;
    // Per box, where breaks cut its overlong lines (see cutOverlongLines); empty for most boxes.
    std::array<std::vector<qsizetype>, 5> m_cuts;
    // Per box, the document position of its first marked difference; -1 for none.
    std::array<int, 5> m_firstMark{-1, -1, -1, -1, -1};
    ConflictTexts m_texts;
    // The request's check of an edited box, and the boxes it applies to.
    std::function<std::string(const std::string&)> m_checkBox;
    bool m_fieldForm = false;  // the request's fieldForm
    std::set<DialogBox> m_takenBack;
};

}  // namespace korvane
