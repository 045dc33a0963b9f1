// What every file system shares: the one-after-another defaults of the interface, and the places the
// user's environment names.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/FileSystem.h"
#ifdef _WIN32
#include "platform/WinText.h"
#endif

namespace korvane {

std::string nameWithTail(const std::string& path, std::string_view tail, std::size_t room) {
    const std::string_view name = nameOf(path);
    if (name.size() + tail.size() + room <= kNameMax) {
        return path + std::string(tail);
    }
    // FNV-1a: a stable hash, the same in every run and on every system.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    const std::size_t added = 1 + 16 + tail.size() + room;
    std::size_t keep = added < kNameMax ? std::min(name.size(), kNameMax - added) : 0;
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) {
        --keep;
    }
    return path.substr(0, path.size() - name.size() + keep) + "~" + hex + std::string(tail);
}

std::vector<ReadOutcome> FileSystem::readWholeEach(const std::vector<std::string>& paths) {
    std::vector<ReadOutcome> results(paths.size(), ReadOutcome{ReadStatus::OpenFailed, {}, "not read"});
    for (std::size_t i = 0; i < paths.size(); ++i) {
        results[i] = readWhole(paths[i]);
        if (results[i].status == ReadStatus::OpenFailed) {
            break;
        }
    }
    return results;
}

std::vector<FsError> FileSystem::writeNewDurableEach(const std::vector<NewFile>& files,
                                                     const std::vector<std::string_view>& pieces) {
    std::vector<FsError> results(files.size(), FsError("not written"));
    for (std::size_t i = 0; i < files.size(); ++i) {
        results[i] = writeNewDurable(files[i].path, pieces, files[i].mode, files[i].owner);
        if (results[i]) {
            break;
        }
    }
    return results;
}

std::string userBackupFolder() {
#ifdef _WIN32
    const wchar_t* appData = _wgetenv(L"LOCALAPPDATA");
    return appData != nullptr && *appData != L'\0' ? utf8Of(appData) + "\\Korvane\\backups" : std::string();
#else
    // An XDG folder that is not absolute is ignored, as the XDG rules ask.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
        return std::string(data) + "/korvane/backups";
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/.local/share/korvane/backups"
                                            : std::string();
#endif
}

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path given(std::u8string(path.begin(), path.end()));
    const std::filesystem::path absolute = std::filesystem::absolute(given, ec).lexically_normal();
    if (ec) {
        return path;
    }
    const std::u8string text = absolute.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace korvane
