#include "support/MemoryFileSystem.h"

namespace korvane::test {
namespace {

const FsError kNoSuchFile("No such file or directory");

}  // namespace

ReadOutcome MemoryFileSystem::readWhole(const std::string& path) {
    const auto it = files.find(path);
    if (it == files.end()) {
        return {ReadStatus::OpenFailed, "", *kNoSuchFile};
    }
    return {ReadStatus::Ok, DocumentText(it->second.data.data(), it->second.data.size()), ""};
}

CompareOutcome MemoryFileSystem::compareWhole(const std::string& path, std::string_view expected) {
    const auto it = files.find(path);
    if (it == files.end()) {
        return {CompareStatus::OpenFailed, *kNoSuchFile};
    }
    return {it->second.data == expected ? CompareStatus::Same : CompareStatus::Different, ""};
}

FsError MemoryFileSystem::writeWhole(const std::string& path, std::string_view data) {
    files[path].data = std::string(data);
    return std::nullopt;
}

FsError MemoryFileSystem::writeNewDurable(const std::string& path,
                                          const std::vector<std::string_view>& pieces,
                                          std::optional<unsigned> mode, std::optional<FileOwner>) {
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

FsError MemoryFileSystem::rename(const std::string& from, const std::string& to) {
    const auto it = files.find(from);
    if (it == files.end()) {
        return kNoSuchFile;
    }
    File moved = std::move(it->second);
    files.erase(it);
    files[to] = std::move(moved);
    return std::nullopt;
}

FsError MemoryFileSystem::remove(const std::string& path) {
    return files.erase(path) != 0 ? std::nullopt : kNoSuchFile;
}

FileInfo MemoryFileSystem::inspect(const std::string& path) {
    const auto it = files.find(path);
    return it == files.end() ? FileInfo{FileKind::Missing, path, 0, 0, {}, ""}
                             : FileInfo{FileKind::Regular, path, it->second.mode, 1, {}, ""};
}

FsError MemoryFileSystem::getMode(const std::string& path, unsigned& mode) {
    const auto it = files.find(path);
    if (it == files.end()) {
        return kNoSuchFile;
    }
    mode = it->second.mode;
    return std::nullopt;
}

FsError MemoryFileSystem::setMode(const std::string& path, unsigned mode) {
    const auto it = files.find(path);
    if (it == files.end()) {
        return kNoSuchFile;
    }
    it->second.mode = mode;
    return std::nullopt;
}

}  // namespace korvane::test
