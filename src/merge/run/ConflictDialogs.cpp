// The conflict dialogs as a way through a merge: every item of the plan, but one merged inside, is put to
// the user in visiting order, with the versions its case offers and the run's recommendation, and the
// answer sets the item's outcome. How the question looks (buttons, boxes, bold, caption) is the
// dialog's own affair (src/ui/conflict).
#include "merge/run/ConflictDialogs.h"

#include <string>

#include "document/Text.h"
#include "merge/Messages.h"
#include "merge/run/Planning.h"
#include "merge/run/RunMessages.h"

namespace korvane {

ConflictDialogs::ConflictDialogs(MergeHost& host, FormatRun& format, bool hasUnedited)
    : m_host(host), m_format(format), m_hasUnedited(hasUnedited) {}

bool ConflictDialogs::keepEdits() {
    return m_host.ask(
        {QuestionKind::KeepEdits, std::string(msg::kKeepEdits), std::string(msg::kKeepEditsTitle)});
}

void ConflictDialogs::internalError() {
    m_host.showMessage(std::string(msg::kInternalError), MessageIcon::Critical, std::string(kAppTitle));
    m_host.endProgram();
}

void ConflictDialogs::takeBack(PlanItem& item, Outcome side, const std::string& text,
                               std::string_view stored) {
    std::optional<std::string> edited = m_format.fromBox(text, stored);
    if (!edited || !keepEdits()) {
        item.outcome = side;
    } else if (edited->empty()) {
        item.outcome = Outcome::Drop;
    } else {
        item.outcome = Outcome::Edited;
        item.made.push_back(std::move(*edited));
    }
}

void ConflictDialogs::takeBackPair(PlanItem& item, std::vector<std::string>& texts, ConflictPair& pair) {
    // One question for both texts; a text left blank drops its tiddler.
    std::optional<std::string> first = m_format.fromBox(texts[0], pair.text1);
    std::optional<std::string> second = m_format.fromBox(texts[1], pair.text2);
    const bool kept = (first || second) && keepEdits();
    item.outcome = kept ? Outcome::Edited : Outcome::Both;
    item.madeKeepsRemote = !kept;  // the pair as built holds the remote version
    for (auto [edit, built] : {std::pair{&first, &pair.text1}, std::pair{&second, &pair.text2}}) {
        std::string entry = kept && *edit ? std::move(**edit) : std::move(*built);
        if (!entry.empty()) {
            item.made.push_back(std::move(entry));
        }
    }
}

// What each version offered to the user keeps, by case. The unedited version is not offered where it is
// one side's own (SameAs), in the rows that name that side.
struct CaseChoices {
    MergeCase mergeCase;
    SameAs same;  // the row of the case with SameAs::No serves when no row names the visit's own
    Choosing local, unedited, remote, both;
};

namespace {

using Same = SameAs;
using enum Choosing;
// clang-format off
const CaseChoices kCases[] = {
    {MergeCase::A, Same::No,     Nothing,    NotOffered, Edited,  NotOffered},
    {MergeCase::B, Same::No,     Edited,     NotOffered, Nothing, NotOffered},
    {MergeCase::C, Same::No,     Edited,     NotOffered, Edited,  Edited},
    {MergeCase::D, Same::No,     NotOffered, Edited,     Nothing, NotOffered},
    {MergeCase::E, Same::No,     Nothing,    Edited,     Edited,  NotOffered},
    {MergeCase::E, Same::Remote, Nothing,    NotOffered, Edited,  NotOffered},
    {MergeCase::F, Same::No,     Stored,     Stored,     Nothing, NotOffered},
    {MergeCase::G, Same::No,     Stored,     Stored,     Stored,  Stored},
    {MergeCase::G, Same::Local,  Stored,     NotOffered, Stored,  Stored},
    {MergeCase::G, Same::Remote, Stored,     NotOffered, Stored,  Stored},
};
// clang-format on

std::optional<std::string_view> versionOf(const Visit& v, Outcome side) {
    return side == Outcome::Local ? v.local : side == Outcome::Remote ? v.remote : v.unedited;
}

}  // namespace

ConflictQuestion ConflictDialogs::buildQuestion(const Visit& v, const CaseChoices& row,
                                                const ConflictPair& pair, std::size_t n,
                                                std::size_t m) const {
    ConflictQuestion q;
    q.title = std::string(v.title);
    q.item = n;
    q.items = m;
    q.mergeCase = v.mergeCase;
    q.localIsUnedited = m_hasUnedited && v.localIsUnedited;
    q.remoteIsUnedited = m_hasUnedited && v.remoteIsUnedited;
    // A plugin's text is a summary, not the plugin: an edit of it is never taken back.
    const auto offered = [&v](Choosing c) { return v.plugin && c == Edited ? Stored : c; };
    q.local = offered(row.local), q.remote = offered(row.remote), q.unedited = offered(row.unedited);
    q.both = offered(row.both);
    q.recommended = outcomeOf(v.recommended());
    for (auto [side, text] :
         {std::pair{Outcome::Local, &q.localText}, std::pair{Outcome::Remote, &q.remoteText},
          std::pair{Outcome::Unedited, &q.uneditedText}}) {
        const std::optional<std::string_view> version = versionOf(v, side);
        if (version && q.choosing(side) != NotOffered) {
            *text = m_format.boxText(v, *version);
        }
    }
    if (q.both != NotOffered) {
        if (!pair.text1.empty()) {
            q.keptText = m_format.boxText(v, pair.text1);
            q.copyText = m_format.boxText(v, pair.text2);
        }
        q.conflictTitle = pair.conflictTitle;
    }
    m_format.describeBoxes(v, pair, q);
    return q;
}

void ConflictDialogs::applyChoice(PlanItem& item, const Visit& v, Outcome chosen, Choosing choosing,
                                  std::vector<std::string>& texts, ConflictPair& pair) {
    item.decided = true;
    if (choosing == Nothing) {
        item.outcome = Outcome::Drop;
    } else if (chosen == Outcome::Both && choosing == Edited) {
        takeBackPair(item, texts, pair);
    } else if (chosen == Outcome::Both) {
        item.outcome = Outcome::Both;
        item.made = {std::move(pair.text1), std::move(pair.text2)};
    } else if (choosing == Edited) {
        takeBack(item, chosen, texts[0], *versionOf(v, chosen));
    } else {
        item.outcome = chosen;
    }
    if (item.outcome == Outcome::Both) {
        item.conflictTitle = pair.conflictTitle;
        item.inertCopy = pair.inert;
        item.renamedFields = pair.renamedFields;
    }
}

bool ConflictDialogs::askPerson(PlanItem& item, const Visit& v, std::size_t n, std::size_t m) {
    const CaseChoices* row = caseRow(kCases, v.mergeCase, sameAs(v.localIsUnedited, v.remoteIsUnedited));
    if (row == nullptr) {
        internalError();
        return false;
    }
    ConflictPair pair;
    if (row->both != NotOffered) {
        pair = conflictPairOf(v, m_format);
    }
    const ConflictQuestion question = buildQuestion(v, *row, pair, n, m);
    ConflictSettlement answer = m_host.settleConflict(question);
    if (!answer.chosen) {
        // The dialog was closed without a choice: the user abandons the whole merge.
        m_host.endProgram();
        return false;
    }
    Choosing choosing = question.choosing(*answer.chosen);
    if (choosing == NotOffered) {
        // A version that was not offered: its text may be a placeholder or a version that does not take
        // part, which must never become a tiddler. Nothing has been written yet.
        internalError();
        return false;
    }
    if (choosing == Edited && answer.texts.size() < (*answer.chosen == Outcome::Both ? 2U : 1U)) {
        choosing = Stored;  // the host left the version as it was shown
    }
    applyChoice(item, v, *answer.chosen, choosing, answer.texts, pair);
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
