// The guarded save. Every original content stays on disk under a known name until the merged
// document is safely on disk: every target is checked first, a note of the save is written beside the
// local file, the merged document is written to temporary files beside the targets and flushed, the
// remote file is moved to a backup name, all three files are checked against what the run read, the
// targets are replaced by renames, and the backup and the note are removed last. The checks come right
// before the renames, so that a change made by another program while the copies were written is found.
#include <algorithm>
#include <cmath>
#include <new>
#include <random>

#include "merge/MergeRun.h"
#include "merge/Messages.h"
#include "merge/Recovery.h"

namespace korvane {
namespace {

constexpr unsigned kWriteBits = 0222;

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// One file that the save replaces.
struct Target {
    std::string path;              // the file itself: a symbolic link stays a link, and its file is replaced
    std::optional<unsigned> mode;  // kept from the file it replaces
    std::optional<FileOwner> owner;
    std::string temp;    // where the merged document waits before it takes the path
    std::string before;  // what the path held before, for messages; empty for a new file
};

// Says which file holds what after the replacement of target `failed` went wrong: the targets before
// it hold the merged document, the backup holds the remote file as it was, and the temporaries not yet
// renamed hold the merged document.
std::string partlySavedMessage(const Target (&targets)[3], std::size_t failed, const std::string& backup,
                               const std::string& reason, const std::string& notePath) {
    std::string text = "Error: The merged document could not be saved to every file: renaming " +
                       quoted(targets[failed].temp) + " to " + quoted(targets[failed].path) +
                       " failed: " + reason + ".\n\nWhere your documents are now:";
    for (std::size_t j = 0; j < 3; ++j) {
        const Target& t = targets[j];
        text.append("\n").append(quoted(t.path)).append(": ");
        if (j < failed) {
            text += "the merged document";
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
    return text + msg::saveNoteKept(notePath);
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
                           std::string(msg::kServerErrorTitle), std::string(changedMessage)};
        case CompareStatus::OpenFailed:
            break;
    }
    const std::string text = msg::cannotRead(path, compared.reason);
    return Problem{text.substr(0, text.size() - msg::kNoFileChanged.size()), MessageIcon::Critical,
                   std::string(kAppTitle), text};
}

std::string MergeRun::restoreRemote(const std::string& backupPath, const std::string& remotePath) {
    if (FsError err = m_fs.renameNoReplace(backupPath, remotePath)) {
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
    const std::string named[3] = {m_paths.remote, m_paths.local,
                                  hasUneditedCopy() ? m_paths.unedited : m_paths.local + ".LastMerge"};
    const char* const before[3] = {"the remote file", "your local file", "the unedited copy"};
    const std::string_view startTexts[3] = {m_docs.remoteText, m_docs.localText, m_docs.uneditedText};
    Target targets[3];
    Target& remote = targets[0];
    SaveNote note;
    // Every target is checked before the first change: a folder, a pipe or a device found halfway
    // through the renames would leave the files half replaced.
    for (std::size_t i = 0; i < 3; ++i) {
        const FileInfo info = m_fs.inspect(named[i]);
        Target& t = targets[i];
        t.path = info.resolved;
        note.targets[i].path = info.resolved;
        if (i == 2 && info.kind == FileKind::Missing) {
            // A new unedited copy is as private as the local file it is a copy of.
            t.mode = targets[1].mode;
            t.owner = targets[1].owner;
            continue;
        }
        if (const std::string what = msg::refusal(info); !what.empty()) {
            message(msg::targetRefused(named[i], what), MessageIcon::Critical, kAppTitle);
            return RunResult::SaveFailed;
        }
        if (info.links > 1) {
            message(msg::targetHardLinked(named[i], info.links), MessageIcon::Critical, kAppTitle);
            return RunResult::SaveFailed;
        }
        // The remote file is marked read-only, so that nobody edits the shared copy by mistake.
        t.mode = i == 0 ? info.mode & ~kWriteBits : info.mode;
        t.owner = info.owner;
        t.before = before[i];
        if (i < 2 || hasUneditedCopy()) {
            note.targets[i].before = fingerprintOf({startTexts[i]});
        }
    }

    const std::string backup = drawFreePath(remote.path + "-", "");
    if (backup.empty()) {
        message(msg::saveFailedUnchanged("renaming", remote.path, "no free backup name"),
                MessageIcon::Critical, kAppTitle);
        return RunResult::SaveFailed;
    }
    std::vector<NewFile> temps;
    for (std::size_t i = 0; i < 3; ++i) {
        Target& t = targets[i];
        t.temp = drawFreePath(t.path + ".korvane-", ".tmp");
        if (t.temp.empty()) {
            message(msg::saveFailedUnchanged("writing", t.path, "no free temporary name"),
                    MessageIcon::Critical, kAppTitle);
            return RunResult::SaveFailed;
        }
        note.targets[i].temp = t.temp;
        temps.push_back({t.temp, t.mode, t.owner});
    }
    note.merged = fingerprintOf(doc);
    note.backup = backup;
    // The note comes before anything else, so that a save cut off at any later moment is found.
    const std::string notePath = saveNotePath(m_paths.local);
    if (FsError err = m_fs.writeNewDurable(notePath, {note.text()}, std::nullopt)) {
        message(msg::saveFailedUnchanged("writing", notePath, *err), MessageIcon::Critical, kAppTitle);
        return RunResult::SaveFailed;
    }

    // Ends the save before any target was replaced: removes what it wrote, puts the remote file back
    // and shows `text`, which says "No file was changed" only when that is true.
    std::vector<FsError> written(3, FsError("not written"));
    bool remoteMoved = false;
    const auto giveUp = [&](const std::string& text, const std::string& unchangedText, MessageIcon icon,
                            std::string_view title) {
        std::string notes;
        for (std::size_t i = 0; i < 3; ++i) {
            if (!written[i]) {
                if (FsError err = m_fs.remove(targets[i].temp)) {
                    notes += msg::tempNotRemoved(targets[i].temp, *err);
                }
            }
        }
        const std::string moved = remoteMoved ? restoreRemote(backup, remote.path) : std::string();
        if (moved.empty() && notes.empty()) {
            if (FsError err = m_fs.remove(notePath)) {
                notes += msg::saveNoteKept(notePath);
            }
        } else {
            notes += msg::saveNoteKept(notePath);
        }
        message((moved.empty() ? unchangedText : text) + moved + notes, icon, title);
        return RunResult::SaveFailed;
    };
    const auto fileFailed = [&](const std::string& action, const std::string& path,
                                const std::string& reason) {
        return giveUp(msg::saveFailed(action, path, reason), msg::saveFailedUnchanged(action, path, reason),
                      MessageIcon::Critical, kAppTitle);
    };

    // The merged document goes into the temporary files first, all three written at once.
    written = m_fs.writeNewDurableEach(temps, doc);
    for (std::size_t i = 0; i < 3; ++i) {
        if (written[i]) {
            return fileFailed("writing", targets[i].temp, *written[i]);
        }
    }
    if (FsError err = m_fs.rename(remote.path, backup)) {
        return fileFailed("renaming", remote.path, *err);
    }
    remoteMoved = true;
    // The guards, as late as possible: what another program writes after them is overwritten by the
    // renames that follow at once.
    std::optional<Problem> problem = changedSince(backup, m_docs.remoteText, msg::kRemoteChanged);
    if (!problem) {
        problem = changedSince(targets[1].path, m_docs.localText, msg::kLocalChanged);
    }
    if (!problem && hasUneditedCopy()) {
        problem = changedSince(targets[2].path, m_docs.uneditedText, msg::kOriginalChanged);
    }
    if (problem) {
        return giveUp(problem->text, problem->unchangedText, problem->icon, problem->title);
    }

    // The remote path stays empty while the remote file waits under its backup name: a file that
    // another program puts there meanwhile is not overwritten.
    for (std::size_t i = 0; i < 3; ++i) {
        if (FsError err = i == 0 ? m_fs.renameNoReplace(targets[0].temp, remote.path)
                                 : m_fs.rename(targets[i].temp, targets[i].path)) {
            if (i == 0) {
                // Nothing was replaced yet: everything can still be put back.
                return fileFailed("renaming " + quoted(targets[0].temp) + " to", remote.path, *err);
            }
            message(partlySavedMessage(targets, i, backup, *err, notePath), MessageIcon::Critical, kAppTitle);
            return RunResult::SaveFailed;
        }
    }
    if (FsError err = m_fs.remove(backup)) {
        message("The merged document was saved to all three files, but the backup of the remote file " +
                    quoted(backup) + " could not be removed: " + *err + ". You may delete it." +
                    msg::saveNoteKept(notePath),
                MessageIcon::Exclamation, kAppTitle);
        return RunResult::Saved;
    }
    if (FsError err = m_fs.remove(notePath)) {
        message("The merged document was saved to all three files, but the note of the save " +
                    quoted(notePath) + " could not be removed: " + *err + ". You may delete it.",
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
