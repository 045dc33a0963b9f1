#include "ui/conflict/BoxText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <utility>
#include <vector>

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

QString decodeForBox(std::string bytes, BoxContent& content) {
    content.bytes = std::move(bytes);
    content.utf8 = isValidUtf8(content.bytes);
    const char* data = content.bytes.data();
    const auto size = static_cast<qsizetype>(content.bytes.size());
    return content.utf8 ? QString::fromUtf8(data, size) : QString::fromLatin1(data, size);
}

namespace {

// The character format property of a line separator that stands for a kept character.
constexpr int kKeptCharacter = QTextFormat::UserProperty + 1;

constexpr char16_t kFrameStart = 0xFDD0;
constexpr char16_t kFrameEnd = 0xFDD1;

// The first character from `from` on that a document would take as a paragraph break although it is
// not the box's own line break (CR LF, or a line feed alone); -1 when there is none.
qsizetype nextKeptCharacter(const QString& text, qsizetype from) {
    for (qsizetype i = from; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == QChar::ParagraphSeparator || c == kFrameStart || c == kFrameEnd ||
            (c == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))) {
            return i;
        }
    }
    return -1;
}

}  // namespace

void setBoxText(QTextDocument& box, const QString& text) {
    QTextCursor cursor(&box);
    qsizetype kept = nextKeptCharacter(text, 0);
    if (kept < 0) {
        cursor.insertText(text);
        return;
    }
    cursor.beginEditBlock();
    qsizetype from = 0;
    while (from <= text.size()) {
        const qsizetype end = kept < 0 ? text.size() : kept;
        cursor.insertText(text.mid(from, end - from), QTextCharFormat());
        if (kept < 0) {
            break;
        }
        QTextCharFormat format;
        format.setProperty(kKeptCharacter, QString(text[kept]));
        cursor.insertText(QString(QChar::LineSeparator), format);
        from = kept + 1;
        kept = nextKeptCharacter(text, from);
    }
    cursor.endEditBlock();
}

bool hasOverlongLine(const QTextDocument& box) {
    for (QTextBlock block = box.begin(); block.isValid(); block = block.next()) {
        if (block.length() - 1 > kLongestEditableLine) {
            return true;
        }
    }
    return false;
}

std::vector<qsizetype> cutOverlongLines(QTextDocument& box) {
    std::vector<qsizetype> cuts;
    QTextCursor cursor(&box);
    qsizetype added = 0;
    for (QTextBlock block = box.begin(); block.isValid(); block = block.next()) {
        const qsizetype length = block.length() - 1;
        if (length <= kLongestEditableLine) {
            continue;
        }
        const QString text = block.text();
        const qsizetype start = block.position();  // already counts the cuts made before this line
        qsizetype at = kPieceLength;
        while (at < length) {
            // A piece ends after a space within its last half, so that no word is cut in two; a
            // word longer than that is cut, but never between the two halves of a surrogate pair.
            qsizetype space = at;
            while (space > at - kPieceLength / 2 && !text[space - 1].isSpace()) {
                --space;
            }
            if (space > at - kPieceLength / 2) {
                at = space;
            }
            if (text[at].isLowSurrogate()) {
                ++at;
                continue;
            }
            cursor.setPosition(static_cast<int>(start + at + static_cast<qsizetype>(cuts.size()) - added));
            cursor.insertBlock();
            cuts.push_back(start - added + at);
            at += kPieceLength;
        }
        added = static_cast<qsizetype>(cuts.size());
        block = cursor.block();
    }
    return cuts;
}

QString readBoxText(const QTextDocument& document) {
    QString text = document.toRawText();
    // Kept characters stand as line separators: only a text that holds one needs its formats read.
    std::vector<std::pair<qsizetype, QChar>> kept;
    if (text.contains(QChar::LineSeparator)) {
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const QVariant original = fragment.charFormat().property(kKeptCharacter);
                if (!original.isValid()) {
                    continue;
                }
                for (int p = fragment.position(); p < fragment.position() + fragment.length(); ++p) {
                    if (text[p] == QChar::LineSeparator) {
                        kept.emplace_back(p, original.toString().at(0));
                    }
                }
            }
        }
    }
    // One pass that writes every paragraph break as CR LF (replacing in place moves the rest of the text
    // again for every few breaks).
    QString out;
    out.reserve(text.size() + text.count(QChar::ParagraphSeparator));
    auto next = kept.begin();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (next != kept.end() && next->first == i) {
            out += next->second;
            ++next;
        } else if (text[i] == QChar::ParagraphSeparator) {
            out += QStringLiteral("\r\n");
        } else {
            out += text[i];
        }
    }
    return out;
}

// The text that filling a box with the content gave: the decoded bytes with each line feed that does
// not follow a carriage return turned into CR LF, as the box reads its line breaks back.
QString shownText(const BoxContent& content) {
    const char* data = content.bytes.data();
    const auto size = static_cast<qsizetype>(content.bytes.size());
    const QString decoded = content.utf8 ? QString::fromUtf8(data, size) : QString::fromLatin1(data, size);
    QString shown;
    shown.reserve(decoded.size() + decoded.count(u'\n'));
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        if (decoded[i] == u'\n' && (i == 0 || decoded[i - 1] != u'\r')) {
            shown += u'\r';
        }
        shown += decoded[i];
    }
    return shown;
}

std::string encodeBoxText(const QString& text, const BoxContent& content) {
    const QString shown = shownText(content);
    if (text == shown) {
        return content.bytes;  // changed and changed back
    }
    QByteArray out;
    if (content.utf8) {
        out = text.toUtf8();
    } else {
        // The text the user left alone at both ends keeps its Latin-1 bytes; the changed middle, where
        // the typing happened, is stored as UTF-8.
        const qsizetype limit = std::min(text.size(), shown.size());
        qsizetype prefix = 0;
        while (prefix < limit && text[prefix] == shown[prefix]) {
            ++prefix;
        }
        qsizetype suffix = 0;
        while (suffix < limit - prefix &&
               text[text.size() - 1 - suffix] == shown[shown.size() - 1 - suffix]) {
            ++suffix;
        }
        out = text.left(prefix).toLatin1();
        out += text.mid(prefix, text.size() - prefix - suffix).toUtf8();
        out += text.right(suffix).toLatin1();
    }
    return std::string(out.constData(), static_cast<std::size_t>(out.size()));
}

int positionAfterCuts(qsizetype position, const std::vector<qsizetype>& cuts, bool isRangeEnd) {
    const auto before = isRangeEnd ? std::lower_bound(cuts.begin(), cuts.end(), position)
                                   : std::upper_bound(cuts.begin(), cuts.end(), position);
    return static_cast<int>(position + (before - cuts.begin()));
}

}  // namespace korvane
