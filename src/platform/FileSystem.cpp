#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace korvane {
namespace {

// Read and write for everyone, narrowed by the process's umask, as any program creates its files.
constexpr mode_t kNewFileMode = 0666;

std::string reasonOf(int err) {
    return std::strerror(err);
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

FsError writeAll(int fd, std::string_view data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return reasonOf(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return std::nullopt;
}

std::string parentFolder(const std::string& path) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
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
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        out.status = ReadStatus::OpenFailed;
        out.reason = reasonOf(errno);
        return out;
    }
    if (S_ISDIR(st.st_mode)) {
        out.status = ReadStatus::OpenFailed;
        out.reason = reasonOf(EISDIR);
        return out;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    out.text.resize(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd.get(), out.text.data() + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            out.status = ReadStatus::OpenFailed;
            out.reason = reasonOf(errno);
            out.text.clear();
            return out;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    if (got < size) {
        out.status = ReadStatus::Short;
        out.text.clear();
    }
    return out;
}

FsError PosixFileSystem::writeWhole(const std::string& path, std::string_view data) {
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode));
    if (fd.get() < 0) {
        return reasonOf(errno);
    }
    if (FsError err = writeAll(fd.get(), data)) {
        return err;
    }
    if (fd.release() != 0) {
        return reasonOf(errno);
    }
    return std::nullopt;
}

FsError PosixFileSystem::writeNewDurable(const std::string& path, std::string_view data,
                                         std::optional<unsigned> mode) {
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
    if (fd.get() < 0) {
        return reasonOf(errno);
    }
    FsError err;
    if (mode && ::fchmod(fd.get(), *mode) != 0) {
        err = reasonOf(errno);
    }
    if (!err) {
        err = writeAll(fd.get(), data);
    }
    if (!err && ::fsync(fd.get()) != 0) {
        err = reasonOf(errno);
    }
    if (!err && fd.release() != 0) {
        err = reasonOf(errno);
    }
    if (err) {
        ::unlink(path.c_str());  // never leave a half-written file behind
    }
    return err;
}

FsError PosixFileSystem::rename(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return reasonOf(errno);
    }
    syncFolder(to);
    return std::nullopt;
}

FsError PosixFileSystem::remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        return reasonOf(errno);
    }
    return std::nullopt;
}

FsError PosixFileSystem::getMode(const std::string& path, unsigned& mode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return reasonOf(errno);
    }
    mode = st.st_mode & 07777;
    return std::nullopt;
}

FsError PosixFileSystem::setMode(const std::string& path, unsigned mode) {
    if (::chmod(path.c_str(), mode) != 0) {
        return reasonOf(errno);
    }
    return std::nullopt;
}

}  // namespace korvane
