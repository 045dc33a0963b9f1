#include "document/DocumentFile.h"

namespace korvane {

ReadOutcome funcReadFile(FileSystem& fs, const std::string& sFile) {
    return fs.readWhole(sFile);
}

std::vector<ReadOutcome> funcReadFiles(FileSystem& fs, const std::vector<std::string>& files) {
    return fs.readWholeEach(files);
}

FsError WriteToFile(FileSystem& fs, std::string_view sInfo, const std::string& sFileName) {
    return fs.writeWhole(sFileName, sInfo);
}

}  // namespace korvane
