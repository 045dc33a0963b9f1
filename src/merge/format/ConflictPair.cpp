#include "merge/format/ConflictPair.h"

#include "document/Markers.h"
#include "document/Text.h"

namespace korvane {
namespace {

constexpr std::string_view kNoteLead = "Note: There was a conflict while merging this item. ";
constexpr std::string_view kNoteLink = "See the following link for the conflicting version: [[";
constexpr std::string_view kPreClose = "</pre>";

// Where a later-format body's closing `</pre>` stands, when the entry ends with it (trailing line
// breaks and spaces aside); npos otherwise.
std::size_t closingPre(std::string_view entry) {
    const std::size_t last = entry.find_last_not_of(" \t\r\n");
    if (last == std::string_view::npos || last + 1 < kPreClose.size()) {
        return std::string_view::npos;
    }
    const std::size_t at = last + 1 - kPreClose.size();
    return entry.substr(at, kPreClose.size()) == kPreClose ? at : std::string_view::npos;
}

}  // namespace

ConflictPair buildConflictPair(std::string_view title, std::string_view keptEntry,
                               std::string_view copiedEntry, std::string_view stampText) {
    ConflictPair pair;
    pair.conflictTitle.append(title).append(" (conflict ").append(stampText).append(")");
    // The note stands in the tiddler's text, which the store area keeps HTML-escaped. A title attribute
    // written by the wiki never holds a raw `<`; one that does (a damaged file) is escaped here, so the
    // link cannot open or close an element of the store area.
    std::string linkTitle;
    for (char c : pair.conflictTitle) {
        linkTitle += c == '<' ? std::string_view("&lt;") : std::string_view(&c, 1);
    }
    const std::string note = std::string(kNoteLead) + std::string(kNoteLink) + linkTitle + "]]";

    const std::size_t pre = closingPre(keptEntry);
    if (pre == std::string_view::npos) {
        pair.text1.append(keptEntry).append("\\n\\n").append(note);
    } else {
        // The wiki shows only the <pre> text, so the note goes inside it, with real line breaks.
        const std::string_view lineBreak = keptEntry.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
        pair.text1.append(keptEntry.substr(0, pre));
        pair.text1.append(lineBreak).append(lineBreak).append(note);
        pair.text1.append(keptEntry.substr(pre));
    }

    pair.text2 = std::string(copiedEntry);
    const std::string quotedTitle = std::string(title) + "\"";
    const std::string quotedConflict = pair.conflictTitle + "\"";
    // Every occurrence of the first attribute form found is renamed, scanning on after each one.
    for (std::string_view marker : {std::string_view("tiddler=\""), std::string_view(" title=\"")}) {
        const std::string from = std::string(marker) + quotedTitle;
        if (pair.text2.find(from) != std::string::npos) {
            pair.text2 = replaceAll(pair.text2, from, std::string(marker) + quotedConflict);
            return pair;
        }
    }
    // The attribute name written in other letters (TIDDLER="T"): rename the value the title was read
    // from, so the copy never keeps the title of the tiddler it stands beside.
    for (std::string_view marker : {std::string_view("tiddler=\""), std::string_view(" title=\"")}) {
        const std::size_t at = findIgnoringCase(pair.text2, marker);
        if (at != npos &&
            std::string_view(pair.text2).substr(at + marker.size(), quotedTitle.size()) == quotedTitle) {
            pair.text2.replace(at + marker.size(), title.size(), pair.conflictTitle);
            break;
        }
    }
    return pair;
}

}  // namespace korvane
