#include "merge/run/Review.h"

#include <algorithm>
#include <tuple>

#include "document/Secret.h"
#include "document/Tw5Store.h"
#include "merge/Messages.h"
#include "merge/run/Ancestry.h"
#include "merge/run/Planning.h"

namespace korvane {

const char* outcomeName(Outcome o) {
    switch (o) {
        case Outcome::Local:
            return "Yours";
        case Outcome::Remote:
            return "Friend's";
        case Outcome::Unedited:
            return "Unedited";
        case Outcome::Merged:
            return "Merged";
        case Outcome::Both:
            return "Both";
        case Outcome::Drop:
            return "Drop";
        case Outcome::Edited:
            break;
    }
    return "Edited";
}

const char* outcomeName(const PlanItem& item) {
    return deletes(item) ? "Deleted" : outcomeName(item.outcome);
}

const char* changeName(SideChange c) {
    switch (c) {
        case SideChange::Unchanged:
            return "unchanged";
        case SideChange::Edited:
            return "edited";
        case SideChange::Added:
            return "added";
        case SideChange::Deleted:
            return "deleted";
        case SideChange::Absent:
            return "not in this copy";
        case SideChange::Holds:
            return "has it";
        case SideChange::Lacks:
            break;
    }
    return "lacks it";
}

bool localIsNewer(const PlanItem& item) {
    return fullStamp(item.localStamp) > fullStamp(item.remoteStamp);
}

bool deletes(const PlanItem& item) {
    return (item.outcome == Outcome::Local && item.local == SideChange::Deleted) ||
           (item.outcome == Outcome::Remote && item.remote == SideChange::Deleted);
}

bool toCheck(const PlanItem& item) {
    return !item.decided && item.outcome == Outcome::Merged && (item.mergedBy.words || item.mergedBy.list);
}

Review::Review(MergeRun& run, MergePlan& plan, const VisitingList& titles)
    : m_run(run), m_plan(plan), m_titles(titles) {
    std::erase_if(m_plan.items, [](const PlanItem& i) { return !i.difference; });
}

std::size_t Review::toCheck() const {
    return static_cast<std::size_t>(std::count_if(m_plan.items.begin(), m_plan.items.end(),
                                                  [](const PlanItem& i) { return korvane::toCheck(i); }));
}

std::string Review::countsText() const {
    const std::size_t need = needingYou(), check = toCheck();
    return msg::countText(m_plan.items.size()) +
           (m_plan.items.size() == 1 ? " difference: " : " differences: ") +
           msg::countText(m_plan.items.size() - need) + " settled, " + msg::countText(need) +
           (need == 1 ? " needs you" : " need you") +
           (check > 0 ? ", " + msg::countText(check) + " to check" : std::string());
}

std::string Review::saveText(bool threeFiles) const {
    // By outcome, and a side's deletion taken counted apart from its versions taken.
    std::size_t n[7] = {}, deleted[7] = {};
    for (const PlanItem& i : m_plan.items) {
        ++(deletes(i) ? deleted : n)[static_cast<std::size_t>(i.outcome)];
    }
    const std::tuple<Outcome, const std::size_t*, const char*> parts[] = {
        {Outcome::Remote, n, " from the friend"},
        {Outcome::Remote, deleted, " deleted as your friend did"},
        {Outcome::Local, n, " of yours"},
        {Outcome::Local, deleted, " deleted as you did"},
        {Outcome::Merged, n, " merged"},
        {Outcome::Edited, n, " edited"},
        {Outcome::Both, n, " kept both"},
        {Outcome::Unedited, n, " unedited"},
        {Outcome::Drop, n, " dropped"}};
    std::string text = threeFiles ? "Saves all three files:" : "Saves the merged wiki:";
    const char* comma = " ";
    for (const auto& [o, counts, words] : parts) {
        if (const std::size_t count = counts[static_cast<std::size_t>(o)]) {
            text += comma + msg::countText(count) + words;
            comma = ", ";
        }
    }
    return text + (m_plan.items.empty() ? " nothing differs" : "");
}

bool Review::allows(std::size_t i, Outcome o) const {
    const PlanItem& item = m_plan.items[i];
    switch (o) {
        case Outcome::Unedited:
            return holds(i, Side::Unedited);
        case Outcome::Merged:
            return item.merged.has_value();
        case Outcome::Both:
            return item.copyAllowed;
        case Outcome::Edited:
            return false;  // only through edit()
        default:
            return true;
    }
}

bool Review::choose(std::size_t i, Outcome o) {
    if (!allows(i, o)) {
        return false;
    }
    m_plan.items[i].outcome = o;
    m_plan.items[i].decided = true;
    return true;
}

bool Review::fieldForm(std::size_t i) const {
    ConflictQuestion r;
    m_run.formatRun().describeBoxes(visitOf(i), ConflictPair{}, r);
    return r.fieldForm;
}

std::vector<Review::FieldRow> Review::changedFields(std::size_t i) const {
    std::vector<FieldRow> rows;
    if (!fieldForm(i) || m_plan.items[i].plugin) {
        return rows;  // a plugin's panes hold its summary, not its fields
    }
    // The panes' texts read back as the dialog reads an edited box; the text is shown in the panes.
    const Side panes[3] = {Side::Local, Side::Unedited, Side::Remote};
    Fields versions[3];
    for (int k = 0; k < 3; ++k) {
        if (holds(i, panes[k])) {
            (void)fromTidText(paneText(i, panes[k]), versions[k]);
        }
    }
    for (const Fields& version : versions) {
        for (const Field& field : version) {
            const std::string& name = field.name;
            if (name == "text" || std::any_of(rows.begin(), rows.end(),
                                              [&name](const FieldRow& r) { return r.name == name; })) {
                continue;
            }
            FieldRow row{name, {}, {}, {}};
            std::string* values[3] = {&row.yours, &row.unedited, &row.friends};
            for (int k = 0; k < 3; ++k) {
                if (const std::string* value = fieldValue(versions[k], name)) {
                    *values[k] = *value;
                }
            }
            if (row.yours != row.friends || (holds(i, Side::Unedited) && row.yours != row.unedited)) {
                rows.push_back(std::move(row));
            }
        }
    }
    return rows;
}

bool Review::holds(std::size_t i, Side pane) const {
    const Visit v = visitOf(i);
    return (pane == Side::Local ? v.local : pane == Side::Remote ? v.remote : v.unedited).has_value();
}

Review::Shown& Review::shown(std::size_t i) const {
    if (!m_shown || m_shown->item != i) {
        forgetShown();
        m_shown.emplace(Shown{i, m_titles.visit(m_plan.items[i].visit), {}});
    }
    return *m_shown;
}

void Review::forgetShown() const {
    if (m_shown) {
        for (std::optional<std::string>& text : m_shown->panes) {
            if (text) {
                wipeText(*text);
            }
        }
        m_shown.reset();
    }
}

std::string Review::paneText(std::size_t i, Side pane) const {
    Shown& item = shown(i);
    std::optional<std::string>& text = item.panes[static_cast<std::size_t>(pane)];
    if (!text) {
        const Visit& v = item.visit;
        const std::optional<std::string_view> entry = pane == Side::Local    ? v.local
                                                      : pane == Side::Remote ? v.remote
                                                                             : v.unedited;
        text = entry ? m_run.formatRun().boxText(v, *entry) : std::string();
    }
    return *text;
}

std::optional<std::string_view> Review::entryOf(std::size_t i) const {
    const PlanItem& item = m_plan.items[i];
    const Visit v = visitOf(i);
    switch (item.outcome) {
        case Outcome::Local:
            return v.local;
        case Outcome::Remote:
            return v.remote;
        case Outcome::Unedited:
            return v.unedited;
        case Outcome::Merged:
            return item.merged ? std::optional<std::string_view>(*item.merged) : std::nullopt;
        case Outcome::Edited:
            return item.made.empty() ? std::nullopt : std::optional<std::string_view>(item.made.front());
        case Outcome::Both:
        case Outcome::Drop:
            break;
    }
    return std::nullopt;
}

std::string Review::resultText(std::size_t i, std::string* kept) const {
    const Visit v = visitOf(i);
    if (m_plan.items[i].outcome == Outcome::Both) {
        // The two tiddlers the conflict copy makes, as "Backup and link conflicts" makes them.
        const ConflictPair pair = conflictPairOf(v, m_run.formatRun());
        if (kept != nullptr && pair.inert) {
            const bool yours = v.localSideKept();
            *kept = msg::inertCopyText(yours ? "yours" : "the friend's", yours ? "the friend's" : "yours",
                                       pair.conflictTitle, pair.renamedFields);
        }
        return m_run.formatRun().boxText(v, pair.text1) + "\n\n" + m_run.formatRun().boxText(v, pair.text2);
    }
    const std::optional<std::string_view> entry = entryOf(i);
    return entry ? m_run.formatRun().boxText(v, *entry) : std::string();
}

std::optional<std::string> Review::edit(std::size_t i, const std::string& boxText) {
    PlanItem& item = m_plan.items[i];
    const Visit v = visitOf(i);
    if (item.plugin) {
        return std::string("A plugin is shown as a summary and cannot be edited here.");
    }
    // The same check as the conflict dialog's: a text that does not read as one tiddler of this title
    // is refused with the reason.
    ConflictQuestion r;
    m_run.formatRun().describeBoxes(v, ConflictPair{}, r);
    if (r.checkText && !boxText.empty()) {
        if (std::string refusal = r.checkText(boxText); !refusal.empty()) {
            return refusal;
        }
    }
    const std::optional<std::string_view> shown = entryOf(i);
    const std::string stored(shown.value_or(v.local ? *v.local : v.remote.value_or(std::string_view())));
    std::optional<std::string> entry = m_run.formatRun().fromBox(boxText, stored);
    if (!entry) {
        if (!shown && !boxText.empty()) {
            return std::string("The text could not be read as a tiddler.");
        }
        return std::nullopt;  // the text stands for the version already chosen
    }
    item.decided = true;
    if (entry->empty()) {
        item.outcome = Outcome::Drop;
        return std::nullopt;
    }
    item.made = {std::move(*entry)};
    item.outcome = Outcome::Edited;
    return std::nullopt;
}

}  // namespace korvane
