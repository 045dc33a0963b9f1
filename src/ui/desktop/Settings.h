// The three remembered paths in the per-user settings store: application "Korvane", section
// "file paths", keys "local", "remote" and "unedited". On Linux the store is a file in the user's
// configuration folder, on Windows the user's part of the registry
// (HKEY_CURRENT_USER\Software\Korvane\Korvane); on both it is a file in the folder named by
// KORVANE_CONFIG_DIR when that is set (the demo keeps its paths there, away from the user's own).
//
// A path is bytes, and not every name is valid UTF-8. The path fields show a path as text in which
// each byte that is not part of valid UTF-8 stands as the lone surrogate U+DC00 + byte, so that the
// text turns back into exactly the bytes it came from.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace korvane {

// Uses the folder named by KORVANE_CONFIG_DIR for the settings store when that variable is set.
void useConfiguredSettingsFolder();

// The stored value, or the empty string when there is none.
QString rememberedPath(const QString& key);

// Stores the value and puts it on disk at once, so that it survives even a program that ends abruptly.
void rememberPath(const QString& key, const QString& value);

// A remembered choice of the main window (section "options"); false when none is stored.
bool rememberedOption(const QString& key);
void rememberOption(const QString& key, bool on);

// A path's bytes as field text, and field text back as the path's bytes: pathToText and textToPath
// are inverse for every byte string without a zero byte.
QString pathToText(std::string_view path);
std::string textToPath(const QString& text);

}  // namespace korvane
