// A wiki kept as a folder of files, held as one text, so that the run reads, compares, fingerprints and
// saves it as it does a wiki of one file. The text is the line "korvane folder 1", then, for every file
// in the order of their names, a line with its size in bytes and its name, its bytes and a line break.
// Only a folder of regular files has an image: a folder inside it, a link or a device has none, so that
// a save never replaces a folder holding something the image does not carry.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

inline constexpr std::string_view kFolderImageStart = "korvane folder 1\n";

// One file of a wiki folder: its name in the folder, its bytes, and its whole record in the image
// ("SIZE NAME\nBYTES\n"), views into the image.
struct FolderFile {
    std::string_view name;
    std::string_view bytes;
    std::string_view record;
};

// Whether `name` can stand in a wiki folder's image: not empty, no folder separator, no line break,
// not "." or "..".
bool isFolderFileName(std::string_view name);
// The record of one file.
std::string folderRecord(std::string_view name, std::string_view bytes);
// The files of an image, in its order; none when the text is not a whole image (a record cut short, a
// size that is not a number, a name that cannot stand in a folder, names out of order or twice).
std::optional<std::vector<FolderFile>> readFolderImage(std::string_view image);
// Whether the text starts as an image does (whole or not).
inline bool looksLikeFolderImage(std::string_view text) {
    return text.starts_with(kFolderImageStart);
}

}  // namespace korvane
