// A decorator over any file system that records every operation and fails the ones a test picks, and a
// record of the system calls that make a save durable.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace korvane::test {

// Any file system, here the real one unless another is given, with a record of every operation
// ("read:PATH", "writeNew:PATH", "rename:FROM>TO", "remove:PATH", "link:FROM>TO", ...) in the order they were
// asked for, and a way to make any chosen one fail with "Injected failure". Several files are read and
// written one after another, so that the record keeps its order and every single step can fail.
class InjectingFileSystem : public FileSystem {
  public:
    InjectingFileSystem() : m_inner(m_machine) {}
    explicit InjectingFileSystem(FileSystem& inner) : m_inner(inner) {}

    std::vector<std::string> ops;
    // Called with the operation's record; true makes that operation fail.
    std::function<bool(const std::string& op)> failWhen;
    bool shortReads = false;  // reads deliver fewer bytes than the file holds

    bool isFile(const std::string& p) override {
        return pass("isFile:" + p, false, [&] { return m_inner.isFile(p); });
    }
    bool exists(const std::string& p) override { return m_inner.exists(p); }
    bool sameFile(const std::string& a, const std::string& b) override { return m_inner.sameFile(a, b); }
    ReadOutcome readWhole(const std::string& p) override {
        return pass("read:" + p, ReadOutcome{ReadStatus::OpenFailed, "", kInjected}, [&] {
            return shortReads ? ReadOutcome{ReadStatus::Short, "", ""} : m_inner.readWhole(p);
        });
    }
    CompareOutcome compareWhole(const std::string& p, std::string_view expected) override {
        return pass("read:" + p, CompareOutcome{CompareStatus::OpenFailed, kInjected},
                    [&] { return m_inner.compareWhole(p, expected); });
    }
    FsError writeNewDurable(const std::string& p, const std::vector<std::string_view>& pieces,
                            std::optional<unsigned> mode, std::optional<FileOwner> owner = {}) override {
        return pass("writeNew:" + p, [&] { return m_inner.writeNewDurable(p, pieces, mode, owner); });
    }
    FsError rename(const std::string& from, const std::string& to) override {
        return pass("rename:" + from + ">" + to, [&] { return m_inner.rename(from, to); });
    }
    FsError renameNoReplace(const std::string& from, const std::string& to) override {
        return pass("rename:" + from + ">" + to, [&] { return m_inner.renameNoReplace(from, to); });
    }
    FsError exchange(const std::string& a, const std::string& b) override {
        return pass("exchange:" + a + ">" + b, [&] { return m_inner.exchange(a, b); });
    }
    FsError remove(const std::string& p) override {
        return pass("remove:" + p, [&] { return m_inner.remove(p); });
    }
    // A failure here reads as a path whose kind could not be found out.
    FileInfo inspect(const std::string& p) override {
        return pass("inspect:" + p, FileInfo{FileKind::Other, p, 0, 0, {}, kInjected},
                    [&] { return m_inner.inspect(p); });
    }
    std::vector<std::string> namesInFolder(const std::string& f) override { return m_inner.namesInFolder(f); }
    FsError hardLink(const std::string& from, const std::string& to) override {
        return pass("link:" + from + ">" + to, [&] { return m_inner.hardLink(from, to); });
    }
    FsError makeFolders(const std::string& p) override {
        return pass("mkdir:" + p, [&] { return m_inner.makeFolders(p); });
    }
    FsError removeFolder(const std::string& p) override {
        return pass("rmdir:" + p, [&] { return m_inner.removeFolder(p); });
    }

  private:
    static constexpr const char* kInjected = "Injected failure";
    // Records `op`; the injected failure when failWhen picks it, otherwise what `real` gives.
    template <class Result, class Real>
    Result pass(const std::string& op, Result failure, const Real& real) {
        ops.push_back(op);
        return failWhen && failWhen(op) ? failure : real();
    }
    template <class Real>
    FsError pass(const std::string& op, const Real& real) {
        return pass(op, FsError(kInjected), real);
    }

    MachineFileSystem m_machine;
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
