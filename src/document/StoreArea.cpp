#include "document/StoreArea.h"

#include <algorithm>
#include <array>

namespace korvane {
namespace {

constexpr std::string_view kDivOpen = "<div";
constexpr std::string_view kDivClose = "</div>";
constexpr std::string_view kQuote = "\"";

// Every `<div` from `from` on, in order, with the position of its own `</div>` (npos when it never
// closes). One pass with a stack, so even a cut-off file full of unclosed tags is split in linear time.
struct Element {
    std::size_t open;
    std::size_t close;
};

std::vector<Element> matchElements(std::string_view text, std::size_t from) {
    std::vector<Element> elements;
    elements.reserve((text.size() - std::min(from, text.size())) / 256 + 8);
    std::vector<std::size_t> unclosed;  // indexes into `elements`
    // One scan over the `<` characters finds both kinds of tag.
    for (std::size_t at = text.find('<', from); at != npos; at = text.find('<', at + 1)) {
        const std::string_view rest = text.substr(at);
        if (startsWithIgnoringCase(rest, kDivOpen)) {
            elements.push_back({at, npos});
            unclosed.push_back(elements.size() - 1);
        } else if (!unclosed.empty() && startsWithIgnoringCase(rest, kDivClose)) {
            elements[unclosed.back()].close = at;
            unclosed.pop_back();
        }
    }
    return elements;
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

// The attribute markers of a tiddler element. Each holds exactly one `=`, just before its final quote.
enum Marker { kTiddler, kTitle, kModifier, kModified, kCreated, kMarkerCount };
constexpr std::string_view kMarkers[kMarkerCount] = {"tiddler=\"", " title=\"", " modifier=\"",
                                                     " modified=\"", " created=\""};

// The first position of every marker in the element (ignoring case), npos where it is absent: what a
// search of the whole element finds, for all markers in one scan over the `=` signs. The scan stops
// once `tiddler="` and the three stamps are found, which for a typical element is inside its opening
// tag; `title="` only counts when `tiddler="` is nowhere in the element, so the scan then runs on.
std::array<std::size_t, kMarkerCount> findMarkers(std::string_view div) {
    std::array<std::size_t, kMarkerCount> at;
    at.fill(npos);
    const auto done = [&at] {
        return at[kTiddler] != npos && at[kModifier] != npos && at[kModified] != npos && at[kCreated] != npos;
    };
    for (std::size_t eq = div.find('='); eq != npos && !done(); eq = div.find('=', eq + 1)) {
        for (int m = 0; m < kMarkerCount; ++m) {
            const std::size_t before = kMarkers[m].size() - 2;  // characters in front of the `=`
            if (at[m] == npos && eq >= before &&
                startsWithIgnoringCase(div.substr(eq - before), kMarkers[m])) {
                at[m] = eq - before;
            }
        }
    }
    return at;
}

// funcParseStringFromStringToString(div, marker, "\"", true), with the marker's first position known.
std::string_view attribute(std::string_view div, std::size_t markerAt, std::string_view marker) {
    if (markerAt == npos) {
        // No start marker: the text before the first quote, or nothing.
        const std::size_t quote = div.find(kQuote);
        return quote == npos ? std::string_view{} : div.substr(0, quote);
    }
    const std::string_view rest = div.substr(markerAt + marker.size());
    return rest.substr(0, rest.find(kQuote));
}

void appendEntry(TiddlerList& list, std::string_view div) {
    list.colDivs.push_back(div);
    const std::array<std::size_t, kMarkerCount> at = findMarkers(div);
    // Wikis saved by later versions name the tiddler in a `title` attribute instead.
    const Marker titleMarker = at[kTiddler] == npos && at[kTitle] != npos ? kTitle : kTiddler;
    list.colTitles.push_back(attribute(div, at[titleMarker], kMarkers[titleMarker]));
    list.colModifiers.push_back(attribute(div, at[kModifier], kMarkers[kModifier]));
    list.colModified.push_back(attribute(div, at[kModified], kMarkers[kModified]));
    list.colCreated.push_back(attribute(div, at[kCreated], kMarkers[kCreated]));
}

}  // namespace

StoreArea ParseStoreArea(std::string_view document, TiddlerList& list) {
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
    // The store area's own tag is the first element matched; the elements after it, up to its
    // closing tag, are the tiddlers. Each element runs from a `<div` to its own `</div>`: a `<div`
    // nested inside it belongs to it, so writing "<div" + entry + "</div>" always gives back exactly
    // the element. Text between elements (whitespace, or stray closing tags) is not a tiddler.
    const std::vector<Element> elements = matchElements(document, area.start);
    area.end = elements.front().close;
    const std::size_t stop = area.end == npos ? document.size() : area.end;
    // Room for the entries of typical tiddlers up front, so the lists do not grow by copying.
    const std::size_t expected = (stop - area.contentStart) / 256 + 8;
    for (auto* col :
         {&list.colDivs, &list.colTitles, &list.colModifiers, &list.colModified, &list.colCreated}) {
        col->reserve(col->size() + expected);
    }
    std::size_t pos = area.contentStart;
    for (std::size_t i = 1; i < elements.size() && elements[i].open < stop; ++i) {
        if (elements[i].open < pos) {
            continue;  // nested inside the element before
        }
        const std::size_t begin = elements[i].open + kDivOpen.size();
        // Inside a store area that closes, every element closes before it (the nesting says so).
        const std::size_t close = elements[i].close;
        // An element that never closes (a cut-off file) holds the closed elements after it and runs up
        // to the next element that never closes either, which starts an entry of its own, or to the
        // end of the document: nothing of it is left out. Each element is passed over once.
        std::size_t end = close;
        if (close == npos) {
            std::size_t next = i + 1;
            while (next < elements.size() && elements[next].close != npos) {
                ++next;
            }
            end = next < elements.size() ? elements[next].open : stop;
        }
        const std::string_view div = document.substr(begin, end - begin);
        // An empty element is skipped rather than ending the split, so no later tiddler is lost.
        if (!isBlank(div)) {
            appendEntry(list, div);
        }
        pos = close != npos ? close + kDivClose.size() : end;
    }
    return area;
}

}  // namespace korvane
