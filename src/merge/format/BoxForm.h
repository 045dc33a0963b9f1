// Store form and box form of a tiddler text. Inside an early-format store area a line break of the
// text is the two characters backslash and n; the conflict dialog's boxes show real line breaks and
// hand back CR LF. Later-format entries (<pre> bodies) hold real line breaks and keep them.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The text as a conflict dialog box shows it: a text that holds a real line feed stands as it is (its
// `\n` sequences are literal text); any other text has every `\n` turned into CR LF.
std::string toBoxForm(std::string_view storeText);

// A box's text brought back into store form against the stored text it was shown from. A box text
// that is the box form of the stored text gives the stored text back byte for byte. Otherwise every
// CR LF becomes the stored text's own line break (CR LF or LF) when it holds real line breaks, and
// backslash n when it does not.
std::string toStoreForm(std::string_view boxText, std::string_view storedText);

}  // namespace korvane
