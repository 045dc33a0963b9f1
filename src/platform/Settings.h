// The three remembered paths in the per-user settings store: application "Korvane", section
// "file paths", keys "local", "remote" and "unedited". On Linux the store is a file in the user's
// configuration folder.
#pragma once

#include <QString>

namespace korvane {

// The stored value, or the empty string when there is none.
QString rememberedPath(const QString& key);

// Stores the value and puts it on disk at once, so that it survives even a program that ends abruptly.
void rememberPath(const QString& key, const QString& value);

}  // namespace korvane
