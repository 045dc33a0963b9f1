#include "ui/conflict/BoxText.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace korvane {

bool isValidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) {
                lo = 0xA0;  // no overlong forms
            } else if (c == 0xED) {
                hi = 0x9F;  // no surrogates
            }
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) {
                lo = 0x90;
            } else if (c == 0xF4) {
                hi = 0x8F;  // nothing above U+10FFFF
            }
        } else {
            return false;
        }
        if (i + len > n || s[i + 1] < lo || s[i + 1] > hi) {
            return false;
        }
        for (std::size_t k = 2; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) {
                return false;
            }
        }
        i += len;
    }
    return true;
}

QString decodeForBox(const std::string& bytes, BoxContent& content) {
    content.bytes = bytes;
    content.utf8 = isValidUtf8(bytes);
    const auto size = static_cast<qsizetype>(bytes.size());
    return content.utf8 ? QString::fromUtf8(bytes.data(), size) : QString::fromLatin1(bytes.data(), size);
}

QString readBoxText(const QPlainTextEdit& box) {
    QString text = box.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return text;
}

std::string encodeBoxText(const QString& text, const BoxContent& content) {
    if (text == content.shown) {
        return content.bytes;
    }
    QByteArray out;
    if (content.utf8) {
        out = text.toUtf8();
    } else {
        // The text the user left alone at both ends keeps its Latin-1 bytes; the changed middle, where
        // the typing happened, is stored as UTF-8.
        const qsizetype limit = std::min(text.size(), content.shown.size());
        qsizetype prefix = 0;
        while (prefix < limit && text[prefix] == content.shown[prefix]) {
            ++prefix;
        }
        qsizetype suffix = 0;
        while (suffix < limit - prefix &&
               text[text.size() - 1 - suffix] == content.shown[content.shown.size() - 1 - suffix]) {
            ++suffix;
        }
        out = text.left(prefix).toLatin1();
        out += text.mid(prefix, text.size() - prefix - suffix).toUtf8();
        out += text.right(suffix).toLatin1();
    }
    return std::string(out.constData(), static_cast<std::size_t>(out.size()));
}

}  // namespace korvane
