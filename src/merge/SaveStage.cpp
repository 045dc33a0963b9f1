// The guarded save. Every original content stays on disk under a known name until the merged
// document is safely on disk: the remote file is moved to a backup name, all three files are checked
// against what the run read, the merged document is written to temporary files beside the targets
// and flushed, the targets are replaced by renames, and the backup is removed last.
#include <algorithm>
#include <cmath>
#include <new>
#include <random>

#include "merge/MergeRun.h"
#include "merge/Messages.h"

namespace korvane {
namespace {

constexpr unsigned kWriteBits = 0222;

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// One file that the save replaces.
struct Target {
    std::string path;
    std::optional<unsigned> mode;  // kept from the file it replaces; none for a new file
    std::string temp;              // where the merged document waits before it takes the path
    std::string before;            // what the path held before, for messages
};

// Says which file holds what after the replacement of target `failed` went wrong: the targets before
// it hold the merged document, the backup holds the remote file as it was, and the temporaries not yet
// renamed hold the merged document.
std::string partlySavedMessage(const Target (&targets)[3], std::size_t failed, const std::string& backup,
                               const std::string& reason) {
    std::string text = "Error: The merged document could not be saved to every file: renaming " +
                       quoted(targets[failed].temp) + " to " + quoted(targets[failed].path) +
                       " failed: " + reason + ".\n\nWhere your documents are now:";
    for (std::size_t j = 0; j < 3; ++j) {
        const Target& t = targets[j];
        text.append("\n").append(quoted(t.path)).append(": ");
        if (j < failed) {
            text += "the merged document";
        } else if (j == 0) {
            text += "not written yet";
        } else if (t.before.empty()) {
            text += "not created yet";
        } else {
            text += t.before + ", unchanged";
        }
    }
    text.append("\n").append(quoted(backup)).append(": the remote file as it was before this merge");
    for (std::size_t j = failed; j < 3; ++j) {
        text.append("\n").append(quoted(targets[j].temp)).append(": the merged document");
    }
    return text;
}

}  // namespace

std::string MergeRun::drawFreePath(const std::string& base, const std::string& suffix) {
    if (!m_random) {
        m_random = [engine = std::mt19937(std::random_device{}())]() mutable {
            return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
        };
    }
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const auto number = static_cast<long>(std::floor(m_random() * 99999999.0 + 1.0));
        std::string path = base + std::to_string(number) + suffix;
        if (!m_fs.exists(path)) {
            return path;
        }
    }
    return {};
}

std::optional<MergeRun::Problem> MergeRun::changedSince(const std::string& path, std::string_view textAtStart,
                                                        std::string_view changedMessage) {
    const CompareOutcome compared = m_fs.compareWhole(path, textAtStart);
    switch (compared.status) {
        case CompareStatus::Same:
            return std::nullopt;
        case CompareStatus::Different:
            return Problem{std::string(changedMessage), MessageIcon::Critical,
                           std::string(msg::kServerErrorTitle)};
        case CompareStatus::OpenFailed:
            break;
    }
    return Problem{msg::cannotRead(path, compared.reason), MessageIcon::Critical, std::string(kAppTitle)};
}

std::string MergeRun::restoreRemote(const std::string& backupPath) {
    if (FsError err = m_fs.rename(backupPath, m_paths.remote)) {
        return msg::remoteNotPutBack(backupPath, *err);
    }
    return {};
}

