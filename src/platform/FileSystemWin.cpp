// The Windows implementation of the file-system interface: the same promises as the POSIX one, in
// Windows' own calls with wide-character paths (the interface's paths are UTF-8).
#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/ReadLoops.h"
#include "platform/WinText.h"

namespace korvane {
namespace {

// The most common reason a save cannot go on under Windows: another program (an editor, a spreadsheet,
// a sync tool at work) holds the file open and does not let others read, write or replace it.
constexpr const char* kHeldOpen =
    "The file is open in another program that does not share it (sharing violation); close it there and "
    "try again";

std::string reasonFor(DWORD error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return kHeldOpen;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return "File exists";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "No such file or directory";
        default:
            return reasonOf(error);
    }
}

std::string lastReason() {
    return reasonFor(GetLastError());
}

// Closes a handle when it goes out of scope.
class Handle {
  public:
    explicit Handle(HANDLE h) : m_h(h) {}
    ~Handle() {
        if (valid()) {
            CloseHandle(m_h);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
    // Closes now: a late write error may surface at close.
    bool release() {
        const bool closed = CloseHandle(m_h) != 0;
        m_h = INVALID_HANDLE_VALUE;
        return closed;
    }

  private:
    HANDLE m_h;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens whatever the path names for reading its attributes only, following links (or not), folders
// included; such an open is refused by no sharing mode.
HANDLE openAny(const std::wstring& path, bool follow) {
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

// A link in the sense of the POSIX layer: a symbolic link or a junction, whose reparse tag says that it
// stands for another name. Other reparse points (a sync tool's placeholder of a file kept online, a
// deduplicated file) are the file itself.
bool isLink(const std::wstring& path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return false;
    }
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    return IsReparseTagNameSurrogate(found.dwReserved0);
}

struct OpenedFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::size_t size = 0;
    FsError error;
};

// Opens a regular file for reading; anything else is refused with the reason. Others may go on
// reading, writing and renaming it: a program that saves the wiki meanwhile is caught by the save's
// checks, not locked out. `replacing`: the file is about to be replaced, so it is opened for deletion
// as well, which fails while another program holds it open without sharing that right.
OpenedFile openForReading(const std::string& path, bool replacing) {
    OpenedFile f;
    const std::wstring wide = widePath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        f.error = "Is a directory";
        return f;
    }
    const auto open = [&](DWORD access) {
        return CreateFileW(wide.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    };
    f.handle = open(replacing ? GENERIC_READ | DELETE : GENERIC_READ);
    if (f.handle == INVALID_HANDLE_VALUE && replacing && GetLastError() == ERROR_ACCESS_DENIED) {
        f.handle = open(GENERIC_READ);  // no right to delete it: the replacement itself will say so
    }
    if (f.handle == INVALID_HANDLE_VALUE) {
        f.error = lastReason();
        return f;
    }
    const DWORD type = GetFileType(f.handle);
    LARGE_INTEGER size{};
    if (type == FILE_TYPE_PIPE) {
        f.error = "Is a named pipe, not a regular file";
    } else if (type != FILE_TYPE_DISK) {
        f.error = "Is a device, not a regular file";
    } else if (!GetFileSizeEx(f.handle, &size)) {
        f.error = lastReason();
    } else {
        f.size = static_cast<std::size_t>(size.QuadPart);
        return f;
    }
    CloseHandle(f.handle);
    f.handle = INVALID_HANDLE_VALUE;
    return f;
}

// One read of at most 1 GB (ReadFile counts in 32 bits): the bytes read, or -1.
long long readSome(HANDLE file, char* into, std::size_t n) {
    DWORD got = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(n, std::size_t{1} << 30));
    return ReadFile(file, into, ask, &got, nullptr) ? static_cast<long long>(got) : -1;
}

FsError writePieces(HANDLE file, const std::vector<std::string_view>& pieces) {
    for (std::string_view piece : pieces) {
        while (!piece.empty()) {
            DWORD done = 0;
            const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(piece.size(), std::size_t{1} << 30));
            if (!WriteFile(file, piece.data(), ask, &done, nullptr)) {
                return lastReason();
            }
            piece.remove_prefix(done);
        }
    }
    return std::nullopt;
}

// Takes the read-only mark off a file for a step that Windows refuses on a read-only file but POSIX
// does not (replacing it, removing it); put back unless the step succeeded.
class WritableForAMoment {
  public:
    explicit WritableForAMoment(const std::wstring& path) : m_path(path) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
            SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
            m_attributes = attributes;
        }
    }
    ~WritableForAMoment() {
        if (m_attributes != 0 && !m_done) {
            SetFileAttributesW(m_path.c_str(), m_attributes);
        }
    }
    WritableForAMoment(const WritableForAMoment&) = delete;
    WritableForAMoment& operator=(const WritableForAMoment&) = delete;
    void done() { m_done = true; }

  private:
    std::wstring m_path;
    DWORD m_attributes = 0;
    bool m_done = false;
};

