// Modal message boxes with the exact texts, icons and titles that Korvane shows.
#pragma once

#include <QString>

#include "merge/MergeHost.h"

class QWidget;

namespace korvane {

// A message with an OK button; an empty title shows the application's title.
void showMessageBox(QWidget* parent, const QString& text, MessageIcon icon, const QString& title = QString());

// A Yes/No question with the question icon; true for Yes.
bool askYesNoBox(QWidget* parent, const QString& text, const QString& title, bool yesIsDefault);

}  // namespace korvane