RunResult MergeRun::save() {
    if (!m_host.askYesNo(std::string(msg::kSaveFiles), std::string(msg::kSaveFilesTitle), true)) {
        return RunResult::NotSaved;
    }
    const std::vector<std::string_view>& doc = m_newDocument.pieces();
    // The unedited copy is created beside the local file when the run had none.
    Target targets[3] = {
        {m_paths.remote, {}, {}, "the remote file"},
        {m_paths.local, {}, {}, "your local file"},
        {hasUneditedCopy() ? m_paths.unedited : m_paths.local + ".LastMerge", {}, {}, "the unedited copy"}};
    Target& remote = targets[0];
    for (Target& t : targets) {
        if (&t == &targets[2] && !m_fs.isFile(t.path)) {
            t.before.clear();  // a new file
            continue;
        }
        unsigned mode = 0;
        if (FsError err = m_fs.getMode(t.path, mode)) {
            message(msg::saveFailedUnchanged("reading the permissions of", t.path, *err),
                    MessageIcon::Critical, kAppTitle);
            return RunResult::SaveFailed;
        }
        t.mode = mode;
    }

    const std::string backup = drawFreePath(remote.path + "-", "");
    if (FsError err = backup.empty() ? FsError("no free backup name") : m_fs.rename(remote.path, backup)) {
        message(msg::saveFailedUnchanged("renaming", remote.path, *err), MessageIcon::Critical, kAppTitle);
        return RunResult::SaveFailed;
    }
    std::optional<Problem> problem = changedSince(backup, m_docs.remoteText, msg::kRemoteChanged);
    if (!problem) {
        problem = changedSince(m_paths.local, m_docs.localText, msg::kLocalChanged);
    }
    if (!problem && hasUneditedCopy()) {
        problem = changedSince(m_paths.unedited, m_docs.uneditedText, msg::kOriginalChanged);
    }
    if (problem) {
        const std::string note = restoreRemote(backup);
        message(problem->text + note, problem->icon, problem->title);
        return RunResult::SaveFailed;
    }

    // The merged document goes into temporary files first, all three written at once; a failure here
    // removes them and puts the remote file back, so every file is as it was.
    std::vector<NewFile> temps;
    for (Target& t : targets) {
        t.temp = drawFreePath(t.path + ".korvane-", ".tmp");
        if (t.temp.empty()) {
            const std::string note = restoreRemote(backup);
            message(msg::saveFailedUnchanged("writing", t.path, "no free temporary name") + note,
                    MessageIcon::Critical, kAppTitle);
            return RunResult::SaveFailed;
        }
        temps.push_back({t.temp, t.mode});
    }
    const std::vector<FsError> written = m_fs.writeNewDurableEach(temps, doc);
    const auto failed =
        std::find_if(written.begin(), written.end(), [](const FsError& e) { return e.has_value(); });
    if (failed != written.end()) {
        for (std::size_t i = 0; i < 3; ++i) {
            if (!written[i]) {
                m_fs.remove(targets[i].temp);
            }
        }
        const std::string note = restoreRemote(backup);
        message(msg::saveFailedUnchanged("writing", targets[failed - written.begin()].temp, **failed) + note,
                MessageIcon::Critical, kAppTitle);
        return RunResult::SaveFailed;
    }

    for (std::size_t i = 0; i < 3; ++i) {
        if (FsError err = m_fs.rename(targets[i].temp, targets[i].path)) {
            message(partlySavedMessage(targets, i, backup, *err), MessageIcon::Critical, kAppTitle);
            return RunResult::SaveFailed;
        }
    }

    // The remote file is marked read-only, so that nobody edits the shared copy by mistake.
    if (FsError err = m_fs.setMode(remote.path, remote.mode.value_or(0644) & ~kWriteBits)) {
        message("The merged document was saved to all three files, but " + quoted(remote.path) +
                    " could not be made read-only: " + *err + ".",
                MessageIcon::Exclamation, kAppTitle);
    }
    if (FsError err = m_fs.remove(backup)) {
        message("The merged document was saved to all three files, but the backup of the remote file " +
                    quoted(backup) + " could not be removed: " + *err + ". You may delete it.",
                MessageIcon::Exclamation, kAppTitle);
    }
    return RunResult::Saved;
}

RunResult MergeRun::run() {
    try {
        if (!load()) {
            return RunResult::Stopped;
        }
        if (!merge()) {
            return RunResult::ProgramEnded;
        }
    } catch (const std::bad_alloc&) {
        // Nothing has been written before the save, so running out of memory here loses nothing.
        message(msg::kOutOfMemory, MessageIcon::Critical, kAppTitle);
        return RunResult::Stopped;
    }
    return save();
}

}  // namespace korvane
