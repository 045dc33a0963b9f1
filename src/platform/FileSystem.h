// The file-system operations that Korvane performs, behind one interface so that tests can make any
// single step fail. The real implementations use the system's own calls (POSIX in FileSystem.cpp,
// Windows in FileSystemWin.cpp) and standard C++ only, so the core and the headless companion stay
// free of the toolkit.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Memory.h"

namespace korvane {

// The system's reason for a failed operation ("Permission denied"), or nothing on success.
using FsError = std::optional<std::string>;

// The reason FileSystem::exchange gives where the system or the file system has no atomic exchange.
inline constexpr std::string_view kNoExchange = "no atomic exchange here";

enum class ReadStatus {
    Ok,          // the whole file was read
    Short,       // fewer bytes arrived than the file's size
    OpenFailed,  // the file could not be opened or read at all; `reason` says why
};

enum class CompareStatus {
    Same,  // the file holds exactly the expected bytes
    Different,
    OpenFailed,  // the file could not be opened or read; `reason` says why
};

struct CompareOutcome {
    CompareStatus status = CompareStatus::Same;
    std::string reason;
};

// The owner and group of a file.
struct FileOwner {
    unsigned uid = 0;
    unsigned gid = 0;
};

// A file for FileSystem::writeNewDurableEach: its path, the permission bits it gets, if not the usual,
// and the owner and group it gets where the system allows it (a file of another user, saved by root).
struct NewFile {
    NewFile(std::string p, std::optional<unsigned> m, std::optional<FileOwner> o = {})
        : path(std::move(p)), mode(m), owner(o) {}
    std::string path;
    std::optional<unsigned> mode;
    std::optional<FileOwner> owner;
};

enum class FileKind {
    Missing,     // nothing at the path
    Regular,     // a regular file, reached through any symbolic links
    Directory,   // a folder
    Pipe,        // a named pipe (FIFO): reading it waits for a writer
    Device,      // a character or block device such as /dev/null
    BrokenLink,  // a symbolic link to nothing
    Other,       // a socket, or a path whose kind could not be read; `reason` says why
};

// What a path names, with symbolic links resolved.
struct FileInfo {
    FileKind kind = FileKind::Missing;
    std::string
        resolved;       // the file the path names, every symbolic link resolved; the path itself when missing
    unsigned mode = 0;  // permission bits (the low 12 bits of the mode)
    unsigned links = 0;  // names the file has (hard links)
    FileOwner owner;
    std::string reason;
    bool link = false;  // the path itself is a symbolic link, whatever it names
    std::chrono::system_clock::time_point modified{};  // when the content was last written
    std::uint64_t size = 0;                            // bytes of a regular file

    // A regular file reached without a symbolic link: what a program that saves files leaves behind.
    bool plainFile() const { return kind == FileKind::Regular && !link; }
};

struct ReadOutcome {
    ReadStatus status = ReadStatus::Ok;
    DocumentText text;
    std::string reason;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // A regular file (hidden and read-only files included); folders do not count.
    virtual bool isFile(const std::string& path) = 0;
    // Any directory entry at all, file or folder.
    virtual bool exists(const std::string& path) = 0;
    // Both paths name the same file (hard links and symbolic links resolved).
    virtual bool sameFile(const std::string& a, const std::string& b) = 0;

