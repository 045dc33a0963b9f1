#include "ui/main/MainRuns.h"
#include "merge/run/RunMessages.h"

#include "merge/Messages.h"
#include "merge/save/Backups.h"
#include "ui/desktop/MessageBoxes.h"
#include "ui/desktop/Program.h"
#include "ui/review/frmReview.h"

namespace korvane {
namespace {

// A merge with more differences than this, the review window unticked, offers the window once.
constexpr std::size_t kReviewOfferAbove = 20;

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

RunResult MainRuns::dialogRun(MergeRun& run, const std::string& output) {
    bool reviewed = false;
    const MergeRun::Settle settle = [&](MergePlan& plan, const VisitingList& titles) {
        if (plan.differences() > kReviewOfferAbove &&
            askYesNoBox(&m_owner, fromUtf8(msg::reviewOffer(plan.differences())),
                        fromUtf8(std::string(kAppTitle)), false)) {
            // For this run only: the plan again with the merged versions the review offers.
            reviewed = true;
            run.settings().mergeInside = true;
            plan = run.plan(titles);
            return showReview(run, plan, titles, output);
        }
        return run.conflictDialogs()(plan, titles);
    };
    MergePlan plan;
    if (const std::optional<RunResult> ended = run.prepare(plan, settle, RunResult::ProgramEnded)) {
        return reviewed && *ended == RunResult::ProgramEnded ? RunResult::NotSaved : *ended;
    }
    if (reviewed) {
        return saveReviewed(run, output);
    }
    const RunResult result = run.save();
    if (result == RunResult::Saved && !run.keptFor().empty()) {
        // The conflict dialogs' save says nothing of its own: where the replaced files are, and the undo.
        m_host.showMessage(msg::backupsKept(run.settings().backupFolder, run.keptFor()),
                           MessageIcon::Information, std::string(kAppTitle));
    }
    return result;
}

RunResult MainRuns::reviewRun(MergeRun& run, const std::string& output) {
    run.settings().mergeInside = true;  // the review offers each merged version, and takes it by default
    MergePlan plan;
    const auto review = [&](MergePlan& p, const VisitingList& titles) {
        return showReview(run, p, titles, output);
    };
    if (const std::optional<RunResult> ended = run.prepare(plan, review, RunResult::NotSaved)) {
        return *ended;
    }
    return saveReviewed(run, output);
}

bool MainRuns::showReview(MergeRun& run, MergePlan& plan, const VisitingList& titles,
                          const std::string& output) {
    Review model(run, plan, titles);
    // A sync tool's conflict copy is not written, so the save does not write "all three files".
    frmReview window(model, !!output.empty() && !run.trio().remoteIsSyncCopy(), &m_owner);
    return window.showModal();  // closed without saving: no file changed
}

RunResult MainRuns::saveReviewed(MergeRun& run, const std::string& output) {
    m_saveConfirmed = true;
    const RunResult result = run.save();
    m_saveConfirmed = false;
    if (result == RunResult::Saved) {
        const std::vector<std::string> written =
            !output.empty() ? std::vector<std::string>{output} : run.trio().savedPaths();
        std::string text = msg::reviewSaved(written);
        if (!run.keptFor().empty()) {
            text += "\n\n" + msg::backupsKept(run.settings().backupFolder, run.keptFor());
        }
        m_host.showMessage(text, MessageIcon::Information, std::string(kAppTitle));
    }
    return result;
}

}  // namespace korvane
