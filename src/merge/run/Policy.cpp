#include "merge/run/Policy.h"

namespace korvane {
namespace {

bool localAbsent(MergeCase c) {
    return c == MergeCase::A || c == MergeCase::D || c == MergeCase::E;
}
bool remoteAbsent(MergeCase c) {
    return c == MergeCase::B || c == MergeCase::D || c == MergeCase::F;
}

Outcome conflictOutcome(const PlanItem& item, ConflictRule rule) {
    switch (rule) {
        case ConflictRule::Local:
            return Outcome::Local;
        case ConflictRule::Remote:
            return Outcome::Remote;
        case ConflictRule::Newer:
            return outcomeOf(item.recommended);
        case ConflictRule::Both:
            break;
    }
    // Both versions where both sides hold the tiddler.
    const MergeCase c = item.mergeCase;
    if (c == MergeCase::C || c == MergeCase::G) {
        return Outcome::Both;
    }
    // No conflict copy for a tiddler that one side lacks: the side that holds it keeps it, so that an
    // edit is never lost to a deletion.
    return localAbsent(c) ? Outcome::Remote : remoteAbsent(c) ? Outcome::Local : outcomeOf(item.recommended);
}

}  // namespace

Settlement settleByRule(const PlanItem& item, ConflictRule rule) {
    const MergeCase c = item.mergeCase;
    if (localAbsent(c) && remoteAbsent(c)) {
        return {Outcome::Drop, false, false};
    }
    if (item.localIsUnedited) {
        return {Outcome::Remote, false, true};
    }
    if (item.remoteIsUnedited) {
        return {Outcome::Local, false, true};
    }
    return {conflictOutcome(item, rule), true, true};
}

void settlePlan(MergePlan& plan, ConflictRule rule) {
    for (PlanItem& item : plan.items) {
        if (!item.decided && item.outcome != Outcome::Merged) {
            item.outcome = settleByRule(item, rule).outcome;
        }
    }
}

std::optional<ConflictRule> conflictRuleNamed(std::string_view name) {
    for (const ConflictRule rule :
         {ConflictRule::Both, ConflictRule::Local, ConflictRule::Remote, ConflictRule::Newer}) {
        if (ruleName(rule) == name) {
            return rule;
        }
    }
    return std::nullopt;
}

std::string_view ruleName(ConflictRule rule) {
    switch (rule) {
        case ConflictRule::Local:
            return "local";
        case ConflictRule::Remote:
            return "remote";
        case ConflictRule::Newer:
            return "newer";
        case ConflictRule::Both:
            break;
    }
    return "both";
}

std::string_view decisionName(Outcome outcome, MergeCase c) {
    switch (outcome) {
        case Outcome::Local:
            return localAbsent(c) ? "dropped" : "local";
        case Outcome::Remote:
            return remoteAbsent(c) ? "dropped" : "remote";
        case Outcome::Unedited:
            return "unedited";
        case Outcome::Merged:
            return "merged";
        case Outcome::Edited:
            return "edited";
        case Outcome::Drop:
            return "dropped";
        case Outcome::Both:
            break;
    }
    return "both";
}

}  // namespace korvane
