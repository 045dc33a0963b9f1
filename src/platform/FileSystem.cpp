#include "platform/FileSystem.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/Memory.h"
#include "platform/ReadLoops.h"

namespace korvane {
namespace {

// Read and write for everyone, narrowed by the process's umask, as any program creates its files.
constexpr mode_t kNewFileMode = 0666;

// strerror_r comes in two forms, the XSI one returning a status and the GNU one returning the text;
// unlike strerror, both are safe while other threads read and write files.
[[maybe_unused]] const char* errorText(int status, const char* buffer) {
    return status == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* errorText(const char* text, const char*) {
    return text;
}

std::string reasonOf(int err) {
    char buffer[256] = "";
    return errorText(::strerror_r(err, buffer, sizeof buffer), buffer);
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the failure a late write error may surface at close.
    int release() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

  private:
    int m_fd;
};

// Writes the pieces in order, many at a time, straight from where they stand in memory. Each call
// hands over at most 1 MB: modest writes keep the kernel's copy into the page cache fast, where one
// huge write is markedly slower.
FsError writePieces(int fd, const std::vector<std::string_view>& pieces) {
    constexpr std::size_t kBatch = IOV_MAX < 512 ? IOV_MAX : 512;
    constexpr std::size_t kBytesPerCall = std::size_t{1} << 20;
    std::vector<iovec> batch;
    batch.reserve(kBatch);
    std::size_t next = 0;
    std::size_t skip = 0;  // bytes of pieces[next] already written
    while (next < pieces.size()) {
        batch.clear();
        std::size_t budget = kBytesPerCall;
        for (std::size_t i = next; i < pieces.size() && batch.size() < kBatch && budget > 0; ++i) {
            const std::string_view p = (i == next ? pieces[i].substr(skip) : pieces[i]).substr(0, budget);
            batch.push_back({const_cast<char*>(p.data()), p.size()});
            budget -= p.size();
        }
        const ssize_t n = ::writev(fd, batch.data(), static_cast<int>(batch.size()));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return reasonOf(errno);
        }
        auto written = static_cast<std::size_t>(n);
        while (next < pieces.size() && written >= pieces[next].size() - skip) {
            written -= pieces[next].size() - skip;
            skip = 0;
            ++next;
        }
        skip += written;
    }
    return std::nullopt;
}

// A file opened for reading, with its size; on failure the descriptor is -1 and `error` says why.
struct OpenedFile {
    int fd = -1;
    std::size_t size = 0;
    FsError error;
};

// Why a file of this kind, not a regular one, is not read as a document.
std::string notRegularReason(mode_t mode) {
    if (S_ISDIR(mode)) {
        return reasonOf(EISDIR);
    }
    if (S_ISFIFO(mode)) {
        return "Is a named pipe (FIFO), not a regular file";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "Is a device, not a regular file";
    }
    return "Is not a regular file";
}

// Opens without waiting: a named pipe with no writer would otherwise block the open for ever. Only a
// regular file is read; anything else is refused with the reason.
OpenedFile openForReading(const std::string& path) {
    OpenedFile f;
    f.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0) {
        f.error = reasonOf(errno);
    } else if (!S_ISREG(st.st_mode)) {
        f.error = notRegularReason(st.st_mode);
    } else {
        f.size = static_cast<std::size_t>(st.st_size);
        return f;
    }
    if (f.fd >= 0) {
        ::close(f.fd);
    }
    f.fd = -1;
    return f;
}

// One read, repeated when a signal interrupts it.
ssize_t readSome(int fd, char* into, std::size_t n) {
    ssize_t got = 0;
    do {
        got = ::read(fd, into, n);
    } while (got < 0 && errno == EINTR);
    return got;
}

std::string parentFolder(const std::string& path) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// Computes work(0) ... work(count - 1) at the same time: each on a thread of its own but the first,
// which runs on this one; where no thread can be had, the work runs here. A work that throws (running
// out of memory is all it can do) gets failed() as its result instead.
template <class Result, class Work, class Failed>
std::vector<Result> resultsAtOnce(std::size_t count, const Work& work, const Failed& failed) {
    std::vector<Result> results(count);
    std::vector<char> threw(count, 0);  // one flag per work, set without allocating
    const auto run = [&](std::size_t i) noexcept {
        try {
            results[i] = work(i);
        } catch (...) {
            threw[i] = 1;
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < count; ++i) {
        try {
            helpers.emplace_back(run, i);
        } catch (const std::exception&) {
            run(i);
        }
    }
    if (count > 0) {
        run(0);
    }
    for (std::thread& helper : helpers) {
        helper.join();
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (threw[i] != 0) {
            results[i] = failed();
        }
    }
    return results;
}

void syncFolder(const std::string& path) {
    const int fd = ::open(parentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: some file systems refuse to sync a folder
        ::close(fd);
    }
}

}  // namespace

bool PosixFileSystem::isFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PosixFileSystem::exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

ReadOutcome PosixFileSystem::readWhole(const std::string& path) {
    ReadOutcome out;
    const OpenedFile file = openForReading(path);
    const Descriptor fd(file.fd);
    if (file.error) {
        out.status = ReadStatus::OpenFailed;
        out.reason = *file.error;
        return out;
    }
    readAllInto(
        out, file.size, [&fd](char* into, std::size_t n) { return readSome(fd.get(), into, n); },
        [] { return reasonOf(errno); }, reasonOf(ENOMEM));
    return out;
}

std::vector<ReadOutcome> PosixFileSystem::readWholeEach(const std::vector<std::string>& paths) {
    return resultsAtOnce<ReadOutcome>(
        paths.size(), [&](std::size_t i) { return PosixFileSystem::readWhole(paths[i]); },
        [] {
            return ReadOutcome{ReadStatus::OpenFailed, {}, reasonOf(ENOMEM)};
        });
}

CompareOutcome PosixFileSystem::compareWhole(const std::string& path, std::string_view expected) {
    CompareOutcome out;
    const OpenedFile file = openForReading(path);
    const Descriptor fd(file.fd);
    if (file.error) {
        out.status = CompareStatus::OpenFailed;
        out.reason = *file.error;
        return out;
    }
    if (file.size != expected.size()) {
        out.status = CompareStatus::Different;
        return out;
    }
    compareAllWith(
        out, expected, [&fd](char* into, std::size_t n) { return readSome(fd.get(), into, n); },
        [] { return reasonOf(errno); });
    return out;
}

namespace {

// Creates `path`, writes the pieces and flushes the file. A file that was not written whole is
// removed again, also when running out of memory interrupts the writing.
FsError writeDurable(const std::string& path, const std::vector<std::string_view>& pieces,
                     std::optional<unsigned> mode, std::optional<FileOwner> owner) {
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
    if (fd.get() < 0) {
        return reasonOf(errno);
    }
    FsError err;
    try {
        // The owner first: changing it may clear permission bits, which the mode then sets.
        if (owner && ::fchown(fd.get(), owner->uid, owner->gid) != 0 && errno != EPERM) {
            err = reasonOf(errno);
        }
        if (!err && mode && ::fchmod(fd.get(), *mode) != 0) {
            err = reasonOf(errno);
        }
        if (!err) {
            err = writePieces(fd.get(), pieces);
        }
        if (!err && ::fsync(fd.get()) != 0) {
            err = reasonOf(errno);
        }
        if (!err && fd.release() != 0) {
            err = reasonOf(errno);
        }
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
    if (err) {
        ::unlink(path.c_str());  // never leave a half-written file behind
    }
    return err;
}

}  // namespace

FsError PosixFileSystem::writeNewDurable(const std::string& path, const std::vector<std::string_view>& pieces,
                                         std::optional<unsigned> mode, std::optional<FileOwner> owner) {
    return writeDurable(path, pieces, mode, owner);
}

std::vector<FsError> PosixFileSystem::writeNewDurableEach(const std::vector<NewFile>& files,
                                                          const std::vector<std::string_view>& pieces) {
    // A write that runs out of memory has removed its file again.
    return resultsAtOnce<FsError>(
        files.size(),
        [&](std::size_t i) { return writeDurable(files[i].path, pieces, files[i].mode, files[i].owner); },
        [] { return FsError(reasonOf(ENOMEM)); });
}

FsError PosixFileSystem::rename(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return reasonOf(errno);
    }
    syncFolder(to);
    return std::nullopt;
}

FsError PosixFileSystem::renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        syncFolder(to);
        return std::nullopt;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return reasonOf(errno);
    }
    return FileSystem::renameNoReplace(from, to);
}

