// The decisions of a merge with no person present: the classic three-way rule, and a rule chosen in
// advance for the conflicts that it leaves.
#pragma once

#include <optional>
#include <string_view>

#include "merge/MergeHost.h"

namespace korvane {

// How a conflict is settled: keep both versions (the conflict copy), one side, or the side that the
// conflict dialog recommends.
enum class ConflictRule { Both, Local, Remote, Newer };

// What stays of a tiddler, as the headless companion reports it (Merged: one version merged inside the
// tiddler from both sides' changes).
enum class Decision { Local, Remote, Unedited, Both, Dropped, Merged };

struct Settlement {
    DialogButton button;  // the button a person would have pressed
    Decision decision;
    bool conflict;  // settled by the conflict rule, not by the three-way rule
    bool reported;  // false when local and remote agree (both deleted): nothing to say about it
};

// Equal local and remote pass; a side that still holds the unedited version takes the other side
// (its edit, addition or deletion); everything else is a conflict, settled by `rule`. Reads only the
// request, so that it agrees with the engine on which versions are the same tiddler.
Settlement settleByRule(const ConflictRequest& request, ConflictRule rule);

std::optional<ConflictRule> conflictRuleNamed(std::string_view name);
std::string_view ruleName(ConflictRule rule);
std::string_view decisionName(Decision decision);

}  // namespace korvane
