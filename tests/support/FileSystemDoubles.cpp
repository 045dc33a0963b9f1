#include "support/FileSystemDoubles.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace korvane::test {
namespace {

const char* const kInjected = "Injected failure";

}  // namespace

template <class Result, class Real>
Result InjectingFileSystem::pass(const std::string& op, Result failure, const Real& real) {
    ops.push_back(op);
    return failWhen && failWhen(op) ? failure : real();
}

bool InjectingFileSystem::isFile(const std::string& path) {
    return pass("isFile:" + path, false, [&] { return m_inner.isFile(path); });
}

ReadOutcome InjectingFileSystem::readWhole(const std::string& path) {
    return pass("read:" + path, ReadOutcome{ReadStatus::OpenFailed, "", kInjected}, [&] {
        return shortReads ? ReadOutcome{ReadStatus::Short, "", ""} : m_inner.readWhole(path);
    });
}

CompareOutcome InjectingFileSystem::compareWhole(const std::string& path, std::string_view expected) {
    return pass("read:" + path, CompareOutcome{CompareStatus::OpenFailed, kInjected},
                [&] { return m_inner.compareWhole(path, expected); });
}

FsError InjectingFileSystem::writeWhole(const std::string& path, std::string_view data) {
    return pass("write:" + path, FsError(kInjected), [&] { return m_inner.writeWhole(path, data); });
}

FsError InjectingFileSystem::writeNewDurable(const std::string& path,
                                             const std::vector<std::string_view>& pieces,
                                             std::optional<unsigned> mode, std::optional<FileOwner> owner) {
    return pass("writeNew:" + path, FsError(kInjected),
                [&] { return m_inner.writeNewDurable(path, pieces, mode, owner); });
}

FsError InjectingFileSystem::rename(const std::string& from, const std::string& to) {
    return pass("rename:" + from + ">" + to, FsError(kInjected), [&] { return m_inner.rename(from, to); });
}

FsError InjectingFileSystem::renameNoReplace(const std::string& from, const std::string& to) {
    return pass("rename:" + from + ">" + to, FsError(kInjected),
                [&] { return m_inner.renameNoReplace(from, to); });
}

FsError InjectingFileSystem::remove(const std::string& path) {
    return pass("remove:" + path, FsError(kInjected), [&] { return m_inner.remove(path); });
}

FileInfo InjectingFileSystem::inspect(const std::string& path) {
    return pass("inspect:" + path, FileInfo{FileKind::Other, path, 0, 0, {}, kInjected},
                [&] { return m_inner.inspect(path); });
}

FsError InjectingFileSystem::getMode(const std::string& path, unsigned& mode) {
    return pass("getMode:" + path, FsError(kInjected), [&] { return m_inner.getMode(path, mode); });
}

FsError InjectingFileSystem::setMode(const std::string& path, unsigned mode) {
    return pass("setMode:" + path, FsError(kInjected), [&] { return m_inner.setMode(path, mode); });
}

// The record of system calls: the calls below take the place of the C library's for the whole test
// program (the core library links statically into it), hand the call on, and note it when it
// succeeded while a record is open.
namespace {

std::atomic<bool> g_recording{false};
std::mutex g_callsMutex;
std::vector<std::string> g_calls;

// Notes a call that succeeded while a record is open; gives back its result.
template <class Describe>
int noted(int rc, const Describe& describe) {
    if (rc == 0 && g_recording) {
        const std::lock_guard<std::mutex> lock(g_callsMutex);
        g_calls.push_back(describe());
    }
    return rc;
}

template <class Function>
Function* next(const char* name) {
    return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

std::string pathOf(int fd) {
    char path[4096];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : "?";
}

}  // namespace

SyscallRecord::SyscallRecord() {
    const std::lock_guard<std::mutex> lock(g_callsMutex);
    g_calls.clear();
    g_recording = true;
}

SyscallRecord::~SyscallRecord() {
    g_recording = false;
}

std::vector<std::string> SyscallRecord::calls() const {
    const std::lock_guard<std::mutex> lock(g_callsMutex);
    return g_calls;
}

}  // namespace korvane::test

using korvane::test::next;
using korvane::test::noted;

extern "C" int fsync(int fd) {
    static const auto real = next<int(int)>("fsync");
    return noted(real(fd), [fd] { return "fsync:" + korvane::test::pathOf(fd); });
}

extern "C" int rename(const char* from, const char* to) noexcept {
    static const auto real = next<int(const char*, const char*)>("rename");
    return noted(real(from, to), [&] { return std::string("rename:") + from + ">" + to; });
}

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) noexcept {
    static const auto real = next<int(int, const char*, int, const char*, unsigned)>("renameat2");
    return noted(real(fromDir, from, toDir, to, flags),
                 [&] { return std::string("rename:") + from + ">" + to; });
}

extern "C" int unlink(const char* path) noexcept {
    static const auto real = next<int(const char*)>("unlink");
    return noted(real(path), [&] { return std::string("unlink:") + path; });
}
