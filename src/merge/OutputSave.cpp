// The save of a run that writes one output file only (git's merge driver and merge tool): the merged
// document goes into a temporary file beside the output and is flushed; right before the rename that
// replaces the output, the output is checked against what it held when the run started.
#include "merge/MergeRun.h"
#include "merge/Messages.h"

namespace korvane {

RunResult MergeRun::saveOutput() {
    if (!m_host.askYesNo(msg::saveOutput(m_outputPath), std::string(msg::kSaveFilesTitle), true)) {
        return RunResult::NotSaved;
    }
    const FileInfo info = m_fs.inspect(m_outputPath);
    const auto fail = [this](const std::string& text) {
        message(text, MessageIcon::Critical, kAppTitle);
        return RunResult::SaveFailed;
    };
    std::optional<unsigned> mode;
    std::optional<FileOwner> owner;
    if (info.kind != FileKind::Missing) {
        if (const std::string problem = msg::targetProblem(m_outputPath, info); !problem.empty()) {
            return fail(problem);
        }
        mode = info.mode;
        owner = info.owner;
    }
    const std::string& target = info.resolved;
    const std::string temp = drawFreePath(target + ".korvane-", ".tmp");
    if (temp.empty()) {
        return fail(
            msg::saveFailedUnchanged(std::string(msg::kWriting), target, std::string(msg::kNoTempName)));
    }
    if (FsError err = m_fs.writeNewDurable(temp, m_newDocument.pieces(), mode, owner)) {
        return fail(msg::saveFailedUnchanged(std::string(msg::kWriting), temp, *err));
    }
    std::optional<Problem> problem;
    switch (m_outputState) {
        case OutputAtStart::Missing:
            if (m_fs.exists(target)) {
                problem = Problem{std::string(msg::kOutputChanged), MessageIcon::Critical,
                                  std::string(msg::kServerErrorTitle), std::string(msg::kOutputChanged)};
            }
            break;
        case OutputAtStart::Local:
            problem = changedSince(target, m_docs.localText, msg::kOutputChanged);
            break;
        case OutputAtStart::Read:
            problem = changedSince(target, m_outputText, msg::kOutputChanged);
            break;
    }
    FsError err = problem ? FsError() : m_fs.rename(temp, target);
    if (problem || err) {
        std::string notes;
        if (FsError removeErr = m_fs.remove(temp)) {
            notes = msg::tempNotRemoved(temp, *removeErr);
        }
        if (problem) {
            message(problem->unchangedText + notes, problem->icon, problem->title);
            return RunResult::SaveFailed;
        }
        return fail(msg::saveFailedUnchanged(msg::renamingTo(temp), target, *err) + notes);
    }
    return RunResult::Saved;
}

}  // namespace korvane
