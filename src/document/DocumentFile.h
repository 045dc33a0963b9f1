// Moving whole documents between disk and memory. A document text holds exactly one char per byte of
// its file: nothing is decoded, no byte-order mark is removed, line ends stay as they stand.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace korvane {

// Reads the whole file. A read that delivers fewer bytes than the file's size gives status Short and
// the empty text; an empty file is the empty text with status Ok.
ReadOutcome funcReadFile(FileSystem& fs, const std::string& sFile);

// funcReadFile for several files, which may be read at the same time: one outcome per file, in order.
// A file that cannot be opened ends the reading; the files after it may then be left unread.
std::vector<ReadOutcome> funcReadFiles(FileSystem& fs, const std::vector<std::string>& files);

// Replaces the whole content of the file by `sInfo`, byte for byte.
FsError WriteToFile(FileSystem& fs, std::string_view sInfo, const std::string& sFileName);

}  // namespace korvane
