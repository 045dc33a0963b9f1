#include "ui/review/ShownStamps.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>

namespace korvane {

QString localStamp(std::string_view stamp) {
    const QDateTime utc = QDateTime::fromString(QString::fromLatin1(QByteArrayView(stamp.substr(0, 12))),
                                                QStringLiteral("yyyyMMddHHmm"));
    if (stamp.size() < 12 || !utc.isValid()) {
        return {};
    }
    QDateTime at = utc;
    at.setTimeSpec(Qt::UTC);
    return QLocale::system().toString(at.toLocalTime(), QStringLiteral("d MMM yyyy, HH:mm"));
}

namespace {

// The length of the stamp value at `at` that ends at `end` (the end of its line or the closing quote):
// 12 or 17 digits; 0 for anything else.
std::size_t stampLength(const std::string& b, std::size_t at, std::size_t end) {
    const std::size_t n = end - at;
    if (n != 12 && n != 17) {
        return 0;
    }
    return std::all_of(b.begin() + static_cast<std::ptrdiff_t>(at),
                       b.begin() + static_cast<std::ptrdiff_t>(end),
                       [](char c) { return c >= '0' && c <= '9'; })
               ? n
               : 0;
}

// The stored ranges of the stamp values, in order.
std::vector<ByteRange> stampValues(const std::string& b, bool fieldForm) {
    std::vector<ByteRange> found;
    if (fieldForm) {
        for (std::size_t line = 0; line < b.size();) {
            std::size_t end = b.find('\n', line);
            end = end == std::string::npos ? b.size() : end;
            const std::size_t stop = end > line && b[end - 1] == '\r' ? end - 1 : end;
            if (stop == line) {
                break;  // the empty line before the text
            }
            for (const std::string_view name :
                 {std::string_view("modified: "), std::string_view("created: ")}) {
                if (b.compare(line, name.size(), name) == 0 && stampLength(b, line + name.size(), stop) > 0) {
                    found.push_back({line + name.size(), stop});
                }
            }
            line = end + 1;
        }
        return found;
    }
    const std::size_t tagEnd = std::min(b.find('>'), b.size());
    for (const std::string_view name : {std::string_view(" modified=\""), std::string_view(" created=\"")}) {
        const std::size_t at = b.find(name);
        if (at == std::string::npos || at > tagEnd) {
            continue;
        }
        const std::size_t value = at + name.size(), quote = b.find('"', value);
        if (quote < tagEnd && stampLength(b, value, quote) > 0) {
            found.push_back({value, quote});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const ByteRange& x, const ByteRange& y) { return x.start < y.start; });
    return found;
}

std::size_t shownPosition(std::size_t stored, bool isRangeEnd, const std::vector<ShownStamp>& stamps) {
    std::size_t shown = stored;
    for (const ShownStamp& s : stamps) {
        if (stored <= s.storedStart) {
            break;
        }
        if (stored < s.storedEnd) {
            return isRangeEnd ? s.shownEnd : s.shownStart;
        }
        shown = stored - s.storedEnd + s.shownEnd;
    }
    return shown;
}

}  // namespace

ShownText showStamps(const BoxContent& stored, bool fieldForm) {
    ShownText shown;
    if (!stored.utf8) {
        return shown;
    }
    std::size_t from = 0;
    for (const ByteRange& r : stampValues(stored.bytes, fieldForm)) {
        const QString date = localStamp(std::string_view(stored.bytes).substr(r.start, r.end - r.start));
        if (date.isEmpty()) {
            continue;
        }
        const QByteArray utf8 = date.toUtf8();
        shown.content.bytes.append(stored.bytes, from, r.start - from);
        const std::size_t start = shown.content.bytes.size();
        shown.content.bytes.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        shown.stamps.push_back({r.start, r.end, start, shown.content.bytes.size()});
        from = r.end;
    }
    if (shown.stamps.empty()) {
        shown.content.bytes.clear();
        return shown;
    }
    shown.content.bytes.append(stored.bytes, from, std::string::npos);
    return shown;
}

std::vector<ByteRange> toShown(const std::vector<ByteRange>& stored, const std::vector<ShownStamp>& stamps) {
    if (stamps.empty()) {
        return stored;
    }
    std::vector<ByteRange> shown;
    shown.reserve(stored.size());
    for (const ByteRange& r : stored) {
        shown.push_back({shownPosition(r.start, false, stamps), shownPosition(r.end, true, stamps)});
    }
    return shown;
}

}  // namespace korvane
