// The guarded save. Every original content stays on disk under a known name until the merged
// document is safely on disk: every target is checked first, a note of the save is written beside the
// local file, the merged document is written to temporary files beside the targets and flushed, the
// remote file is moved to a backup name, all three files are checked against what the run read, the
// targets are replaced by renames, and the backup and the note are removed last. The checks come right
// before the renames, so that a change made by another program while the copies were written is found.
// A sync tool's conflict copy as the remote file is no target: it keeps its bytes and attributes (and
// the save no backup of it), and no .LastMerge copy is made beside it, which the sync tool would copy
// to every device; the note then names no backup and no copy for those, and the recovery leaves them
// alone.
#include <memory>

#include "merge/Messages.h"
#include "merge/save/Backups.h"
#include "merge/save/FileSave.h"
#include "merge/save/Recovery.h"
#include "merge/save/SaveMessages.h"
#include "merge/sync/EarlierSaves.h"

namespace korvane {
namespace {

constexpr unsigned kWriteBits = 0222;

// The targets of a save, in the order it handles them (and the note lists them).
constexpr std::size_t kRemote = 0, kLocal = 1, kUnedited = 2, kTargets = 3;

}  // namespace

// One file that the save replaces.
struct SaveTarget {
    std::string path;              // the file itself: a symbolic link stays a link, and its file is replaced
    std::optional<unsigned> mode;  // kept from the file it replaces
    unsigned modeBefore = 0;
    std::optional<FileOwner> owner;
    std::string temp;         // where the merged document waits before it takes the path
    std::string_view before;  // what the path held before, for messages; empty for a new file
    bool replaced = false;    // the path holds the merged document
    bool swapped = false;     // exchanged: the temporary name holds what the path held before
    bool skipped = false;     // no target: the save writes nothing there
};

// What the steps of one save share. The targets are in the order remote, local, unedited copy.
struct SaveWork {
    SaveTarget targets[kTargets];
    SaveNote note;
    std::string notePath;
    std::string backup;  // empty when the remote file is left as it is
    // Whether each temporary holds a complete copy; a failed write has removed its own file.
    std::vector<FsError> written = std::vector<FsError>(kTargets, FsError("not written"));
    bool remoteMoved = false;
    std::unique_ptr<Backups> backups;  // the originals kept for an undo; none without a backup folder

