#include "support/FileSystemDoubles.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace korvane::test {

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
