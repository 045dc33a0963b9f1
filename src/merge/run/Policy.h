// The rules that settle a tiddler without a person: the three-way rule, and a rule chosen in advance for
// the conflicts that it leaves. The plan's default outcomes are these rules with `both`.
#pragma once

#include <optional>
#include <string_view>

#include "merge/model/Plan.h"

namespace korvane {

// How a conflict is settled: keep both versions (the conflict copy), one side, or the side that the
// conflict dialog recommends.
enum class ConflictRule { Both, Local, Remote, Newer };

struct Settlement {
    Outcome outcome;
    bool conflict;  // settled by the conflict rule, not by the three-way rule
    bool reported;  // false when local and remote agree (both deleted): nothing to say about it
};

// Equal local and remote pass; a side that still holds the unedited version takes the other side (its
// edit, addition or deletion); everything else is a conflict, settled by `rule`. Reads only where the
// item stands (its case, which side is unedited, the recommended side).
Settlement settleByRule(const PlanItem& item, ConflictRule rule);
// Sets every undecided item's outcome: a tiddler merged inside stays merged, the rest by settleByRule.
void settlePlan(MergePlan& plan, ConflictRule rule);

std::optional<ConflictRule> conflictRuleNamed(std::string_view name);
std::string_view ruleName(ConflictRule rule);
// What stays of a tiddler in words: "local", "remote", "unedited", "both", "dropped", "merged", "edited"
// (a side's version where that side lacks the tiddler: "dropped").
std::string_view decisionName(Outcome outcome, MergeCase mergeCase);

}  // namespace korvane
