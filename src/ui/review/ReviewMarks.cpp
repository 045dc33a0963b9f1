#include "ui/review/ReviewMarks.h"

#include <QPlainTextEdit>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>

namespace korvane {

QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The document positions of byte ranges of a box's content: a line break (CR LF or one character) is
// one position, a character beyond the Basic Multilingual Plane two, and every break that cut an overlong
// line one more from where it stands on.
std::vector<std::pair<int, int>> positionsOf(const BoxContent& content, const std::vector<ByteRange>& ranges,
                                             const std::vector<qsizetype>& cuts) {
    std::vector<std::pair<int, int>> out;
    const std::string& b = content.bytes;
    std::size_t byte = 0;
    qsizetype position = 0;
    const auto advanceTo = [&](std::size_t to) {
        for (; byte < to && byte < b.size(); ++byte) {
            const auto c = static_cast<unsigned char>(b[byte]);
            if (c == '\r' && byte + 1 < b.size() && b[byte + 1] == '\n') {
                continue;  // CR LF is one break
            }
            if (!content.utf8 || c < 0x80) {
                ++position;
            } else if (c >= 0xF0) {
                position += 2;  // a surrogate pair
            } else if (c >= 0xC0) {
                ++position;  // a lead byte; continuation bytes add nothing
            }
        }
        return position;
    };
    for (const ByteRange& r : ranges) {
        const qsizetype start = advanceTo(r.start);
        const qsizetype end = advanceTo(r.end);
        if (end > start) {
            out.emplace_back(positionAfterCuts(start, cuts, false), positionAfterCuts(end, cuts, true));
        }
    }
    return out;
}

void markRanges(QTextDocument& document, const std::vector<std::pair<int, int>>& ranges, Mark mark) {
    QTextCharFormat format;
    switch (mark) {
        case Mark::Inserted:
            format.setBackground(QColor(0xc8, 0xf0, 0xc8));
            format.setFontUnderline(true);
            break;
        case Mark::Removed:
            format.setBackground(QColor(0xf8, 0xc8, 0xc8));
            format.setFontStrikeOut(true);
            break;
        case Mark::FromYours:
            format.setBackground(QColor(0xcc, 0xdc, 0xf8));
            format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
            break;
        case Mark::FromFriends:
            format.setBackground(QColor(0xf8, 0xec, 0xb0));
            format.setUnderlineStyle(QTextCharFormat::DotLine);
            break;
    }
    QTextCursor cursor(&document);
    for (const auto& [start, end] : ranges) {
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    }
}

// The ranges cut at line breaks, each part without the spaces at its ends: a mark never runs over the
// end of a line into the indent of the next, which would make an unchanged line look changed.
std::vector<ByteRange> visibleParts(const std::string& b, const std::vector<ByteRange>& ranges) {
    std::vector<ByteRange> parts;
    for (const ByteRange& r : ranges) {
        for (std::size_t start = r.start; start < r.end;) {
            std::size_t end = start;
            while (end < r.end && b[end] != '\n') {
                ++end;
            }
            std::size_t s = start, e = end;
            while (s < e && isWordSpace(b[s])) {
                ++s;
            }
            while (e > s && isWordSpace(b[e - 1])) {
                --e;
            }
            if (e > s) {
                parts.push_back({s, e});
            }
            start = end + 1;
        }
    }
    return parts;
}

// The starts of a text's words in bytes, each word with the spaces after it, then the text's size: the
// words the marks follow. A text is parted at spaces, and a run without spaces that holds more than
// ASCII is parted again as Unicode's word-boundary rules part it (QTextBoundaryFinder), so that Chinese
// or Japanese text, written without spaces, is marked word by word and not a sentence at a time. Only
// such runs go to the boundary finder, which keeps a line of megabytes quick.
std::vector<std::size_t> unicodeWordStarts(const BoxContent& content) {
    const std::string& b = content.bytes;
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < b.size();) {
        std::size_t end = at;
        bool ascii = true;
        for (; end < b.size() && !isWordSpace(b[end]); ++end) {
            ascii = ascii && static_cast<unsigned char>(b[end]) < 0x80;
        }
        const std::size_t runEnd = end;
        while (end < b.size() && isWordSpace(b[end])) {
            ++end;
        }
        starts.push_back(at);
        if (!ascii && content.utf8) {
            const std::size_t kept = starts.size();
            const QString run = QString::fromUtf8(b.data() + at, static_cast<qsizetype>(runEnd - at));
            QTextBoundaryFinder finder(QTextBoundaryFinder::Word, run);
            std::size_t byte = at;
            qsizetype unit = 0;
            const auto advance = [&](qsizetype to) {
                for (; unit < to; ++unit) {
                    const char16_t c = run[unit].unicode();
                    byte += c < 0x80                    ? 1
                            : c < 0x800                 ? 2
                            : QChar::isHighSurrogate(c) ? 4
                            : QChar::isLowSurrogate(c)  ? 0
                                                        : 3;
                }
            };
            for (qsizetype next = finder.toNextBoundary(); next > 0 && next < run.size();
                 next = finder.toNextBoundary()) {
                advance(next);
                if (!run[next].isSpace()) {  // a space such as U+3000 stays with the word before it
                    starts.push_back(byte);
                }
            }
            advance(run.size());
            if (byte != runEnd) {
                starts.resize(kept);  // a run that does not decode back to its bytes stays whole
            }
        }
        at = end;
    }
    starts.push_back(b.size());
    return starts;
}

