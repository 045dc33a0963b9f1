// The question for the password of an encrypted wiki: which file, a password field, OK and Cancel.
#pragma once

#include "merge/MergeHost.h"

class QWidget;

namespace korvane {

// Shows the question modally over `parent` (objectName "frmPassword", its field "txtPassword"). The
// password is taken out of the field and the field emptied before the dialog goes; Cancel or closing
// the window answers Cancelled. Nothing of the password is remembered.
PasswordAnswer askPasswordBox(QWidget* parent, const PasswordRequest& request);

}  // namespace korvane
