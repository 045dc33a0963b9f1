#include "ui/desktop/Settings.h"

#include <QFile>
#include <QSettings>
#include <algorithm>

namespace korvane {
namespace {

QString settingName(const QString& key) {
    return QStringLiteral("file paths/") + key;
}

// Organisation and application are both "Korvane": ~/.config/Korvane/Korvane.conf on Linux,
// HKEY_CURRENT_USER\Software\Korvane\Korvane in the registry on Windows.
const char* const kOrganisation = "Korvane";
const char* const kApplication = "Korvane";
QSettings::Format storeFormat = QSettings::NativeFormat;

constexpr char16_t kEscapeBase = 0xDC00;  // U+DC80..U+DCFF stand for the bytes 0x80..0xFF

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

void useConfiguredSettingsFolder() {
    const QByteArray folder = qgetenv("KORVANE_CONFIG_DIR");
    if (!folder.isEmpty()) {
#ifdef Q_OS_WIN
        // Windows keeps the settings in the registry, which has no folder: there an INI file in the
        // folder keeps them instead.
        storeFormat = QSettings::IniFormat;
#endif
        QSettings::setPath(storeFormat, QSettings::UserScope, QFile::decodeName(folder));
    }
}

QString rememberedPath(const QString& key) {
    const QSettings settings(storeFormat, QSettings::UserScope, kOrganisation, kApplication);
    const QVariant value = settings.value(settingName(key));
    if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        return pathToText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
    return value.toString();
}

bool rememberedOption(const QString& key) {
    const QSettings settings(storeFormat, QSettings::UserScope, kOrganisation, kApplication);
    return settings.value(QStringLiteral("options/") + key, false).toBool();
}

void rememberOption(const QString& key, bool on) {
    QSettings settings(storeFormat, QSettings::UserScope, kOrganisation, kApplication);
    settings.setValue(QStringLiteral("options/") + key, on);
    settings.sync();
}

void rememberPath(const QString& key, const QString& value) {
    QSettings settings(storeFormat, QSettings::UserScope, kOrganisation, kApplication);
    // The store writes text as UTF-8 and would lose the bytes of a name that is not: such a path is
    // stored as its bytes.
    if (value.isValidUtf16()) {
        settings.setValue(settingName(key), value);
    } else {
        settings.setValue(settingName(key), QByteArray::fromStdString(textToPath(value)));
    }
    settings.sync();
}

QString pathToText(std::string_view path) {
    QString text;
    text.reserve(static_cast<qsizetype>(path.size()));
    const auto byte = [path](std::size_t i) { return static_cast<unsigned char>(path[i]); };
    for (std::size_t i = 0; i < path.size();) {
        const unsigned char lead = byte(i);
        std::size_t length = 0;
        char32_t c = lead;
        char32_t smallest = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, smallest = 0x10000;
        }
        bool valid = lead < 0x80 || (length > 0 && i + length <= path.size());
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (byte(i + k) & 0xC0) == 0x80;
            c = (c << 6) | (byte(i + k) & 0x3F);
        }
        // Overlong forms, encoded surrogates and code points past U+10FFFF are not UTF-8 either.
        valid = valid && c >= smallest && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        if (!valid) {
            text += QChar(static_cast<char16_t>(kEscapeBase + lead));
            ++i;
        } else if (c >= 0x10000) {
            text += QChar(QChar::highSurrogate(c));
            text += QChar(QChar::lowSurrogate(c));
            i += length;
        } else {
            text += QChar(static_cast<char16_t>(c));
            i += std::max<std::size_t>(length, 1);
        }
    }
    return text;
}

std::string textToPath(const QString& text) {
    std::string path;
    path.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        char32_t c = u;
        if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            path += static_cast<char>(u - kEscapeBase);
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(u, text[++i].unicode());
        } else if (QChar::isSurrogate(u)) {
            c = 0xFFFD;  // a lone surrogate no byte stands for
        }
        appendUtf8(path, c);
    }
    return path;
}

}  // namespace korvane
