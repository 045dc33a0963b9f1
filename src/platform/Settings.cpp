#include "platform/Settings.h"

#include <QSettings>

namespace korvane {
namespace {

QString settingName(const QString& key) {
    return QStringLiteral("file paths/") + key;
}

// Organisation and application are both "Korvane": ~/.config/Korvane/Korvane.conf on Linux.
const char* const kOrganisation = "Korvane";
const char* const kApplication = "Korvane";

}  // namespace

QString rememberedPath(const QString& key) {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    return settings.value(settingName(key)).toString();
}

void rememberPath(const QString& key, const QString& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    settings.setValue(settingName(key), value);
    settings.sync();
}

}  // namespace korvane
