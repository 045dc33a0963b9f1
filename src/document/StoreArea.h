// Finding the store area of a wiki document and splitting it into tiddler entries.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "document/Markers.h"

namespace korvane {

inline constexpr std::string_view kStoreAreaTag = "<div id=\"storeArea\">";
inline constexpr std::string_view kStoreAreaTagOldForm = "<DIV id=storeArea>";

// Where the store area stands in a document (byte positions).
struct StoreArea {
    bool found = false;               // an opening tag was found
    std::size_t start = npos;         // first byte of the opening tag
    std::size_t contentStart = npos;  // first byte after the opening tag's `>`
    // The store area's own closing `</div>`, matched by nesting. npos when the nesting never closes:
    // the document ends inside its store area, as one cut short by an interrupted save or sync does.
    // A later `</div>` is never taken instead, since everything after the cut would be lost with it.
    std::size_t end = npos;

    bool hasEnd() const { return found && end != npos; }
};

// The parsed store area of one document: five parallel lists of equal length, one entry per tiddler
// element in document order. Every entry is a view into the document text, which must outlive the list.
struct TiddlerList {
    std::vector<std::string_view> colDivs;  // text between `<div` and `</div>`
    std::vector<std::string_view> colTitles;
    std::vector<std::string_view> colModifiers;
    std::vector<std::string_view> colModified;
    std::vector<std::string_view> colCreated;
    // The name of the format whose split filled the list (empty: the early format). In a TiddlyWiki 5
    // list, entries are whole elements or JSON objects, and the columns hold decoded values, some of
    // them kept here (a deque keeps its strings in place as it grows).
    std::string_view format;
    std::deque<std::string> owned;

    std::size_t size() const { return colDivs.size(); }
    bool empty() const { return colDivs.empty(); }
};

// Splits the store area of `document` into `list` (appending) and says where the store area stands.
// A document without a store area leaves the list untouched; the caller reports it. In a store area
// that never closes, every element up to the end of the document is an entry, the last one too.
StoreArea ParseStoreArea(std::string_view document, TiddlerList& list);

}  // namespace korvane
