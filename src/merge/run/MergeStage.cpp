// The merge of a loaded run: the question before mass deletions, the plan, its settling and the
// assembly of the merged document.
#include <string>

#include "document/Text.h"
#include "merge/Messages.h"
#include "merge/run/ConflictDialogs.h"
#include "merge/run/MergeRun.h"
#include "merge/run/Planning.h"
#include "merge/run/RunMessages.h"

namespace korvane {

bool askAboutMassDeletion(MergeHost& host, const MassDeletion& d) {
    return host.ask({QuestionKind::MassDeletion, msg::massDeletion(d.byRemote, d.deleted, d.held),
                     std::string(msg::kMassDeletionTitle), false});
}

namespace {

// Whether the merge may go on when one side would delete most of the wiki (asked once, before any
// dialog or review); false when the run stops.
bool confirmDeletions(MergeHost& host, const LoadedTrio& trio, const VisitingList& titles) {
    for (const MassDeletion& d : massDeletions(trio, titles)) {
        if (!host.allowMassDeletion(d)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<MassDeletion> massDeletions(const LoadedTrio& trio, const VisitingList& titles) {
    if (!trio.hasUneditedDocument()) {
        return {};  // without an unedited copy no side deletes: every difference is put to the user
    }
    MassDeletion bySide[2] = {{true, 0, 0, trio.paths.remote}, {false, 0, 0, trio.paths.local}};
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const VisitingList::Held h = titles.held(i);
        if (h.unedited) {
            bySide[0].held += h.local ? 1 : 0;
            bySide[0].deleted += h.local && !h.remote ? 1 : 0;
            bySide[1].held += h.remote ? 1 : 0;
            bySide[1].deleted += h.remote && !h.local ? 1 : 0;
        }
    }
    std::vector<MassDeletion> most;
    for (const MassDeletion& d : bySide) {
        if (d.deleted >= kMassDeletionMinimum && 2 * d.deleted > d.held) {
            most.push_back(d);
        }
    }
    return most;
}

MergePlan MergeRun::plan(const VisitingList& titles) {
    m_trio.format->begin(titles);  // the conflict pairs shown before the assembly look at the run's titles
    return makePlan(titles, m_trio.format->merger(), m_trio.hasUneditedDocument(), m_settings.mergeInside);
}

bool MergeRun::assemble(MergePlan& plan, const VisitingList& titles) {
    m_stopped = false;
    FormatRun& format = *m_trio.format;
    if (!korvane::assemble(plan, titles, format.pages(), format.merger(), m_trio.hasUneditedDocument(),
                           m_remoteLost)) {
        m_stopped = true;  // the merged store failed its check; the format said why
        return false;
    }
    return true;
}

bool MergeRun::merge(MergePlan& plan, const Settle& settle) {
    m_stopped = false;
    const VisitingList colAllTitles = titles();
    if (!confirmDeletions(m_host, m_trio, colAllTitles)) {
        m_stopped = true;
        return false;
    }
    plan = this->plan(colAllTitles);
    return settle(plan, colAllTitles) && assemble(plan, colAllTitles);
}

MergeRun::Settle MergeRun::conflictDialogs() {
    return [this](MergePlan& plan, const VisitingList& titles) {
        return ConflictDialogs(m_host, *m_trio.format, m_trio.hasUneditedDocument()).askEach(plan, titles);
    };
}

bool MergeRun::merge() {
    MergePlan plan;
    return merge(plan, conflictDialogs());
}

RunResult MergeRun::run() {
    MergePlan plan;
    if (const std::optional<RunResult> ended = prepare(plan, conflictDialogs(), RunResult::ProgramEnded)) {
        return *ended;
    }
    return save();
}

std::string MergeRun::strMergedStore() const {
    return m_trio.format->mergedStore();
}

}  // namespace korvane
