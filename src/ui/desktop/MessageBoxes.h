// Modal message boxes with the exact texts, icons and titles that Korvane shows, and the keyboard
// guard of every window that settles part of a merge.
#pragma once

#include <QString>
#include <chrono>

#include "merge/MergeHost.h"

class QWidget;

namespace korvane {

// A message with an OK button; an empty title shows the application's title.
void showMessageBox(QWidget* parent, const QString& text, MessageIcon icon, const QString& title = QString());

// A Yes/No question with the question icon; true for Yes. Guarded against stray keys (below).
bool askYesNoBox(QWidget* parent, const QString& text, const QString& title, bool yesIsDefault);

// How long a freshly shown question or conflict dialog lets Enter, Return and Space pass by, so that
// a press meant for the window before it cannot answer this one.
inline constexpr std::chrono::milliseconds kKeyboardArmDelay{400};

// Guards `window` against stray keys for as long as it exists: an auto-repeated key press (a held key)
// presses nothing, except while typing in an editable box; Enter, Return and Space do nothing until
// the window has been visible for kKeyboardArmDelay. Mouse clicks are never delayed.
void guardAgainstStrayKeys(QWidget* window);

}  // namespace korvane
