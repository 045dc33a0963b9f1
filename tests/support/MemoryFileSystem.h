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
    ReadOutcome readWhole(const std::string& path) override {
        const File* f = find(path);
        return f ? ReadOutcome{ReadStatus::Ok, DocumentText(f->data.data(), f->data.size()), ""}
                 : ReadOutcome{ReadStatus::OpenFailed, "", kMissing};
    }
    CompareOutcome compareWhole(const std::string& path, std::string_view expected) override {
        const File* f = find(path);
        return f ? CompareOutcome{f->data == expected ? CompareStatus::Same : CompareStatus::Different, ""}
                 : CompareOutcome{CompareStatus::OpenFailed, kMissing};
    }
    FsError writeNewDurable(const std::string& path, const std::vector<std::string_view>& pieces,
                            std::optional<unsigned> mode, std::optional<FileOwner> = {}) override {
        if (find(path)) {
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
        auto moved = files.extract(from);
        if (moved.empty()) {
            return kMissing;
        }
        files[to] = std::move(moved.mapped());
        return std::nullopt;
    }
    FsError exchange(const std::string& a, const std::string& b) override {
        File *x = find(a), *y = find(b);
        return x && y ? (std::swap(*x, *y), FsError()) : kMissing;
    }
    FsError remove(const std::string& path) override { return files.erase(path) ? FsError() : kMissing; }
    FileInfo inspect(const std::string& path) override {
        const File* f = find(path);
        return {f ? FileKind::Regular : FileKind::Missing, path, f ? f->mode : 0, f ? 1u : 0u, {}, ""};
    }

    // A second name for a file that is only ever replaced whole, never written in place: a copy.
    FsError hardLink(const std::string& from, const std::string& to) override {
        const File* f = find(from);
        return !f ? FsError(kMissing) : find(to) ? FsError("File exists") : (files[to] = *f, FsError());
    }

  private:
    static constexpr const char* kMissing = "No such file or directory";
    File* find(const std::string& path) {
        const auto it = files.find(path);
        return it == files.end() ? nullptr : &it->second;
    }
};

}  // namespace korvane::test
