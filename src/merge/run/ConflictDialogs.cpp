// The conflict dialogs as a way through a merge: every item of the plan, but one merged inside, is put to
// the user in visiting order, in the dialog of its case with the dialog's own recommendation, and the
// answer sets the item's outcome.
#include "merge/run/ConflictDialogs.h"

#include <string>

#include "document/Text.h"
#include "merge/Messages.h"
#include "merge/run/Planning.h"

namespace korvane {

ConflictDialogs::ConflictDialogs(MergeHost& host, FormatRun& format, bool hasUnedited)
    : m_host(host), m_format(format), m_hasUnedited(hasUnedited) {}

bool ConflictDialogs::keepEdits() {
    return m_host.ask(
        {QuestionKind::KeepEdits, std::string(msg::kKeepEdits), std::string(msg::kKeepEditsTitle)});
}

void ConflictDialogs::takeBack(PlanItem& item, Outcome side, const std::string& boxText,
                               std::string_view stored) {
    std::optional<std::string> edited = m_format.fromBox(boxText, stored);
    if (!edited || !keepEdits()) {
        item.outcome = side;
    } else if (edited->empty()) {
        item.outcome = Outcome::Drop;
    } else {
        item.outcome = Outcome::Edited;
        item.made.push_back(std::move(*edited));
    }
}

namespace {
using B = DialogButton;
using X = DialogBox;
}  // namespace

// Everything that one case shows and does. The buttons' versions: Local the local entry, Original
// the unedited entry, Server the remote entry, Backup the conflict pair.
struct CaseRow {
    // What pressing a button keeps of the tiddler.
    enum class Keeps : char {
        Nothing,        // the tiddler is dropped
        Stored,         // the button's version as stored; an edit in its box has no effect
        TakenBack,      // the button's box, against its stored version (asking before an edit is kept)
        Pair,           // the conflict pair as built
        PairTakenBack,  // the two conflict boxes, against the pair as built, with one question for both
    };
    // Whether the unedited entry is one side's own entry; the original box then says so instead.
    enum class Same : char { No, Local, Remote };

