#include "merge/run/Planning.h"

#include <utility>

#include "merge/run/Policy.h"

namespace korvane {
namespace {

SideChange changeOf(const std::optional<std::string_view>& side, bool sameAsUnedited, bool hasUnedited,
                    bool uneditedHolds) {
    if (!hasUnedited) {
        return side ? SideChange::Holds : SideChange::Lacks;
    }
    if (!side) {
        return uneditedHolds ? SideChange::Deleted : SideChange::Absent;
    }
    if (!uneditedHolds) {
        return SideChange::Added;
    }
    return sameAsUnedited ? SideChange::Unchanged : SideChange::Edited;
}

PlanItem itemOf(const Visit& v, std::size_t n, bool hasUnedited) {
    PlanItem item;
    item.visit = n;
    item.title = v.title;
    item.mergeCase = v.mergeCase;
    item.local = changeOf(v.local, v.localIsUnedited, hasUnedited, v.unedited.has_value());
    item.remote = changeOf(v.remote, v.remoteIsUnedited, hasUnedited, v.unedited.has_value());
    item.localIsUnedited = hasUnedited && v.localIsUnedited;
    item.remoteIsUnedited = hasUnedited && v.remoteIsUnedited;
    item.recommended = v.recommended();
    item.localKept = v.localSideKept();
    item.copyAllowed = v.local && v.remote;
    item.plugin = v.plugin;
    item.localStamp = v.localStamp;
    item.remoteStamp = v.remoteStamp;
    item.uneditedStamp = v.uneditedStamp;
    return item;
}

// Appends what the item's outcome keeps; true when that holds the remote version in some form.
bool appendOutcome(PlanItem& item, const Visit& v, WikiPages& format, TiddlerMerger& merger) {
    switch (item.outcome) {
        case Outcome::Local:
        case Outcome::Unedited: {
            const std::optional<std::string_view>& entry =
                item.outcome == Outcome::Local ? v.local : v.unedited;
            if (entry) {
                format.append(*entry);
            }
            return false;
        }
        case Outcome::Remote:
            if (v.remote) {
                format.append(*v.remote);
            }
            return v.remote.has_value();
        case Outcome::Merged:
            format.appendEdited(*item.merged);
            return true;
        case Outcome::Both:
            if (item.made.empty()) {
                ConflictPair pair = conflictPairOf(v, merger);
                item.conflictTitle = pair.conflictTitle;
                item.inertCopy = pair.inert;
                item.renamedFields = pair.renamedFields;
                format.appendEdited(std::move(pair.text1));
                format.appendEdited(std::move(pair.text2));
                return true;
            }
            break;  // the pair as the dialog showed it
        case Outcome::Edited:
            break;
        case Outcome::Drop:
            return false;
    }
    for (const std::string& entry : item.made) {
        format.appendEdited(entry);
    }
    return item.outcome == Outcome::Both || item.madeKeepsRemote;
}

}  // namespace

MergePlan makePlan(const VisitingList& titles, TiddlerMerger& merger, bool hasUnedited, bool mergeInside) {
    MergePlan plan;
    for (std::size_t n = 0; n < titles.size(); ++n) {
        const Visit v = titles.visit(n);
        if (v.passesSilently()) {
            continue;  // equal on both sides; session state and the core stay as they are
        }
        PlanItem item = itemOf(v, n, hasUnedited);
        const Settlement s = settleByRule(item, ConflictRule::Both);
        item.difference = s.reported;
        item.needsYou = s.conflict;
        item.planned = s.outcome;
        // Both sides changed a tiddler that each kept: its versions may merge into one.
        if (s.conflict && mergeInside && v.mergeCase == MergeCase::G && v.unedited) {
            item.merged = merger.mergeVersions(v, item.mergedBy);
            if (item.merged) {
                item.planned = Outcome::Merged;
                item.needsYou = false;
            }
        }
        item.outcome = item.planned;
        plan.items.push_back(std::move(item));
    }
    return plan;
}

bool assemble(MergePlan& plan, const VisitingList& titles, WikiPages& format, TiddlerMerger& merger,
              bool hasUnedited, std::size_t& remoteLost) {
    format.begin(titles);
    remoteLost = 0;
    std::size_t next = 0;
    for (std::size_t n = 0; n < titles.size(); ++n) {
        const Visit v = titles.visit(n);
        bool remoteKept = false;
        if (next < plan.items.size() && plan.items[next].visit == n) {
            remoteKept = appendOutcome(plan.items[next++], v, format, merger);
        } else {
            if (v.local) {
                format.append(*v.local);  // session state absent locally stays absent
            }
            merger.passedSilently(v);
        }
        const bool ownVersion =
            v.remote && !v.keepsLocal && !v.localIsRemote && !(hasUnedited && v.remoteIsUnedited);
        remoteLost += ownVersion && !remoteKept ? 1 : 0;
    }
    return format.finish();
}

ConflictPair conflictPairOf(const Visit& v, TiddlerMerger& merger) {
    const bool localKept = v.localSideKept();
    return merger.buildPair(v, localKept ? *v.local : *v.remote, localKept ? *v.remote : *v.local);
}

}  // namespace korvane
