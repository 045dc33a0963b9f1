// Finding the store area of a wiki document and splitting it into tiddler entries.
#pragma once

#include <cstddef>
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
    // The `</div>` that closes the store area: its own closing tag, or, when the nesting never closes,
    // the document's last `</div>` after the opening tag. npos when there is neither.
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

    std::size_t size() const { return colDivs.size(); }
    bool empty() const { return colDivs.empty(); }
};

// Splits the store area of `document` into `list` (appending) and says where the store area stands.
// A document without a store area leaves the list untouched; the caller reports it.
StoreArea ParseStoreArea(std::string_view document, TiddlerList& list);

// One-based index of the first entry equal to `strName` (exact, case-sensitive), or -1.
int findTiddlerIndex(std::string_view strName, const std::vector<std::string_view>& colNames);

}  // namespace korvane
