// What every file system shares: the one-after-another defaults of the interface.
#include "platform/FileSystem.h"

namespace korvane {

std::vector<ReadOutcome> FileSystem::readWholeEach(const std::vector<std::string>& paths) {
    std::vector<ReadOutcome> results(paths.size(), ReadOutcome{ReadStatus::OpenFailed, {}, "not read"});
    for (std::size_t i = 0; i < paths.size(); ++i) {
        results[i] = readWhole(paths[i]);
        if (results[i].status == ReadStatus::OpenFailed) {
            break;
        }
    }
    return results;
}

std::vector<FsError> FileSystem::writeNewDurableEach(const std::vector<NewFile>& files,
                                                     const std::vector<std::string_view>& pieces) {
    std::vector<FsError> results(files.size(), FsError("not written"));
    for (std::size_t i = 0; i < files.size(); ++i) {
        results[i] = writeNewDurable(files[i].path, pieces, files[i].mode, files[i].owner);
        if (results[i]) {
            break;
        }
    }
    return results;
}

}  // namespace korvane
