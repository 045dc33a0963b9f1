// What every file system shares: the one-after-another defaults of the interface, and the places the
// user's environment names.
#include <cstdlib>
#include <filesystem>

#include "platform/FileSystem.h"
#ifdef _WIN32
#include "platform/WinText.h"
#endif

namespace korvane {

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
