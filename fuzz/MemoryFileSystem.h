// Files held in memory, so a fuzzer can run whole merge runs without touching the disk.
#pragma once

#include <map>
#include <string>

#include "platform/FileSystem.h"

namespace korvane::fuzz {

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
    ReadOutcome readWhole(const std::string& path) override {
        const auto it = files.find(path);
        if (it == files.end()) {
            return {ReadStatus::OpenFailed, "", "No such file or directory"};
        }
        const std::string& data = it->second.data;
        return {ReadStatus::Ok, DocumentText(data.data(), data.size()), ""};
    }
    CompareOutcome compareWhole(const std::string& path, std::string_view expected) override {
        const auto it = files.find(path);
        if (it == files.end()) {
            return {CompareStatus::OpenFailed, "No such file or directory"};
        }
        return {it->second.data == expected ? CompareStatus::Same : CompareStatus::Different, ""};
    }
    FsError writeWhole(const std::string& path, std::string_view data) override {
        files[path].data = std::string(data);
        return std::nullopt;
    }
    FsError writeNewDurable(const std::string& path, const std::vector<std::string_view>& pieces,
                            std::optional<unsigned> mode, std::optional<FileOwner> = {}) override {
        if (files.count(path) != 0) {
            return FsError("File exists");
        }
        File& f = files[path];
        for (std::string_view p : pieces) {
            f.data += p;
        }
        f.mode = mode.value_or(0644);
        return std::nullopt;
    }
    FsError rename(const std::string& from, const std::string& to) override {
        const auto it = files.find(from);
        if (it == files.end()) {
            return FsError("No such file or directory");
        }
        File moved = std::move(it->second);
        files.erase(it);
        files[to] = std::move(moved);
        return std::nullopt;
    }
    FsError remove(const std::string& path) override {
        return files.erase(path) != 0 ? std::nullopt : FsError("No such file or directory");
    }
    FileInfo inspect(const std::string& path) override {
        const auto it = files.find(path);
        if (it == files.end()) {
            return {FileKind::Missing, path, 0, 0, {}, ""};
        }
        return {FileKind::Regular, path, it->second.mode, 1, {}, ""};
    }
    FsError getMode(const std::string& path, unsigned& mode) override {
        const auto it = files.find(path);
        if (it == files.end()) {
            return FsError("No such file or directory");
        }
        mode = it->second.mode;
        return std::nullopt;
    }
    FsError setMode(const std::string& path, unsigned mode) override {
        const auto it = files.find(path);
        if (it == files.end()) {
            return FsError("No such file or directory");
        }
        it->second.mode = mode;
        return std::nullopt;
    }
};

}  // namespace korvane::fuzz