    MergeCase mergeCase;
    Same same;          // the row of the case with Same::No serves when no row names the visit's own
    std::set<X> shown;  // boxes that show their version (the conflict boxes: the pair)
    std::set<B> disabled;
    std::set<X> aside;
    Keeps keeps[4];  // by button, in the order Local, Original, Server, Backup
};

namespace {

using Keeps = CaseRow::Keeps;
using Same = CaseRow::Same;
using enum CaseRow::Keeps;
// clang-format off
const CaseRow kCases[] = {
    {MergeCase::A, Same::No, {X::Server}, {B::Original, B::Backup},
     {X::Local, X::Original, X::Conflict1, X::Conflict2}, {Nothing, Nothing, TakenBack, Nothing}},
    {MergeCase::B, Same::No, {X::Local}, {B::Original, B::Backup},
     {X::Server, X::Original, X::Conflict1, X::Conflict2}, {TakenBack, Nothing, Nothing, Nothing}},
    {MergeCase::C, Same::No, {X::Local, X::Server, X::Conflict1, X::Conflict2}, {B::Original},
     {X::Original}, {TakenBack, Nothing, TakenBack, PairTakenBack}},
    {MergeCase::D, Same::No, {X::Original}, {B::Local, B::Backup},
     {X::Local, X::Server, X::Conflict1, X::Conflict2}, {Nothing, TakenBack, Nothing, Nothing}},
    {MergeCase::E, Same::No, {X::Server, X::Original}, {B::Backup},
     {X::Conflict1, X::Conflict2}, {Nothing, TakenBack, TakenBack, Nothing}},
    {MergeCase::E, Same::Remote, {X::Server, X::Original}, {B::Backup, B::Original},
     {X::Conflict1, X::Conflict2, X::Original}, {Nothing, Nothing, TakenBack, Nothing}},
    {MergeCase::F, Same::No, {X::Local, X::Original}, {B::Backup},
     {X::Conflict1, X::Conflict2}, {Stored, Stored, Nothing, Nothing}},
    {MergeCase::G, Same::No, {X::Local, X::Server, X::Original, X::Conflict1, X::Conflict2}, {},
     {}, {Stored, Stored, Stored, Pair}},
    {MergeCase::G, Same::Local, {X::Local, X::Server, X::Original, X::Conflict1, X::Conflict2}, {B::Original},
     {X::Original}, {Stored, Nothing, Stored, Pair}},
    {MergeCase::G, Same::Remote, {X::Local, X::Server, X::Original, X::Conflict1, X::Conflict2}, {B::Original},
     {X::Original}, {Stored, Nothing, Stored, Pair}},
};
// clang-format on

// The row for a visit; none for a title that no case describes.
const CaseRow* rowFor(const Visit& v) {
    const Same same = v.localIsUnedited ? Same::Local : v.remoteIsUnedited ? Same::Remote : Same::No;
    const CaseRow* fallback = nullptr;
    for (const CaseRow& row : kCases) {
        if (row.mergeCase == v.mergeCase && row.same == same) {
            return &row;
        }
        if (row.mergeCase == v.mergeCase && row.same == Same::No) {
            fallback = &row;
        }
    }
    return fallback;
}

Keeps keepsOf(const CaseRow& row, B button) {
    return row.keeps[static_cast<std::size_t>(button)];
}

// The box and the stored version that a button stands for (the conflict boxes for Backup).
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

std::optional<std::string_view> versionOf(const Visit& v, B button) {
    return button == B::Local ? v.local : button == B::Server ? v.remote : v.unedited;
}

Outcome outcomeOf(B button) {
    return button == B::Local ? Outcome::Local : button == B::Server ? Outcome::Remote : Outcome::Unedited;
}

B buttonOf(Side side) {
    return side == Side::Local ? B::Local : side == Side::Remote ? B::Server : B::Original;
}

}  // namespace

ConflictRequest ConflictDialogs::buildRequest(const Visit& v, const CaseRow& row, const ConflictPair& pair,
                                              std::size_t n, std::size_t m) const {
    ConflictRequest r;
    r.caption = msg::mergingItem(n, m);
    r.boldButton = buttonOf(v.recommended());
    r.disabledButtons = row.disabled;
    r.setAsideBoxes = row.aside;
    r.title = std::string(v.title);
    r.item = n;
    r.mergeCase = v.mergeCase;
    r.localIsUnedited = m_hasUnedited && v.localIsUnedited;
    r.remoteIsUnedited = m_hasUnedited && v.remoteIsUnedited;
    r.conflictTitle = pair.conflictTitle;
    r.inertCopy = pair.inert;
    r.renamedFields = pair.renamedFields;
    for (const B b : {B::Local, B::Original, B::Server}) {
        if (row.shown.contains(boxOf(b))) {
            const std::optional<std::string_view> version = versionOf(v, b);
            r.texts.of(boxOf(b)) = version ? m_format.boxText(v, *version) : std::string();
        }
    }
    if (row.same != Same::No) {
        r.texts.strOriginal = row.same == Same::Local ? msg::kSameAsLocal : msg::kSameAsRemote;
    }
    if (row.shown.contains(X::Conflict1) && !pair.text1.empty()) {
        r.texts.strConflict1 = m_format.boxText(v, pair.text1);
        r.texts.strConflict2 = m_format.boxText(v, pair.text2);
    }
    m_format.describeBoxes(v, pair, r);
    // A disabled button keeps nothing, so the boxes taken back are those of the buttons offered; a
    // plugin's summary is never taken back.
    for (const B b : kDialogButtons) {
        const Keeps keeps = keepsOf(row, b);
        if (v.plugin || !r.isEnabled(b)) {
            continue;
        }
        if (keeps == TakenBack) {
            r.takenBackBoxes.insert(boxOf(b));
        } else if (keeps == PairTakenBack) {
            r.takenBackBoxes.insert({X::Conflict1, X::Conflict2});
        }
    }
    return r;
}

void ConflictDialogs::applyChoice(PlanItem& item, const Visit& v, const CaseRow& row, B button,
                                  ConflictTexts& box, ConflictPair& pair) {
    Keeps keeps = keepsOf(row, button);
    if (v.plugin && (keeps == TakenBack || keeps == PairTakenBack)) {
        keeps = keeps == TakenBack ? Stored : Pair;  // a plugin's box shows a summary, not the plugin
    }
    item.decided = true;
    switch (keeps) {
        case Nothing:
            item.outcome = Outcome::Drop;
            break;
        case Stored:
            item.outcome = outcomeOf(button);
            break;
        case TakenBack:
            takeBack(item, outcomeOf(button), box.of(boxOf(button)), *versionOf(v, button));
            break;
        case PairTakenBack: {
            // One question for both boxes; a box left blank drops its tiddler.
            std::optional<std::string> first = m_format.fromBox(box.strConflict1, pair.text1);
            std::optional<std::string> second = m_format.fromBox(box.strConflict2, pair.text2);
            const bool kept = (first || second) && keepEdits();
            item.outcome = kept ? Outcome::Edited : Outcome::Both;
            item.madeKeepsRemote = !kept;  // the pair as built holds the remote version
            for (auto [edit, built] : {std::pair{&first, &pair.text1}, std::pair{&second, &pair.text2}}) {
                std::string entry = kept && *edit ? std::move(**edit) : std::move(*built);
                if (!entry.empty()) {
                    item.made.push_back(std::move(entry));
                }
            }
            break;
        }
        case Pair:
            item.outcome = Outcome::Both;
            item.made = {std::move(pair.text1), std::move(pair.text2)};
            break;
    }
    if (item.outcome == Outcome::Both) {
        item.conflictTitle = pair.conflictTitle;
        item.inertCopy = pair.inert;
        item.renamedFields = pair.renamedFields;
    }
}

bool ConflictDialogs::askPerson(PlanItem& item, const Visit& v, std::size_t n, std::size_t m) {
    const CaseRow* row = rowFor(v);
    if (row == nullptr) {
        m_host.showMessage(std::string(msg::kInternalError), MessageIcon::Critical, std::string(kAppTitle));
        m_host.endProgram();
        return false;
    }
    ConflictPair pair;
    if (row->shown.contains(X::Conflict1)) {
        pair = conflictPairOf(v, m_format);
    }
    const ConflictRequest request = buildRequest(v, *row, pair, n, m);
    ConflictAnswer answer = m_host.settleConflict(request);
    if (!answer.choice) {
        // The dialog was closed without a choice: the user abandons the whole merge.
        m_host.endProgram();
        return false;
    }
    if (!request.isEnabled(*answer.choice)) {
        // A button that was not offered: its box may hold a placeholder or a version that does not
        // take part, which must never become a tiddler. Nothing has been written yet.
        m_host.showMessage(std::string(msg::kInternalError), MessageIcon::Critical, std::string(kAppTitle));
        m_host.endProgram();
        return false;
    }
    applyChoice(item, v, *row, *answer.choice, answer.texts, pair);
    return true;
}

bool ConflictDialogs::askEach(MergePlan& plan, const VisitingList& titles) {
    const std::size_t m = titles.size();
    for (PlanItem& item : plan.items) {
        if (item.outcome == Outcome::Merged) {
            m_host.mergedInside(std::string(item.title), item.visit + 1);
        } else if (!askPerson(item, titles.visit(item.visit), item.visit + 1, m)) {
            return false;
        }
    }
    return true;
}

}  // namespace korvane