FsError PosixFileSystem::exchange(const std::string& a, const std::string& b) {
    if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) {
        syncFolder(b);
        return std::nullopt;
    }
    if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
        return FsError(std::string(kNoExchange));
    }
    return reasonOf(errno);
}

FsError PosixFileSystem::remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        return reasonOf(errno);
    }
    return std::nullopt;
}

FileInfo PosixFileSystem::inspect(const std::string& path) {
    FileInfo info;
    info.resolved = path;
    struct stat own {};
    info.link = ::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int err = errno;
        if (err != ENOENT && err != ENOTDIR) {
            info.kind = FileKind::Other;
            info.reason = reasonOf(err);
        } else if (info.link) {
            info.kind = FileKind::BrokenLink;
        }
        return info;
    }
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(path, ec);
    if (ec) {
        info.kind = FileKind::Other;
        info.reason = ec.message();
        return info;
    }
    info.resolved = real.string();
    info.kind = S_ISREG(st.st_mode)                          ? FileKind::Regular
                : S_ISDIR(st.st_mode)                        ? FileKind::Directory
                : S_ISFIFO(st.st_mode)                       ? FileKind::Pipe
                : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? FileKind::Device
                                                             : FileKind::Other;
    if (info.kind == FileKind::Other) {
        info.reason = "a socket or another special file";
    }
    info.mode = st.st_mode & 07777;
    info.links = static_cast<unsigned>(st.st_nlink);
    info.owner = {st.st_uid, st.st_gid};
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.modified =
        std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
    return info;
}

std::vector<std::string> PosixFileSystem::namesInFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().native());
    }
    return names;
}

FsError PosixFileSystem::hardLink(const std::string& existing, const std::string& link) {
    if (::link(existing.c_str(), link.c_str()) != 0) {
        return reasonOf(errno);
    }
    syncFolder(link);
    return std::nullopt;
}

FsError PosixFileSystem::makeFolders(const std::string& path) {
    // Each missing folder from the top down, each flushed into the folder above it.
    for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string folder = path.substr(0, at);
        if (!folder.empty() && ::mkdir(folder.c_str(), 0700) == 0) {
            syncFolder(folder);
        } else if (!folder.empty() && errno != EEXIST) {
            return reasonOf(errno);
        }
        if (at == std::string::npos) {
            break;
        }
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? FsError() : FsError(reasonOf(ENOTDIR));
}

FsError PosixFileSystem::removeFolder(const std::string& path) {
    if (::rmdir(path.c_str()) != 0) {
        return reasonOf(errno);
    }
    return std::nullopt;
}

std::string folderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string(".")
           : slash == 0                    ? std::string("/")
                                           : std::string(path.substr(0, slash));
}

std::string_view nameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace korvane