    SaveTarget& remote() { return targets[kRemote]; }
};

bool GuardedSave::checkTargets(SaveWork& w) {
    // The unedited copy is created beside the local file when the run had none (but not in a folder that
    // a sync tool shares: its own earlier versions are the unedited copy there). An unedited copy given
    // by the user is replaced as always.
    const std::string named[kTargets] = {m_paths.remote, m_paths.local,
                                         hasUneditedCopy()    ? m_paths.unedited
                                         : m_remoteIsSyncCopy ? std::string()
                                                              : lastMergePath(m_paths.local)};
    const std::string_view startTexts[kTargets] = {m_docs.remoteText, m_docs.localText, m_docs.uneditedText};
    // Every target is checked before the first change: a folder, a pipe or a device found halfway
    // through the renames would leave the files half replaced.
    for (std::size_t i = 0; i < kTargets; ++i) {
        SaveTarget& t = w.targets[i];
        if (named[i].empty()) {
            t.skipped = true;
            continue;
        }
        const FileInfo info = m_fs.inspect(named[i]);
        t.path = info.resolved;
        w.note.targets[i].path = info.resolved;
        if (i == kRemote && m_remoteIsSyncCopy) {
            t.skipped = true;
            t.before = msg::kTargetNames[i];
            continue;
        }
        if (i == kUnedited && info.kind == FileKind::Missing) {
            // A new unedited copy is as private as the local file it is a copy of.
            t.mode = w.targets[kLocal].mode;
            t.owner = w.targets[kLocal].owner;
            continue;
        }
        if (const std::optional<std::string> problem = msg::targetProblem(named[i], info, m_docs.form)) {
            message(*problem, MessageIcon::Critical, kAppTitle);
            return false;
        }
        // The remote file is marked read-only, so that nobody edits the shared copy by mistake.
        t.mode = i == kRemote ? info.mode & ~kWriteBits : info.mode;
        t.modeBefore = info.mode;
        t.owner = info.owner;
        t.before = msg::kTargetNames[i];
        if (i != kUnedited || hasUneditedCopy()) {
            w.note.targets[i].before = fingerprintOf({startTexts[i]});
        }
    }
    return true;
}

bool GuardedSave::writeNoteAndTemporaries(SaveWork& w) {
    const std::vector<std::string_view>& doc = m_document;
    w.backup = w.remote().skipped ? std::string() : drawFreePath(w.remote().path, "-", "");
    if (w.backup.empty() && !w.remote().skipped) {
        message(msg::saveFailedUnchanged(std::string(msg::kRenaming), w.remote().path,
                                         std::string(msg::kNoBackupName)),
                MessageIcon::Critical, kAppTitle);
        return false;
    }
    std::vector<NewFile> temps;
    std::vector<std::size_t> tempTargets;
    for (std::size_t i = 0; i < kTargets; ++i) {
        SaveTarget& t = w.targets[i];
        if (t.skipped) {
            continue;
        }
        t.temp = drawFreePath(t.path, ".korvane-", ".tmp");
        if (t.temp.empty()) {
            message(
                msg::saveFailedUnchanged(std::string(msg::kWriting), t.path, std::string(msg::kNoTempName)),
                MessageIcon::Critical, kAppTitle);
            return false;
        }
        w.note.targets[i].temp = t.temp;
        temps.push_back({t.temp, t.mode, t.owner});
        tempTargets.push_back(i);
    }
    w.note.merged = fingerprintOf(doc);
    w.note.form = m_docs.form;
    w.note.backup = w.backup;
    // The note comes before anything else, so that a save cut off at any later moment is found. It lies
    // beside the file a link names, where a run given that file's own path looks for it too.
    w.notePath = saveNotePath(w.targets[kLocal].path);
    if (FsError err = m_fs.writeNewDurable(w.notePath, {w.note.text()}, std::nullopt)) {
        message(msg::saveFailedUnchanged(std::string(msg::kWriting), w.notePath, *err), MessageIcon::Critical,
                kAppTitle);
        return false;
    }
    // The merged document goes into the temporary files first, all written at once.
    const std::vector<FsError> written = m_fs.writeNewDurableEach(temps, doc);
    for (std::size_t k = 0; k < temps.size(); ++k) {
        w.written[tempTargets[k]] = written[k];
    }
    for (std::size_t k = 0; k < temps.size(); ++k) {
        if (written[k]) {
            return giveUpOnFile(w, std::string(msg::kWriting), temps[k].path, *written[k]);
        }
    }
    return true;
}

bool GuardedSave::keepOriginals(SaveWork& w) {
    if (m_backupFolder.empty()) {
        return true;
    }
    const std::string_view startTexts[kTargets] = {m_docs.remoteText, m_docs.localText, m_docs.uneditedText};
    std::vector<ToKeep> files;
    for (std::size_t i = 0; i < kTargets; ++i) {
        const SaveTarget& t = w.targets[i];
        if (!t.skipped) {
            // The bytes as read serve for a copy; an existing .LastMerge file the run did not read is read
            // then.
            const bool read = i != kUnedited || hasUneditedCopy();
            files.push_back({t.path, !t.before.empty(), read ? std::optional(startTexts[i]) : std::nullopt,
                             t.modeBefore, w.note.merged});
        }
    }
    w.backups = std::make_unique<Backups>(m_fs, m_backupFolder);
    std::string failed;
    if (FsError err = w.backups->keep(absolutePath(m_paths.local), files, failed)) {
        w.backups.reset();
        const std::string text = msg::backupFailed(failed, m_backupFolder, *err);
        return giveUp(w, text, text + std::string(msg::kNoFileChanged), MessageIcon::Critical, kAppTitle);
    }
    return true;
}

bool GuardedSave::giveUp(SaveWork& w, const std::string& text, const std::string& unchangedText,
                         MessageIcon icon, std::string_view title) {
    if (w.backups) {
        w.backups->dropLast();  // no file was replaced: there is nothing to undo
    }
    std::string notes;
    for (std::size_t i = 0; i < kTargets; ++i) {
        if (!w.written[i]) {
            if (FsError err = m_fs.remove(w.targets[i].temp)) {
                notes += msg::tempNotRemoved(w.targets[i].temp, *err);
            }
        }
    }
    const std::string moved = w.remoteMoved ? restoreRemote(w.backup, w.remote().path) : std::string();
    // The note goes only when every file is back as the save found it; otherwise it tells the next
    // start what is left.
    const bool noteRemoved = moved.empty() && notes.empty() && !m_fs.remove(w.notePath);
    if (!noteRemoved) {
        notes += msg::saveNoteKept(w.notePath);
    }
    message((moved.empty() ? unchangedText : text) + moved + notes, icon, title);
    return false;
}

bool GuardedSave::giveUpOnFile(SaveWork& w, const std::string& action, const std::string& path,
                               const std::string& reason) {
    return giveUp(w, msg::saveFailed(action, path, reason), msg::saveFailedUnchanged(action, path, reason),
                  MessageIcon::Critical, kAppTitle);
}

bool GuardedSave::moveRemoteToBackup(SaveWork& w) {
    if (w.remote().skipped) {
        return true;
    }
    if (FsError err = m_fs.rename(w.remote().path, w.backup)) {
        return giveUpOnFile(w, std::string(msg::kRenaming), w.remote().path, *err);
    }
    w.remoteMoved = true;
    return true;
}

bool GuardedSave::checkUnchanged(SaveWork& w) {
    // The guards, as late as possible: what another program writes after them is overwritten by the
    // renames that follow at once.
    // A remote file left as it is loses nothing when it changed meanwhile.
    std::optional<Problem> problem =
        w.remote().skipped ? std::nullopt : changedSince(w.backup, m_docs.remoteText, msg::kRemoteChanged);
    if (!problem) {
        problem = changedSince(w.targets[kLocal].path, m_docs.localText, msg::kLocalChanged);
    }
    if (!problem && hasUneditedCopy()) {
        problem = changedSince(w.targets[kUnedited].path, m_docs.uneditedText, msg::kOriginalChanged);
    }
    return !problem || giveUp(w, problem->text, problem->unchangedText, problem->icon, problem->title);
}

std::string GuardedSave::whereNow(const SaveWork& w) const {
    std::string text;
    for (const SaveTarget& t : w.targets) {
        if (t.path.empty()) {
            continue;  // no .LastMerge copy is made
        }
        text += msg::whereLine(t.path, t.replaced ? std::string(msg::kHoldsMerged)
                                       : t.before.empty()
                                           ? std::string(msg::kNotCreatedYet)
                                           : std::string(t.before) + std::string(msg::kUnchangedSuffix));
    }
    if (!w.backup.empty()) {
        text += msg::whereLine(w.backup, msg::kRemoteAsItWas);
    }
    for (const SaveTarget& t : w.targets) {
        if (t.skipped) {
            continue;
        }
        if (t.swapped) {
            text += msg::whereLine(t.temp, std::string(t.before) + std::string(msg::kAsItWas));
        } else if (!t.replaced) {
            text += msg::whereLine(t.temp, msg::kHoldsMerged);
        }
    }
    return text + msg::saveNoteKept(w.notePath);
}

bool GuardedSave::replaceTargets(SaveWork& w) {
    const std::string_view startTexts[kTargets] = {m_docs.remoteText, m_docs.localText, m_docs.uneditedText};
    const std::string_view changed[kTargets] = {msg::kRemoteChanged, msg::kLocalChanged,
                                                msg::kOriginalChanged};
    for (std::size_t i = 0; i < kTargets; ++i) {
        SaveTarget& t = w.targets[i];
        if (t.skipped) {
            continue;
        }
        FsError err;
        if (i == kRemote) {
            // The remote path stays empty while the remote file waits under its backup name: a file
            // that another program puts there meanwhile is not overwritten.
            err = m_fs.renameNoReplace(t.temp, t.path);
        } else if (!t.before.empty()) {
            // An exchange keeps what the path held at the temporary name, so that a change another
            // program made after the checks is found and put back, not overwritten.
            err = m_fs.exchange(t.temp, t.path);
            t.swapped = !err;
            if (err == std::string(kNoExchange)) {
                err = m_fs.rename(t.temp, t.path);
            }
        } else {
            err = m_fs.rename(t.temp, t.path);
        }
        if (err) {
            if (i == kRemote || (i == kLocal && w.remote().skipped)) {
                // Nothing was replaced yet: everything can still be put back.
                return giveUpOnFile(w, msg::renamingTo(t.temp), t.path, *err);
            }
            message(msg::partlySaved(t.temp, t.path, *err) + whereNow(w), MessageIcon::Critical, kAppTitle);
            return false;
        }
        t.replaced = true;
        if (t.swapped && (i == kLocal || hasUneditedCopy())) {
            if (std::optional<Problem> problem = changedSince(t.temp, startTexts[i], changed[i])) {
                return putBack(w, *problem);
            }
        }
    }
    return true;
}

bool GuardedSave::putBack(SaveWork& w, const Problem& problem) {
    for (std::size_t i = kTargets; i-- > kLocal;) {
        SaveTarget& t = w.targets[i];
        if (t.swapped) {
            if (FsError err = m_fs.exchange(t.temp, t.path)) {
                message(problem.text + msg::notPutBack(t.path, *err) + whereNow(w), problem.icon,
                        problem.title);
                return false;
            }
            t.swapped = t.replaced = false;
        }
    }
    // The remote path holds the merged document, which the backup replaces in one step.
    if (FsError err = w.remote().skipped ? FsError() : m_fs.rename(w.backup, w.remote().path)) {
        message(problem.text + msg::notPutBack(w.remote().path, *err) + whereNow(w), problem.icon,
                problem.title);
        return false;
    }
    w.remoteMoved = false;
    w.remote().replaced = false;
    w.written[kRemote] = FsError("renamed");  // its temporary file is gone
    return giveUp(w, problem.text, problem.unchangedText, problem.icon, problem.title);
}

void GuardedSave::finishSave(SaveWork& w) {
    // Every leftover is tried, so that the message names each one that stays.
    std::string text;
    if (FsError err = w.backup.empty() ? FsError() : m_fs.remove(w.backup)) {
        text = msg::backupNotRemoved(w.backup, *err);
    }
    for (const SaveTarget& t : w.targets) {
        if (FsError err = t.swapped ? m_fs.remove(t.temp) : FsError()) {
            text += msg::oldCopyNotRemoved(text.empty(), t.temp, t.before, *err);
        }
    }
    if (!text.empty()) {
        message(text + msg::saveNoteKept(w.notePath), MessageIcon::Exclamation, kAppTitle);
    } else if (FsError err = m_fs.remove(w.notePath)) {
        message(msg::noteNotRemoved(w.notePath, *err), MessageIcon::Exclamation, kAppTitle);
    }
}

RunResult GuardedSave::run() {
    if (!m_host.ask(
            {QuestionKind::SaveFiles, std::string(msg::kSaveFiles), std::string(msg::kSaveFilesTitle)})) {
        return RunResult::NotSaved;
    }
    if (!fitsForm()) {
        return RunResult::SaveFailed;
    }
    SaveWork w;
    std::optional<WikiLock> lock;
    if (!m_backupFolder.empty()) {
        if (!lockWiki(lock, absolutePath(m_paths.local))) {
            return RunResult::SaveFailed;
        }
        Backups(m_fs, m_backupFolder).dropCutOff(absolutePath(m_paths.local));
    }
    if (!checkTargets(w) || !writeNoteAndTemporaries(w) || !keepOriginals(w) || !moveRemoteToBackup(w) ||
        !checkUnchanged(w) || !replaceTargets(w)) {
        return RunResult::SaveFailed;
    }
    if (w.backups) {
        // Before the note goes, so that a save cut off while pruning is still found and cleaned up.
        w.backups->prune(absolutePath(m_paths.local));
        if (m_keptFor) {
            *m_keptFor = absolutePath(m_paths.local);
        }
    }
    finishSave(w);
    if (m_remoteIsSyncCopy) {
        offerToDeleteSyncCopy();
    }
    return RunResult::Saved;
}

void GuardedSave::offerToDeleteSyncCopy() {
    const std::string& copy = m_paths.remote;
    const std::string text =
        m_remoteLost == 0 ? msg::deleteSyncCopy(copy) : msg::deleteSyncCopyLosing(copy, m_remoteLost);
    if (!m_host.ask({QuestionKind::DeleteSyncCopy, text, std::string(msg::kDeleteSyncCopyTitle), false})) {
        return;
    }
    // What the sync tool wrote into the copy after the run read it is in no merged document.
    const CompareOutcome compared = m_fs.compareWhole(copy, m_docs.remoteText);
    FsError err = compared.status == CompareStatus::Same        ? m_fs.remove(copy)
                  : compared.status == CompareStatus::Different ? FsError(msg::kCopyChangedSinceRead)
                                                                : FsError(compared.reason);
    if (err) {
        message(msg::syncCopyNotDeleted(copy, *err), MessageIcon::Exclamation, kAppTitle);
    }
}

}  // namespace korvane
