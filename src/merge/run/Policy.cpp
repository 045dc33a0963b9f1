#include "merge/run/Policy.h"

namespace korvane {
namespace {

bool localAbsent(MergeCase c) {
    return c == MergeCase::A || c == MergeCase::D || c == MergeCase::E;
}
bool remoteAbsent(MergeCase c) {
    return c == MergeCase::B || c == MergeCase::D || c == MergeCase::F;
}

// What a button keeps in a case: a side's button keeps nothing where that side lacks the tiddler.
Decision decisionOf(DialogButton button, MergeCase c) {
    switch (button) {
        case DialogButton::Local:
            return localAbsent(c) ? Decision::Dropped : Decision::Local;
        case DialogButton::Server:
            return remoteAbsent(c) ? Decision::Dropped : Decision::Remote;
        case DialogButton::Original:
            return Decision::Unedited;
        case DialogButton::Backup:
            break;
    }
    return Decision::Both;
}

DialogButton conflictButton(const ConflictRequest& r, ConflictRule rule) {
    const DialogButton recommended = r.boldButton.value_or(DialogButton::Local);
    switch (rule) {
        case ConflictRule::Local:
            return DialogButton::Local;
        case ConflictRule::Remote:
            return DialogButton::Server;
        case ConflictRule::Newer:
            return recommended;
        case ConflictRule::Both:
            break;
    }
    // Both versions where both sides hold the tiddler.
    if (r.mergeCase == MergeCase::C || r.mergeCase == MergeCase::G) {
        return DialogButton::Backup;
    }
    // No conflict copy for a tiddler that one side lacks: the side that holds it keeps it, so that an
    // edit is never lost to a deletion.
    return localAbsent(r.mergeCase)    ? DialogButton::Server
           : remoteAbsent(r.mergeCase) ? DialogButton::Local
                                       : recommended;
}

}  // namespace

Settlement settleByRule(const ConflictRequest& r, ConflictRule rule) {
    const MergeCase c = r.mergeCase;
    if (localAbsent(c) && remoteAbsent(c)) {
        return {DialogButton::Server, Decision::Dropped, false, false};
    }
    DialogButton button;
    bool conflict = false;
    if (r.localIsUnedited) {
        button = DialogButton::Server;
    } else if (r.remoteIsUnedited) {
        button = DialogButton::Local;
    } else {
        button = conflictButton(r, rule);
        conflict = true;
    }
    return {button, decisionOf(button, c), conflict, true};
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

std::string_view decisionName(Decision decision) {
    switch (decision) {
        case Decision::Local:
            return "local";
        case Decision::Remote:
            return "remote";
        case Decision::Unedited:
            return "unedited";
        case Decision::Dropped:
            return "dropped";
        case Decision::Merged:
            return "merged";
        case Decision::Both:
            break;
    }
    return "both";
}

}  // namespace korvane