// Why a rename or a removal was refused. Windows says "Access is denied" both for a missing right and
// for a file that another program holds open without sharing the right to delete it; the second is
// told apart by trying to open the file for deletion.
std::string refusal(DWORD error, const std::vector<std::wstring>& paths) {
    if (error == ERROR_ACCESS_DENIED) {
        for (const std::wstring& path : paths) {
            HANDLE probe = CreateFileW(path.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            const DWORD probeError = probe == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
            if (probe != INVALID_HANDLE_VALUE) {
                CloseHandle(probe);
            }
            if (probeError == ERROR_SHARING_VIOLATION) {
                return kHeldOpen;
            }
        }
    }
    return reasonFor(error);
}

std::chrono::system_clock::time_point timeOf(FILETIME t) {
    // 100-nanosecond steps since 1601-01-01; the system clock counts from 1970-01-01.
    constexpr long long kFrom1601To1970 = 116444736000000000LL;
    const long long steps =
        (static_cast<long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime) - kFrom1601To1970;
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::duration<long long, std::ratio<1, 10000000>>(steps)));
}

// The full name of an open file with every link resolved, without the \\?\ prefix of long names.
std::string finalPath(HANDLE file, const std::string& fallback) {
    std::wstring name(32768, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(file, name.data(), static_cast<DWORD>(name.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= name.size()) {
        return fallback;
    }
    name.resize(n);
    if (name.starts_with(L"\\\\?\\UNC\\")) {
        name = L"\\\\" + name.substr(8);
    } else if (name.starts_with(L"\\\\?\\")) {
        name = name.substr(4);
    }
    return utf8Of(name);
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

bool WindowsFileSystem::isFile(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    Handle file(openAny(widePath(path), true));
    BY_HANDLE_FILE_INFORMATION info{};
    return file.valid() && GetFileType(file.get()) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(file.get(), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WindowsFileSystem::exists(const std::string& path) {
    return !path.empty() && GetFileAttributesW(widePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WindowsFileSystem::sameFile(const std::string& a, const std::string& b) {
    Handle first(openAny(widePath(a), true)), second(openAny(widePath(b), true));
    BY_HANDLE_FILE_INFORMATION one{}, two{};
    return first.valid() && second.valid() && GetFileInformationByHandle(first.get(), &one) &&
           GetFileInformationByHandle(second.get(), &two) &&
           one.dwVolumeSerialNumber == two.dwVolumeSerialNumber && one.nFileIndexHigh == two.nFileIndexHigh &&
           one.nFileIndexLow == two.nFileIndexLow;
}

ReadOutcome WindowsFileSystem::readWhole(const std::string& path) {
    ReadOutcome out;
    const OpenedFile file = openForReading(path, false);
    const Handle handle(file.handle);
    if (file.error) {
        out.status = ReadStatus::OpenFailed;
        out.reason = *file.error;
        return out;
    }
    readAllInto(
        out, file.size, [&handle](char* into, std::size_t n) { return readSome(handle.get(), into, n); },
        [] { return lastReason(); }, reasonOf(ERROR_NOT_ENOUGH_MEMORY));
    return out;
}

std::vector<ReadOutcome> WindowsFileSystem::readWholeEach(const std::vector<std::string>& paths) {
    std::vector<ReadOutcome> results;
    for (const std::string& path : paths) {
        results.push_back(readWhole(path));
    }
    return results;
}

CompareOutcome WindowsFileSystem::compareWhole(const std::string& path, std::string_view expected) {
    CompareOutcome out;
    const OpenedFile file = openForReading(path, true);
    const Handle handle(file.handle);
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
        out, expected, [&handle](char* into, std::size_t n) { return readSome(handle.get(), into, n); },
        [] { return lastReason(); });
    return out;
}

// Windows keeps no permission bits: a mode without the owner's write bit becomes the read-only
// attribute (how the remote file is marked), and the owner stays the user's, as for any new file.
FsError WindowsFileSystem::writeNewDurable(const std::string& path,
                                           const std::vector<std::string_view>& pieces,
                                           std::optional<unsigned> mode, std::optional<FileOwner>) {
    const std::wstring wide = widePath(path);
    // Nobody else may open the file while it is written; CREATE_NEW never touches an existing file.
    Handle file(
        CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return lastReason();
    }
    FsError err;
    try {
        err = writePieces(file.get(), pieces);
        if (!err && !FlushFileBuffers(file.get())) {
            err = lastReason();
        }
        if (!err && !file.release()) {
            err = lastReason();
        }
        if (!err && mode && (*mode & 0200) == 0 &&
            !SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE)) {
            err = lastReason();
        }
    } catch (...) {
        if (file.valid()) {
            file.release();
        }
        DeleteFileW(wide.c_str());
        throw;
    }
    if (err) {
        if (file.valid()) {
            file.release();
        }
        SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(wide.c_str());  // never leave a half-written file behind
    }
    return err;
}

std::vector<FsError> WindowsFileSystem::writeNewDurableEach(const std::vector<NewFile>& files,
                                                            const std::vector<std::string_view>& pieces) {
    std::vector<FsError> results;
    for (const NewFile& file : files) {
        results.push_back(writeNewDurable(file.path, pieces, file.mode, file.owner));
    }
    return results;
}

// MoveFileExW with MOVEFILE_REPLACE_EXISTING is one rename in the file system: at every moment `to`
// names either the old file or the new one, and MOVEFILE_WRITE_THROUGH returns only once the rename is
// on the disk. ReplaceFileW is not used: it may fail halfway with the replaced file moved to a backup
// name or left under a temporary one, and it carries the old file's attributes over to the new one,
// which would mark a new local file read-only or take the mark off the remote one. The save keeps the
// old content under a known name itself before it replaces anything.
FsError WindowsFileSystem::rename(const std::string& from, const std::string& to) {
    const std::wstring source = widePath(from), target = widePath(to);
    WritableForAMoment writable(target);
    if (!MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return refusal(GetLastError(), {target, source});
    }
    writable.done();
    return std::nullopt;
}

// Without MOVEFILE_REPLACE_EXISTING the rename fails in one step when something is at `to`.
FsError WindowsFileSystem::renameNoReplace(const std::string& from, const std::string& to) {
    const std::wstring source = widePath(from);
    if (!MoveFileExW(source.c_str(), widePath(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
        return refusal(GetLastError(), {source});
    }
    return std::nullopt;
}

FsError WindowsFileSystem::remove(const std::string& path) {
    const std::wstring wide = widePath(path);
    WritableForAMoment writable(wide);
    if (!DeleteFileW(wide.c_str())) {
        return refusal(GetLastError(), {wide});
    }
    writable.done();
    return std::nullopt;
}

FileInfo WindowsFileSystem::inspect(const std::string& path) {
    FileInfo info;
    info.resolved = path;
    const std::wstring wide = widePath(path);
    const DWORD own = GetFileAttributesW(wide.c_str());
    if (own == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_INVALID_NAME) {
            info.kind = FileKind::Other;
            info.reason = reasonFor(error);
        }
        return info;
    }
    info.link = isLink(wide, own);
    Handle file(openAny(wide, true));
    BY_HANDLE_FILE_INFORMATION data{};
    if (!file.valid() || !GetFileInformationByHandle(file.get(), &data)) {
        const DWORD error = GetLastError();
        if (info.link && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
            info.kind = FileKind::BrokenLink;
        } else {
            info.kind = FileKind::Other;
            info.reason = reasonFor(error);
        }
        return info;
    }
    info.resolved = finalPath(file.get(), path);
    const DWORD type = GetFileType(file.get());
    info.kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory
                : type == FILE_TYPE_DISK                                ? FileKind::Regular
                : type == FILE_TYPE_PIPE                                ? FileKind::Pipe
                : type == FILE_TYPE_CHAR                                ? FileKind::Device
                                                                        : FileKind::Other;
    if (info.kind == FileKind::Other) {
        info.reason = "a special file";
    }
    const bool readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    info.mode = info.kind == FileKind::Directory ? 0777 : readOnly ? 0444 : 0666;
    info.links = static_cast<unsigned>(data.nNumberOfLinks);
    info.modified = timeOf(data.ftLastWriteTime);
    info.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return info;
}

std::vector<std::string> WindowsFileSystem::namesInFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(widePath(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(utf8Of(name));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// NTFS keeps both names of a hard link on one volume; another volume, FAT or a network share refuses.
FsError WindowsFileSystem::hardLink(const std::string& existing, const std::string& link) {
    const std::wstring target = widePath(existing);
    if (!CreateHardLinkW(widePath(link).c_str(), target.c_str(), nullptr)) {
        return refusal(GetLastError(), {target});
    }
    return std::nullopt;
}

FsError WindowsFileSystem::makeFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(widePath(path)), ec);
    return ec ? FsError(ec.message()) : FsError();
}

FsError WindowsFileSystem::removeFolder(const std::string& path) {
    if (!RemoveDirectoryW(widePath(path).c_str())) {
        return reasonOf(GetLastError());
    }
    return std::nullopt;
}

// Both / and \ part a Windows path; a drive's root keeps its backslash ("C:\"), since "C:" alone is
// the current folder of that drive.
std::string folderOf(std::string_view path) {
    std::size_t cut = path.size();
    while (cut > 0 && !isSeparator(path[cut - 1])) {
        --cut;
    }
    if (cut == 0) {
        return ".";
    }
    const std::size_t slash = cut - 1;
    if (slash == 0 || (slash == 2 && path[1] == ':')) {
        return std::string(path.substr(0, slash + 1));
    }
    return std::string(path.substr(0, slash));
}

std::string_view nameOf(std::string_view path) {
    std::size_t cut = path.size();
    while (cut > 0 && !isSeparator(path[cut - 1])) {
        --cut;
    }
    return path.substr(cut);
}

}  // namespace korvane
