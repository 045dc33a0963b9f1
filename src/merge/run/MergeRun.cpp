// A merge run as a whole: the loading of its trio (Loading.cpp), the merge of the loaded run
// (MergeStage.cpp) and the hand-over to a save (save/).
#include "merge/run/MergeRun.h"

#include <new>

#include "merge/Messages.h"
#include "merge/run/RunMessages.h"
#include "merge/save/FileSave.h"

namespace korvane {

MergeRun::MergeRun(MergeHost& host, FileSystem& fs, MergePaths paths)
    : m_host(host), m_fs(fs), m_trio(std::move(paths)) {}

bool MergeRun::load() {
    return TrioLoading(m_host, m_fs, m_trio).load({m_settings.findCopy, m_settings.outputPath});
}

std::optional<RunResult> MergeRun::prepare(MergePlan& plan, const Settle& settle, RunResult unsettled) {
    try {
        if (!load()) {
            return RunResult::Stopped;
        }
        if (!merge(plan, settle)) {
            return m_stopped ? RunResult::Stopped : unsettled;
        }
    } catch (const std::bad_alloc&) {
        // Nothing has been written before the save, so running out of memory here loses nothing.
        m_host.showMessage(std::string(msg::kOutOfMemory), MessageIcon::Critical, std::string(kAppTitle));
        return RunResult::Stopped;
    }
    return std::nullopt;
}

RunResult MergeRun::save() {
    std::function<double()>& random = m_settings.random;
    const SaveInputs in{m_host,
                        m_fs,
                        m_trio.paths,
                        m_trio.docs,
                        m_trio.format->document().pieces(),
                        random,
                        m_trio.remoteIsSyncCopy(),
                        m_remoteLost,
                        m_settings.backupFolder,
                        &m_keptFor};
    return m_settings.outputPath.empty() ? GuardedSave(in).run()
                                         : OutputSave(in, m_settings.outputPath, m_trio.outputAtStart).run();
}

}  // namespace korvane
