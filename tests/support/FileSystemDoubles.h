// A decorator over any file system that records every operation and fails the ones a test picks, and a
// record of the system calls that make a save durable.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace korvane::test {

// Any file system, here the real one unless another is given, with a record of every operation
// ("read:PATH", "writeNew:PATH", "rename:FROM>TO", "remove:PATH", ...) in the order they were asked
// for, and a way to make any chosen one fail with "Injected failure". Several files are read and
// written one after another, so that the record keeps its order and every single step can fail.
class InjectingFileSystem : public FileSystem {
  public:
    InjectingFileSystem() : m_inner(m_posix) {}
    explicit InjectingFileSystem(FileSystem& inner) : m_inner(inner) {}

    std::vector<std::string> ops;
    // Called with the operation's record; true makes that operation fail.
    std::function<bool(const std::string& op)> failWhen;
    bool shortReads = false;  // reads deliver fewer bytes than the file holds

    bool isFile(const std::string& path) override;
    bool exists(const std::string& path) override { return m_inner.exists(path); }
    bool sameFile(const std::string& a, const std::string& b) override { return m_inner.sameFile(a, b); }
    ReadOutcome readWhole(const std::string& path) override;
    CompareOutcome compareWhole(const std::string& path, std::string_view expected) override;
    FsError writeWhole(const std::string& path, std::string_view data) override;
    FsError writeNewDurable(const std::string& path, const std::vector<std::string_view>& pieces,
                            std::optional<unsigned> mode, std::optional<FileOwner> owner = {}) override;
    FsError rename(const std::string& from, const std::string& to) override;
    FsError renameNoReplace(const std::string& from, const std::string& to) override;  // "rename:" too
    FsError remove(const std::string& path) override;
    // A failure here reads as a path whose kind could not be found out.
    FileInfo inspect(const std::string& path) override;
    FsError getMode(const std::string& path, unsigned& mode) override;
    FsError setMode(const std::string& path, unsigned mode) override;

  private:
    // Records `op`; the injected failure when failWhen picks it, otherwise what `real` gives.
    template <class Result, class Real>
    Result pass(const std::string& op, Result failure, const Real& real);

    PosixFileSystem m_posix;
    FileSystem& m_inner;
};

// The system calls that put a save on the disk, as this process makes them while a record is open:
// "fsync:PATH" (a file or a folder), "rename:FROM>TO" and "unlink:PATH". Files flushed at the same time
// on several threads appear in the order they finished.
class SyscallRecord {
  public:
    SyscallRecord();
    ~SyscallRecord();
    SyscallRecord(const SyscallRecord&) = delete;
    SyscallRecord& operator=(const SyscallRecord&) = delete;
    std::vector<std::string> calls() const;
};

}  // namespace korvane::test
