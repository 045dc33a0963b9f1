// How a conflict dialog box shows the bytes of a tiddler text and hands them back. Documents are
// bytes, in practice UTF-8: a text that is valid UTF-8 is shown decoded as UTF-8, any other text byte
// for byte as Latin-1. A box the user did not change gives back exactly the bytes it was filled with;
// a changed box gives back its text with CR LF line breaks, and whatever the user typed as UTF-8.
#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

class QTextDocument;

namespace korvane {

bool isValidUtf8(std::string_view bytes);

// What one box was filled with.
struct BoxContent {
    std::string bytes;  // the box form of the field
    bool utf8 = true;   // shown as UTF-8, else as Latin-1
};

// Decodes the bytes for showing, recording them and how.
QString decodeForBox(std::string bytes, BoxContent& content);

// Puts a decoded text into a box's empty document. A box breaks lines at CR LF, and also at every
// character that its document turns into a paragraph break (a paragraph separator U+2029, a carriage return
// without a line feed, the two frame marks U+FDD0 and U+FDD1): each of those is shown as a line separator
// that remembers the character, so that it comes back as it was however the box is edited elsewhere.
void setBoxText(QTextDocument& box, const QString& text);

// A document lays a whole line out at once, however little of it shows, so a line of megabytes (a
// plugin, an embedded image, minified code) would hold the dialog up for seconds. A box whose text holds
// a line longer than kLongestEditableLine is shown read-only, with such lines cut into pieces of at most
// kPieceLength characters, after a space where one is near, each laid out only when it comes into view.
// Left as shown, the box gives back exactly the bytes it was filled with.
inline constexpr qsizetype kLongestEditableLine = 20000;
inline constexpr qsizetype kPieceLength = 1000;
// Whether a box document filled by setBoxText has a line longer than kLongestEditableLine.
bool hasOverlongLine(const QTextDocument& box);
// Cuts the lines of a filled box that are longer than kLongestEditableLine into pieces. Gives the
// positions, counted in the document as it was before the cut, in front of which a break now stands.
std::vector<qsizetype> cutOverlongLines(QTextDocument& box);
// A position of the text before the cut, in the document that holds the breaks: it moves by the number
// of breaks standing before it (for a range's start, a break at the position itself too; for a range's
// end, only the breaks before its last character).
int positionAfterCuts(qsizetype position, const std::vector<qsizetype>& cuts, bool isRangeEnd);
// The box's whole text as plain text with CR LF line breaks (non-breaking spaces, line separators and
// the characters that setBoxText kept are given back as they are).
QString readBoxText(const QTextDocument& box);

// The bytes to hand back for the present text of a box that the user changed (a box left as filled
// hands back content.bytes).
std::string encodeBoxText(const QString& text, const BoxContent& content);

}  // namespace korvane
