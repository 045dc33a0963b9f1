// A merge run as a whole: its stages in order, and how it talks to the user.
#include "merge/MergeRun.h"

#include <new>

#include "document/Text.h"
#include "merge/Messages.h"

namespace korvane {

bool isPathGiven(const std::string& path) {
    return !onlySpaces(path);
}

MergeRun::MergeRun(MergeHost& host, FileSystem& fs, MergePaths paths)
    : m_host(host), m_fs(fs), m_paths(std::move(paths)) {}

void MergeRun::message(std::string_view text, MessageIcon icon, std::string_view title) {
    m_host.showMessage(std::string(text), icon, std::string(title));
}

void MergeRun::stop(std::string_view text) {
    message(text, MessageIcon::Exclamation, kAppTitle);
}

RunResult MergeRun::run() {
    try {
        if (!load()) {
            return RunResult::Stopped;
        }
        if (!merge()) {
            return m_stopped ? RunResult::Stopped : RunResult::ProgramEnded;
        }
    } catch (const std::bad_alloc&) {
        // Nothing has been written before the save, so running out of memory here loses nothing.
        message(msg::kOutOfMemory, MessageIcon::Critical, kAppTitle);
        return RunResult::Stopped;
    }
    return save();
}

}  // namespace korvane
