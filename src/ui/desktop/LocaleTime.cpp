#include "ui/desktop/LocaleTime.h"

#include <QRegularExpression>

namespace korvane {
namespace {

// The short date format with its year written in four digits.
QString dateFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression years(QStringLiteral("y+"));
    format.replace(years, QStringLiteral("yyyy"));
    return format;
}

// The long time format without its time-zone part (and the space that joins it).
QString timeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

}  // namespace

QString localeTimeText(const QLocale& locale, const QDateTime& moment) {
    const QString date = locale.toString(moment.date(), dateFormat(locale));
    const QTime t = moment.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0) {
        return date;
    }
    return date + QLatin1Char(' ') + locale.toString(moment.time(), timeFormat(locale));
}

std::string presentLocaleTimeText() {
    return localeTimeText(QLocale::system(), QDateTime::currentDateTime()).toUtf8().toStdString();
}

}  // namespace korvane
