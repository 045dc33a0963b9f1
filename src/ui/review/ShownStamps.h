// The stamps of a tiddler's `modified` and `created` fields as a person reads them: the review's panes
// show each as a local date and time, and the marks, found on the stored bytes, are carried over to the
// text shown.
#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "merge/format/TextMerge.h"
#include "ui/conflict/BoxText.h"

namespace korvane {

// A stamp (YYYYMMDDHHMM…, universal time) as a local date and time: "8 Nov 2026, 11:00"; empty when it
// does not read as one.
QString localStamp(std::string_view stamp);

// One stamp value replaced: its bytes in the stored text and those of its date in the shown text.
struct ShownStamp {
    std::size_t storedStart, storedEnd, shownStart, shownEnd;
};

// A pane's text as shown: the stored bytes with each stamp value replaced by its date. Without stamps
// (or in a text that is not UTF-8) `stamps` is empty and the stored text is shown as it is.
struct ShownText {
    BoxContent content;
    std::vector<ShownStamp> stamps;
};

// Finds the stamp values of `modified` and `created` (12 or 17 digits): in the field form the lines
// `modified: …` above the first empty line, in the early form the attributes `modified="…"` of the
// opening tag.
ShownText showStamps(const BoxContent& stored, bool fieldForm);

// Stored byte ranges as ranges of the shown text; a range that starts or ends inside a stamp takes in
// its whole date.
std::vector<ByteRange> toShown(const std::vector<ByteRange>& stored, const std::vector<ShownStamp>& stamps);

}  // namespace korvane
