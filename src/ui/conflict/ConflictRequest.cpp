// The conflict dialog's request from the run's question, and the run's answer from the pressed button.
// The buttons' versions: Local the local version, Original the unedited one, Server the remote one,
// Backup both (the conflict pair).
#include "ui/conflict/ConflictRequest.h"

#include <string_view>
#include <utility>

namespace korvane {

namespace {

using B = DialogButton;
using X = DialogBox;

constexpr std::string_view kSameAsLocal = "[Same as local.]";
constexpr std::string_view kSameAsRemote = "[Same as remote.]";

using Same = SameAs;

// The boxes each case sets aside. The row of the case with Same::No serves when no row names the
// question's own; where the unedited version is one side's own, the original box says so instead.
struct CaseBoxes {
    MergeCase mergeCase;
    Same same;
    std::set<X> aside;
};

// clang-format off
const CaseBoxes kCases[] = {
    {MergeCase::A, Same::No, {X::Local, X::Original, X::Conflict1, X::Conflict2}},
    {MergeCase::B, Same::No, {X::Server, X::Original, X::Conflict1, X::Conflict2}},
    {MergeCase::C, Same::No, {X::Original}},
    {MergeCase::D, Same::No, {X::Local, X::Server, X::Conflict1, X::Conflict2}},
    {MergeCase::E, Same::No, {X::Conflict1, X::Conflict2}},
    {MergeCase::E, Same::Remote, {X::Conflict1, X::Conflict2, X::Original}},
    {MergeCase::F, Same::No, {X::Conflict1, X::Conflict2}},
    {MergeCase::G, Same::No, {}},
    {MergeCase::G, Same::Local, {X::Original}},
    {MergeCase::G, Same::Remote, {X::Original}},
};
// clang-format on

Outcome outcomeOf(B button) {
    switch (button) {
        case B::Local:
            return Outcome::Local;
        case B::Original:
            return Outcome::Unedited;
        case B::Server:
            return Outcome::Remote;
        case B::Backup:
            break;
    }
    return Outcome::Both;
}

B buttonOf(Outcome outcome) {
    return outcome == Outcome::Remote ? B::Server : outcome == Outcome::Unedited ? B::Original : B::Local;
}

// The box that a button takes back (the first conflict box for Backup).
X boxOf(B button) {
    switch (button) {
        case B::Local:
            return X::Local;
        case B::Original:
            return X::Original;
        case B::Server:
            return X::Server;
        case B::Backup:
            break;
    }
    return X::Conflict1;
}

}  // namespace

std::string mergingItem(std::size_t n, std::size_t m) {
    return "Merging item " + std::to_string(n) + " of " + std::to_string(m);
}

ConflictRequest conflictRequest(const ConflictQuestion& q) {
    ConflictRequest r;
    r.caption = mergingItem(q.item, q.items);
    r.texts = {q.localText.value_or(""), q.uneditedText.value_or(""), q.remoteText.value_or(""), q.keptText,
               q.copyText};
    r.boldButton = buttonOf(q.recommended);
    for (const B b : kDialogButtons) {
        const Choosing choosing = q.choosing(outcomeOf(b));
        if (choosing == Choosing::NotOffered) {
            r.disabledButtons.insert(b);
        } else if (choosing == Choosing::Edited && b == B::Backup) {
            r.takenBackBoxes.insert({X::Conflict1, X::Conflict2});
        } else if (choosing == Choosing::Edited) {
            r.takenBackBoxes.insert(boxOf(b));
        }
    }
    if (const CaseBoxes* row = caseRow(kCases, q.mergeCase, sameAs(q.localIsUnedited, q.remoteIsUnedited))) {
        r.setAsideBoxes = row->aside;
        if (row->same != Same::No) {
            r.texts.strOriginal = row->same == Same::Local ? kSameAsLocal : kSameAsRemote;
        }
    }
    r.checkBox = q.checkText;
    r.fieldForm = q.fieldForm;
    r.title = q.title;
    r.conflictTitle = q.conflictTitle;
    return r;
}

ConflictSettlement settlementOf(ConflictAnswer answer) {
    ConflictSettlement s;
    if (!answer.choice) {
        return s;
    }
    s.chosen = outcomeOf(*answer.choice);
    if (*answer.choice == B::Backup) {
        s.texts = {std::move(answer.texts.strConflict1), std::move(answer.texts.strConflict2)};
    } else {
        s.texts = {std::move(answer.texts.of(boxOf(*answer.choice)))};
    }
    return s;
}

ConflictSettlement askInDialog(const ConflictQuestion& question,
                               const std::function<ConflictAnswer(const ConflictRequest&)>& dialog) {
    return settlementOf(dialog(conflictRequest(question)));
}

}  // namespace korvane
