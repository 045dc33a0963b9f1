// The marks of the review window's boxes: the words that changed, found on the stored bytes, and where
// they stand in the text a box shows (its long lines cut, its stamps shown as dates).
#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "merge/format/TextMerge.h"
#include "ui/conflict/BoxText.h"
#include "ui/review/ShownStamps.h"

class QPlainTextEdit;
class QTextDocument;

namespace korvane {

QString fromUtf8(std::string_view s);

// The document positions of byte ranges of a box's content: a line break (CR LF or one character) is
// one position, a character beyond the Basic Multilingual Plane two, and every break that cut an overlong
// line one more from where it stands on.
std::vector<std::pair<int, int>> positionsOf(const BoxContent& content, const std::vector<ByteRange>& ranges,
                                             const std::vector<qsizetype>& cuts);

// How a mark looks: inserted text underlined on green, removed text struck through on red; in the
// result, what it takes from yours underlined on blue, from the friend's dotted on yellow. Each reads
// without colour too.
enum class Mark { Inserted, Removed, FromYours, FromFriends };

void markRanges(QTextDocument& document, const std::vector<std::pair<int, int>>& ranges, Mark mark);

// The ranges cut at line breaks, each part without the spaces at its ends: a mark never runs over the
// end of a line into the indent of the next, which would make an unchanged line look changed.
std::vector<ByteRange> visibleParts(const std::string& b, const std::vector<ByteRange>& ranges);

// The starts of a text's words in bytes, each word with the spaces after it, then the text's size (see
// the definition for how a text is parted).
std::vector<std::size_t> unicodeWordStarts(const BoxContent& content);

// What changed from one text to another, word by word as Unicode splits words.
WordChanges unicodeWordChanges(const BoxContent& before, const std::vector<std::size_t>& beforeStarts,
                               const BoxContent& after, const std::vector<std::size_t>& afterStarts);

// The document positions of a pane's marks, found on its stored bytes, in the text it shows.
std::vector<std::pair<int, int>> shownPositionsOf(const BoxContent& content, const ShownText& shown,
                                                  const std::vector<ByteRange>& ranges,
                                                  const std::vector<qsizetype>& cuts);

// Where a pane opens: at its first mark in the tiddler's text (after the fields and the empty line of
// the field form) when there is one there, else at its first mark; -1 for none.
int openingPosition(const BoxContent& content, const ShownText& shown, const std::vector<ByteRange>& marks,
                    const std::vector<qsizetype>& cuts, bool fieldForm);

// Puts the cursor of a box at a position (-1: its start) and scrolls it there.
void openAt(QPlainTextEdit* box, int position);

}  // namespace korvane
