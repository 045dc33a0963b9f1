#include "document/StoreArea.h"

namespace korvane {
namespace {

constexpr std::string_view kDivOpen = "<div";
constexpr std::string_view kDivClose = "</div>";
constexpr std::string_view kQuote = "\"";

// The position of the `</div>` that closes an element whose content starts at `from`, counting the
// `<div` and `</div>` tags in between; npos when the nesting never closes.
std::size_t findMatchingClose(std::string_view doc, std::size_t from) {
    std::size_t depth = 1;
    std::size_t open = findIgnoringCase(doc, kDivOpen, from);
    std::size_t close = findIgnoringCase(doc, kDivClose, from);
    while (close != npos) {
        if (open != npos && open < close) {
            ++depth;
            open = findIgnoringCase(doc, kDivOpen, open + kDivOpen.size());
            continue;
        }
        if (--depth == 0) {
            return close;
        }
        close = findIgnoringCase(doc, kDivClose, close + kDivClose.size());
    }
    return npos;
}

// Only spaces, CR, LF and TAB (or nothing at all).
bool isBlank(std::string_view s) {
    for (char c : s) {
        if (c != ' ' && c != '\r' && c != '\n' && c != '\t') {
            return false;
        }
    }
    return true;
}

std::string_view attribute(std::string_view div, std::string_view marker) {
    return funcParseStringFromStringToString(div, marker, kQuote, true);
}

void appendEntry(TiddlerList& list, std::string_view div) {
    list.colDivs.push_back(div);
    // Wikis saved by later versions name the tiddler in a `title` attribute instead.
    const bool hasTiddlerAttribute = findIgnoringCase(div, "tiddler=\"") != npos;
    const bool hasTitleAttribute = !hasTiddlerAttribute && findIgnoringCase(div, " title=\"") != npos;
    list.colTitles.push_back(attribute(div, hasTitleAttribute ? " title=\"" : "tiddler=\""));
    list.colModifiers.push_back(attribute(div, " modifier=\""));
    list.colModified.push_back(attribute(div, " modified=\""));
    list.colCreated.push_back(attribute(div, " created=\""));
}

}  // namespace

StoreArea findStoreArea(std::string_view document) {
    StoreArea area;
    area.start = findIgnoringCase(document, kStoreAreaTag);
    if (area.start == npos) {
        area.start = findIgnoringCase(document, kStoreAreaTagOldForm);
    }
    if (area.start == npos) {
        return area;
    }
    area.found = true;
    area.contentStart = document.find('>', area.start) + 1;  // both tag forms end in `>`
    area.end = findMatchingClose(document, area.contentStart);
    if (area.end == npos) {
        const std::size_t last = findLastIgnoringCase(document, kDivClose);
        if (last != npos && last >= area.contentStart) {
            area.end = last;
        }
    }
    return area;
}

StoreArea ParseStoreArea(std::string_view document, TiddlerList& list) {
    const StoreArea area = findStoreArea(document);
    if (!area.found) {
        return area;
    }
    const std::size_t stop = area.end == npos ? document.size() : area.end;
    const std::string_view region = document.substr(0, stop);
    // Each element runs from a `<div` to the first `</div>` after it; text before a `</div>` with no
    // `<div` ahead of it counts as an element too. The next `<div` is remembered between turns so that
    // a run of stray closing tags does not make the split scan the same stretch again and again.
    std::size_t pos = area.contentStart;
    std::size_t nextOpen = findIgnoringCase(region, kDivOpen, pos);
    while (true) {
        if (nextOpen != npos && nextOpen < pos) {
            nextOpen = findIgnoringCase(region, kDivOpen, pos);
        }
        std::size_t begin = pos;
        std::size_t close = npos;
        if (nextOpen == npos) {
            close = findIgnoringCase(region, kDivClose, pos);
            if (close == npos) {
                break;
            }
        } else {
            begin = nextOpen + kDivOpen.size();
            close = findIgnoringCase(region, kDivClose, begin);
        }
        const std::string_view div = region.substr(begin, (close == npos ? region.size() : close) - begin);
        // An empty element is skipped rather than ending the split, so no later tiddler is lost.
        if (!isBlank(div)) {
            appendEntry(list, div);
        }
        if (close == npos) {
            break;  // an element without `</div>` runs to the end and is the last one
        }
        pos = close + kDivClose.size();
    }
    return area;
}

int findTiddlerIndex(std::string_view strName, const std::vector<std::string_view>& colNames) {
    const std::size_t n = colNames.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (colNames[i] == strName) {
            return static_cast<int>(i + 1);
        }
    }
    return -1;
}

TitleIndex::TitleIndex(const std::vector<std::string_view>& colNames) {
    m_first.reserve(colNames.size());
    for (std::size_t i = 0; i < colNames.size(); ++i) {
        m_first.emplace(colNames[i], static_cast<int>(i + 1));
    }
}

int TitleIndex::find(std::string_view strName) const {
    const auto it = m_first.find(strName);
    return it == m_first.end() ? -1 : it->second;
}

bool TitleIndex::addIfNew(std::string_view title, int oneBasedIndex) {
    return m_first.emplace(title, oneBasedIndex).second;
}

}  // namespace korvane