    virtual ReadOutcome readWhole(const std::string& path) = 0;
    // readWhole for each path: one outcome per path, in order. Files may be read at the same time.
    // This default reads one after another and stops after a file that could not be opened; the paths
    // after it get OpenFailed with the reason "not read".
    virtual std::vector<ReadOutcome> readWholeEach(const std::vector<std::string>& paths);
    // Compares the file's whole content with `expected` without holding a second copy in memory.
    virtual CompareOutcome compareWhole(const std::string& path, std::string_view expected) = 0;
    // Creates `path`, which must not exist yet, writes the pieces one after another and flushes the
    // file to the disk before returning. The file gets exactly the permission bits `mode`, or the
    // usual ones for a new file. A file that could not be written whole is removed again.
    // The file gets the owner and group `owner` where the system allows it; where it does not (anyone
    // but root giving a file away) it keeps the usual ones, silently.
    [[nodiscard]] virtual FsError writeNewDurable(const std::string& path,
                                                  const std::vector<std::string_view>& pieces,
                                                  std::optional<unsigned> mode,
                                                  std::optional<FileOwner> owner = {}) = 0;
    // writeNewDurable for each file, all with the same pieces: one result per file, in order. A file
    // that fails is not left behind, and a path that existed before keeps what it held. Files may be
    // written at the same time.
    // This default writes one after another and stops at the first failure; the files after it get
    // the reason "not written".
    [[nodiscard]] virtual std::vector<FsError> writeNewDurableEach(
        const std::vector<NewFile>& files, const std::vector<std::string_view>& pieces);
    // Atomically replaces `to` by `from` and flushes the folder entry.
    [[nodiscard]] virtual FsError rename(const std::string& from, const std::string& to) = 0;
    // rename, but fails with "File exists" when something is at `to`, so that a file another program
    // put there is never overwritten.
    [[nodiscard]] virtual FsError renameNoReplace(const std::string& from, const std::string& to) {
        return exists(to) ? FsError("File exists") : rename(from, to);
    }
    // Swaps the files that two paths of one folder name, in one step, and flushes the folder entry:
    // each path then names what the other named. kNoExchange where the system cannot (both paths stay
    // as they were).
    [[nodiscard]] virtual FsError exchange(const std::string& /*a*/, const std::string& /*b*/) {
        return FsError(std::string(kNoExchange));
    }
    [[nodiscard]] virtual FsError remove(const std::string& path) = 0;
    // What the path names; never blocks, whatever kind of file it is.
    virtual FileInfo inspect(const std::string& path) = 0;
    // The names in a folder (without "." and ".."), in no particular order; none when it cannot be read.
    virtual std::vector<std::string> namesInFolder(const std::string& /*folder*/) { return {}; }
    // Gives the file at `existing` a second name `link` (which must not exist yet) and flushes the folder
    // entry. Fails where the two are on different file systems, or the file system has no hard links.
    [[nodiscard]] virtual FsError hardLink(const std::string& /*existing*/, const std::string& /*link*/) {
        return FsError("no hard links here");
    }
    // Creates the folder `path` and every missing folder above it, readable by the user only; nothing
    // when it exists already.
    [[nodiscard]] virtual FsError makeFolders(const std::string& /*path*/) { return std::nullopt; }
    // Removes an empty folder.
    [[nodiscard]] virtual FsError removeFolder(const std::string& /*path*/) { return std::nullopt; }
};

// The per-user folder that keeps the files a save replaced: $XDG_DATA_HOME/korvane/backups
// (~/.local/share/korvane/backups when that is not set), %LOCALAPPDATA%\Korvane\backups on Windows;
// empty when the environment names no such place.
std::string userBackupFolder();
// `path` made absolute against the working folder, with "." and ".." resolved as text.
std::string absolutePath(const std::string& path);

// A path's folder ("." for a bare name, "/" at the root) and its last component. On Windows a
// backslash parts a path as well, and a drive's root is "C:\\".
std::string folderOf(std::string_view path);
std::string_view nameOf(std::string_view path);

// The most bytes a file name may have (Linux and macOS count bytes, Windows UTF-16 units, never fewer).
inline constexpr std::size_t kNameMax = 255;
// `path` with `tail` added to its name, when the name then fits in kNameMax bytes with `room` bytes to
// spare (for what a caller adds after it). Otherwise the name is cut short (never inside a UTF-8
// character) and followed by "~", 16 hex digits of a hash of the whole name, and `tail`: a name that
// fits, the same for the same path, and another for a name that differs anywhere.
std::string nameWithTail(const std::string& path, std::string_view tail, std::size_t room = 0);

// MachineFileSystem is the real file system of the machine the program was built for.
#ifdef _WIN32
// The real file system of a Windows machine. Paths are UTF-8 and go to the system as UTF-16. Windows
// has no atomic exchange and no permission bits: a mode without the owner's write bit is the read-only
// attribute, and every file reports 0666, or 0444 when read-only, and the owner 0. A symbolic link or
// a junction is a link; other reparse points are what they stand for. A file that another program
// holds open without sharing it fails the step with a reason saying so, and the step changes nothing.
class WindowsFileSystem : public FileSystem {
  public:
    bool isFile(const std::string& path) override;
    bool exists(const std::string& path) override;
    bool sameFile(const std::string& a, const std::string& b) override;
    ReadOutcome readWhole(const std::string& path) override;
    // One file after another; one that cannot be read stops none of the others.
    std::vector<ReadOutcome> readWholeEach(const std::vector<std::string>& paths) override;
    // The save compares a file right before it replaces it: the file is opened for deletion too, so
    // that one another program holds open without sharing that right is found before anything is
    // replaced.
    CompareOutcome compareWhole(const std::string& path, std::string_view expected) override;
    [[nodiscard]] FsError writeNewDurable(const std::string& path,
                                          const std::vector<std::string_view>& pieces,
                                          std::optional<unsigned> mode,
                                          std::optional<FileOwner> owner = {}) override;
    // One file after another; one that fails stops none of the others.
    [[nodiscard]] std::vector<FsError> writeNewDurableEach(
        const std::vector<NewFile>& files, const std::vector<std::string_view>& pieces) override;
    // Replaces a read-only file too, as POSIX's rename does.
    [[nodiscard]] FsError rename(const std::string& from, const std::string& to) override;
    [[nodiscard]] FsError renameNoReplace(const std::string& from, const std::string& to) override;
    // Removes a read-only file too, as POSIX's unlink does.
    [[nodiscard]] FsError remove(const std::string& path) override;
    FileInfo inspect(const std::string& path) override;
    std::vector<std::string> namesInFolder(const std::string& folder) override;
    [[nodiscard]] FsError hardLink(const std::string& existing, const std::string& link) override;
    [[nodiscard]] FsError makeFolders(const std::string& path) override;
    [[nodiscard]] FsError removeFolder(const std::string& path) override;
};
using MachineFileSystem = WindowsFileSystem;
#else
// The real file system of a POSIX machine.
class PosixFileSystem : public FileSystem {
  public:
    bool isFile(const std::string& path) override;
    bool exists(const std::string& path) override;
    bool sameFile(const std::string& a, const std::string& b) override;
    ReadOutcome readWhole(const std::string& path) override;
    // Reads the files on threads of their own: filling fresh memory is the larger part of reading a
    // large file, and on some machines, virtual ones above all, it goes many times faster in parallel.
    std::vector<ReadOutcome> readWholeEach(const std::vector<std::string>& paths) override;
    CompareOutcome compareWhole(const std::string& path, std::string_view expected) override;
    [[nodiscard]] FsError writeNewDurable(const std::string& path,
                                          const std::vector<std::string_view>& pieces,
                                          std::optional<unsigned> mode,
                                          std::optional<FileOwner> owner = {}) override;
    // Writes the files on threads of their own, so that filling the page cache and flushing to the disk
    // overlap.
    [[nodiscard]] std::vector<FsError> writeNewDurableEach(
        const std::vector<NewFile>& files, const std::vector<std::string_view>& pieces) override;
    [[nodiscard]] FsError rename(const std::string& from, const std::string& to) override;
    // In one step where the file system can; elsewhere a check just before the rename.
    [[nodiscard]] FsError renameNoReplace(const std::string& from, const std::string& to) override;
    // Linux 3.15 and later on ext4, tmpfs, btrfs, xfs and others; kNoExchange elsewhere.
    [[nodiscard]] FsError exchange(const std::string& a, const std::string& b) override;
    [[nodiscard]] FsError remove(const std::string& path) override;
    FileInfo inspect(const std::string& path) override;
    std::vector<std::string> namesInFolder(const std::string& folder) override;
    [[nodiscard]] FsError hardLink(const std::string& existing, const std::string& link) override;
    [[nodiscard]] FsError makeFolders(const std::string& path) override;
    [[nodiscard]] FsError removeFolder(const std::string& path) override;
};
using MachineFileSystem = PosixFileSystem;
#endif

}  // namespace korvane