// What changed from one text to another, word by word as Unicode splits words.
WordChanges unicodeWordChanges(const BoxContent& before, const std::vector<std::size_t>& beforeStarts,
                               const BoxContent& after, const std::vector<std::size_t>& afterStarts) {
    if (beforeStarts.empty() || afterStarts.empty()) {
        return wordChanges(before.bytes, after.bytes);
    }
    return wordChanges(before.bytes, after.bytes, beforeStarts, afterStarts);
}

// The document positions of a pane's marks, found on its stored bytes, in the text it shows.
std::vector<std::pair<int, int>> shownPositionsOf(const BoxContent& content, const ShownText& shown,
                                                  const std::vector<ByteRange>& ranges,
                                                  const std::vector<qsizetype>& cuts) {
    return shown.stamps.empty() ? positionsOf(content, ranges, cuts)
                                : positionsOf(shown.content, toShown(ranges, shown.stamps), cuts);
}

// Where a pane opens: at its first mark in the tiddler's text (after the fields and the empty line of
// the field form) when there is one there, else at its first mark; -1 for none.
int openingPosition(const BoxContent& content, const ShownText& shown, const std::vector<ByteRange>& marks,
                    const std::vector<qsizetype>& cuts, bool fieldForm) {
    if (marks.empty()) {
        return -1;
    }
    std::size_t textStart = 0;
    if (fieldForm) {
        const std::size_t blank = content.bytes.find("\n\n"), crlf = content.bytes.find("\r\n\r\n");
        textStart = std::min(blank == std::string::npos ? blank : blank + 2,
                             crlf == std::string::npos ? crlf : crlf + 4);
    }
    const auto inText = std::find_if(marks.begin(), marks.end(),
                                     [textStart](const ByteRange& r) { return r.start >= textStart; });
    const std::vector<std::pair<int, int>> at =
        shownPositionsOf(content, shown, {inText == marks.end() ? marks.front() : *inText}, cuts);
    return at.empty() ? -1 : at.front().first;
}

void openAt(QPlainTextEdit* box, int position) {
    QTextCursor at(box->document());
    at.setPosition(std::max(position, 0));
    box->setTextCursor(at);
    // Scrolled to the mark once the box has its size.
    QTimer::singleShot(0, box, [box] { box->ensureCursorVisible(); });
}

}  // namespace korvane
