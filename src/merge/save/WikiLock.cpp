#include "merge/save/WikiLock.h"

#include <algorithm>
#include <charconv>

#include "platform/Process.h"

namespace korvane {
namespace {

// "PROCESS MACHINE": the holder of a lock, as its file says.
bool holderOf(std::string_view text, unsigned long& id, std::string& machine) {
    const std::size_t space = text.find(' ');
    const auto [end, ec] = std::from_chars(text.data(), text.data() + std::min(space, text.size()), id);
    if (space == std::string_view::npos || ec != std::errc() || end != text.data() + space ||
        !text.ends_with('\n')) {
        return false;
    }
    machine = std::string(text.substr(space + 1, text.size() - space - 2));
    return true;
}

}  // namespace

WikiLock::~WikiLock() {
    if (m_held) {
        (void)m_fs.remove(m_path);
    }
}

std::optional<std::string> WikiLock::take(const std::string& wiki,
                                          const std::function<std::string(const std::string&)>& failure) {
    const std::string self = std::to_string(ownProcessId()) + " " + machineName() + "\n";
    FsError err = m_fs.makeFolders(folderOf(m_path));
    for (int tries = 0; !err && tries < 2; ++tries) {
        if (!(err = m_fs.writeNewDurable(m_path, {self}, 0600))) {
            m_held = true;
            return std::nullopt;
        }
        const ReadOutcome read = m_fs.readWhole(m_path);
        if (read.status != ReadStatus::Ok) {
            break;  // `err` says why no lock could be made
        }
        unsigned long id = 0;
        std::string machine;
        const bool named = holderOf(read.text, id, machine);
        const bool stale =
            named ? machine == machineName() && (id == ownProcessId() || !processRuns(id))
                  : read.text.empty() && std::chrono::system_clock::now() - m_fs.inspect(m_path).modified >
                                             std::chrono::minutes(1);
        if (!stale) {
            return "Error: Another run of Korvane is saving \"" + wiki + "\"" +
                   (named ? " (process " + std::to_string(id) + " on " + machine + ")" : std::string()) +
                   "; if none is, remove \"" + m_path + "\" and try again. No file was changed.";
        }
        err = m_fs.remove(m_path);
    }
    return failure(err ? *err : std::string("File exists"));
}

}  // namespace korvane
