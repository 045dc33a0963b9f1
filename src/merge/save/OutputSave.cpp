// The save of a run that writes one output file only (git's merge driver and merge tool): the merged
// document goes into a temporary file beside the output and is flushed; right before the rename that
// replaces the output, the output is checked against what it held when the run started. A kill leaves
// only that temporary file, which the next save of the same output reports and removes.
#include <algorithm>
#include <chrono>

#include "merge/Messages.h"
#include "merge/save/Backups.h"
#include "merge/save/FileSave.h"
#include "merge/save/Recovery.h"
#include "merge/save/SaveMessages.h"

namespace korvane {
namespace {

// STEM.korvane-DIGITS.tmp or STEM.korvane-copy.tmp, the names of an output file's temporary files
// (`stem` is the name of outputTempStem, which ends with ".korvane-").
bool isOutputTemporary(std::string_view name, std::string_view stem) {
    constexpr std::string_view kSuffix = ".tmp";
    if (!name.starts_with(stem)) {
        return false;
    }
    name.remove_prefix(stem.size());
    if (!name.ends_with(kSuffix) || name.size() <= kSuffix.size()) {
        return false;
    }
    const std::string_view middle = name.substr(0, name.size() - kSuffix.size());
    return middle == "copy" ||
           std::all_of(middle.begin(), middle.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string removeOutputLeftovers(FileSystem& fs, const std::string& output) {
    constexpr auto kQuiet = std::chrono::minutes(10);
    const auto now = std::chrono::system_clock::now();
    std::vector<std::string> outputs = {output}, leftovers;
    if (std::string resolved = fs.inspect(output).resolved; resolved != output) {
        outputs.push_back(std::move(resolved));
    }
    for (const std::string& path : outputs) {
        // With its separator; empty for ".".
        const std::string folder = path.substr(0, path.size() - nameOf(path).size());
        const std::string stem = outputTempStem(path);
        for (const std::string& name : fs.namesInFolder(folder.empty() ? "." : folder)) {
            if (isOutputTemporary(name, nameOf(stem))) {
                const FileInfo info = fs.inspect(folder + name);
                if (info.plainFile() && now - info.modified > kQuiet) {
                    leftovers.push_back(folder + name);
                }
            }
        }
    }
    std::sort(leftovers.begin(), leftovers.end());
    std::string text;
    for (const std::string& path : leftovers) {
        const FsError err = fs.remove(path);
        text += (text.empty() ? "" : "\n") +
                (err ? msg::leftoverNotRemoved(path, output, *err) : msg::leftoverRemoved(path, output));
    }
    return text;
}

std::string OutputSave::keepOriginal(std::optional<Backups>& backups, const std::string& wiki,
                                     const FileInfo& info, const std::string& temp) {
    // Kept under the output's own name: the local file of a merge tool is one of git's temporary files.
    if (m_backupFolder.empty() || info.kind == FileKind::Missing) {
        return {};
    }
    backups.emplace(m_fs, m_backupFolder);
    const std::optional<std::string_view> bytes =
        m_atStart.held == OutputAtStart::Held::Local  ? std::optional<std::string_view>(m_docs.localText)
        : m_atStart.held == OutputAtStart::Held::Read ? std::optional<std::string_view>(m_atStart.text)
                                                      : std::nullopt;
    std::string failed;
    const std::string& target = info.resolved;
    if (FsError err =
            backups->keep(wiki, {{target, true, bytes, info.mode, fingerprintOf(m_document)}}, failed)) {
        const FsError removeErr = m_fs.remove(temp);
        return msg::backupFailed(failed, m_backupFolder, *err) + std::string(msg::kNoFileChanged) +
               (removeErr ? msg::tempNotRemoved(temp, *removeErr) : std::string());
    }
    return {};
}

std::optional<FileSave::Problem> OutputSave::changedSinceStart(const std::string& target) {
    switch (m_atStart.held) {
        case OutputAtStart::Held::Missing:
            if (m_fs.exists(target)) {
                return Problem{std::string(msg::kOutputChanged), MessageIcon::Critical,
                               std::string(msg::kServerErrorTitle), std::string(msg::kOutputChanged)};
            }
            break;
        case OutputAtStart::Held::Local:
            return changedSince(target, m_docs.localText, msg::kOutputChanged);
        case OutputAtStart::Held::Read:
            return changedSince(target, m_atStart.text, msg::kOutputChanged);
    }
    return std::nullopt;
}

RunResult OutputSave::fail(const std::string& text) {
    message(text, MessageIcon::Critical, kAppTitle);
    return RunResult::SaveFailed;
}

RunResult OutputSave::run() {
    if (!m_host.ask(
            {QuestionKind::SaveOutput, msg::saveOutput(m_output), std::string(msg::kSaveFilesTitle)})) {
        return RunResult::NotSaved;
    }
    if (!fitsForm()) {
        return RunResult::SaveFailed;
    }
    const std::string wiki = absolutePath(m_output);
    std::optional<WikiLock> lock;
    if (!m_backupFolder.empty()) {
        if (!lockWiki(lock, wiki)) {
            return RunResult::SaveFailed;
        }
        Backups(m_fs, m_backupFolder).dropCutOff(wiki);  // before the output's names are counted
    }
    const FileInfo info = m_fs.inspect(m_output);
    std::optional<unsigned> mode;
    std::optional<FileOwner> owner;
    if (info.kind != FileKind::Missing) {
        if (const std::optional<std::string> problem = msg::targetProblem(m_output, info, m_docs.form)) {
            return fail(*problem);
        }
        mode = info.mode;
        owner = info.owner;
    }
    if (const std::string leftovers = removeOutputLeftovers(m_fs, m_output); !leftovers.empty()) {
        message(leftovers, MessageIcon::Information, kAppTitle);
    }
    const std::string& target = info.resolved;
    const std::string temp = drawFreePath(target, ".korvane-", ".tmp");
    if (temp.empty()) {
        return fail(
            msg::saveFailedUnchanged(std::string(msg::kWriting), target, std::string(msg::kNoTempName)));
    }
    if (FsError err = m_fs.writeNewDurable(temp, m_document, mode, owner)) {
        return fail(msg::saveFailedUnchanged(std::string(msg::kWriting), temp, *err));
    }
    std::optional<Backups> backups;
    if (const std::string failed = keepOriginal(backups, wiki, info, temp); !failed.empty()) {
        return fail(failed);
    }
    return putInPlace(temp, target, wiki, backups);
}

RunResult OutputSave::putInPlace(const std::string& temp, const std::string& target, const std::string& wiki,
                                 std::optional<Backups>& backups) {
    const std::optional<Problem> problem = changedSinceStart(target);
    FsError err = problem ? FsError() : m_fs.rename(temp, target);
    if (problem || err) {
        std::string notes;
        if (FsError removeErr = m_fs.remove(temp)) {
            notes = msg::tempNotRemoved(temp, *removeErr);
        }
        if (backups) {
            backups->dropLast();
        }
        if (problem) {
            message(problem->unchangedText + notes, problem->icon, problem->title);
            return RunResult::SaveFailed;
        }
        return fail(msg::saveFailedUnchanged(msg::renamingTo(temp), target, *err) + notes);
    }
    if (backups) {
        backups->prune(wiki);
        if (m_keptFor) {
            *m_keptFor = wiki;
        }
    }
    return RunResult::Saved;
}

}  // namespace korvane
