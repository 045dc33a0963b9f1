// Files held in memory, for the fuzzers and for tests that need no disk.
#pragma once

#include <map>
#include <string>

#include "platform/FileSystem.h"

namespace korvane::test {

class MemoryFileSystem : public FileSystem {
  public:
    struct File {
        std::string data;
        unsigned mode = 0644;
    };
    std::map<std::string, File> files;

    bool isFile(const std::string& path) override { return files.count(path) != 0; }
    bool exists(const std::string& path) override { return files.count(path) != 0; }
    bool sameFile(const std::string& a, const std::string& b) override { return a == b && isFile(a); }
    ReadOutcome readWhole(const std::string& path) override;
    CompareOutcome compareWhole(const std::string& path, std::string_view expected) override;
    FsError writeWhole(const std::string& path, std::string_view data) override;
    FsError writeNewDurable(const std::string& path, const std::vector<std::string_view>& pieces,
                            std::optional<unsigned> mode, std::optional<FileOwner> owner = {}) override;
    FsError rename(const std::string& from, const std::string& to) override;
    FsError remove(const std::string& path) override;
    FileInfo inspect(const std::string& path) override;
    FsError getMode(const std::string& path, unsigned& mode) override;
    FsError setMode(const std::string& path, unsigned mode) override;
};

}  // namespace korvane::test
