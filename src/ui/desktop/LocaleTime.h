// The present date and time as the user's locale writes it, for the titles of conflict copies.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <string>

namespace korvane {

// The locale's short date with a four-digit year, one space, then its long time with seconds and no
// time zone; at exactly midnight the date alone. For United States English: 12/5/2026 6:15:06 AM.
QString localeTimeText(const QLocale& locale, const QDateTime& moment);

// The present moment in the system's locale, as UTF-8.
std::string presentLocaleTimeText();

}  // namespace korvane
