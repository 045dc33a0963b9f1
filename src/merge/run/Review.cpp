#include "merge/run/Review.h"

#include <algorithm>

#include "document/Tw5Store.h"
#include "merge/Messages.h"

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

// Stamps of any length compare as text once padded to TiddlyWiki 5's 17 digits.
std::string padded(std::string_view stamp) {
    std::string s(stamp);
    s.resize(17, '0');
    return s;
}

}  // namespace

const char* outcomeName(Outcome o) {
    switch (o) {
        case Outcome::Yours:
            return "Yours";
        case Outcome::Friends:
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

Review::Review(MergeRun& run) : m_run(run), m_titles(run.titles()) {
    // The format's operations that show a result (a conflict pair's titles) look at the run's titles;
    // apply() begins the merged store anew.
    run.m_format->begin(m_titles);
    const bool hasUnedited = run.hasUneditedDocument();
    for (std::size_t n = 0; n < m_titles.size(); ++n) {
        const Visit v = m_titles.visit(n);
        if (v.passesSilently()) {
            continue;  // equal on both sides, session state and the core stay as they are
        }
        ReviewItem item;
        item.visit = n;
        item.title = v.title;
        item.mergeCase = v.mergeCase;
        item.local = changeOf(v.local, v.localIsUnedited, hasUnedited, v.unedited.has_value());
        item.remote = changeOf(v.remote, v.remoteIsUnedited, hasUnedited, v.unedited.has_value());
        item.plugin = v.plugin;
        item.copyAllowed = v.local && v.remote;
        item.localStamp = v.localStamp;
        item.remoteStamp = v.remoteStamp;
        item.uneditedStamp = v.uneditedStamp;
        item.localNewer = padded(v.localStamp) > padded(v.remoteStamp);
        item.merged = run.mergedVersion(v);
        // One side only changed it: that side. Both: their merge, else both versions (the copy of an
        // active tiddler inert), else (one side deleted what the other edited) the side that keeps an edit.
        const bool localOnly = v.remoteIsUnedited && !v.localIsUnedited;
        const bool remoteOnly = v.localIsUnedited && !v.remoteIsUnedited;
        if (!v.local && !v.remote) {
            item.planned = Outcome::Drop;  // deleted on both sides stays deleted
        } else if (localOnly || remoteOnly) {
            item.planned = localOnly ? Outcome::Yours : Outcome::Friends;
        } else if (item.merged) {
            item.planned = Outcome::Merged;
        } else {
            item.needsYou = true;
            item.planned = item.copyAllowed ? Outcome::Both : !v.local ? Outcome::Friends : Outcome::Yours;
        }
        item.outcome = item.planned;
        m_items.push_back(std::move(item));
    }
}

std::size_t Review::needingYou() const {
    return static_cast<std::size_t>(std::count_if(
        m_items.begin(), m_items.end(), [](const ReviewItem& i) { return i.needsYou && !i.decided; }));
}

std::string Review::countsText() const {
    const std::size_t need = needingYou();
    return msg::countText(m_items.size()) + (m_items.size() == 1 ? " difference: " : " differences: ") +
           msg::countText(m_items.size() - need) + " settled, " + msg::countText(need) +
           (need == 1 ? " needs you" : " need you");
}

std::string Review::saveText(bool threeFiles) const {
    std::size_t n[7] = {};
    for (const ReviewItem& i : m_items) {
        ++n[static_cast<std::size_t>(i.outcome)];
    }
    const std::pair<Outcome, const char*> parts[] = {{Outcome::Friends, " from the friend"},
                                                     {Outcome::Yours, " of yours"},
                                                     {Outcome::Merged, " merged"},
                                                     {Outcome::Edited, " edited"},
                                                     {Outcome::Both, " kept both"},
                                                     {Outcome::Unedited, " unedited"},
                                                     {Outcome::Drop, " dropped"}};
    std::string text = threeFiles ? "Saves all three files:" : "Saves the merged wiki:";
    const char* comma = " ";
    for (const auto& [o, words] : parts) {
        if (const std::size_t count = n[static_cast<std::size_t>(o)]) {
            text += comma + msg::countText(count) + words;
            comma = ", ";
        }
    }
    return text + (m_items.empty() ? " nothing differs" : "");
}

bool Review::allows(std::size_t i, Outcome o) const {
    const ReviewItem& item = m_items[i];
    switch (o) {
        case Outcome::Unedited:
            return holds(i, Pane::Unedited);
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
    m_items[i].outcome = o;
    m_items[i].decided = true;
    return true;
}

bool Review::fieldForm(std::size_t i) const {
    ConflictRequest r;
    m_run.m_format->describeBoxes(visitOf(i), ConflictPair{}, r);
    return r.fieldForm;
}

std::vector<Review::FieldRow> Review::changedFields(std::size_t i) const {
    std::vector<FieldRow> rows;
    if (!fieldForm(i) || m_items[i].plugin) {
        return rows;  // a plugin's panes hold its summary, not its fields
    }
    // The panes' texts read back as the dialog reads an edited box; the text is shown in the panes.
    const Pane panes[3] = {Pane::Yours, Pane::Unedited, Pane::Friends};
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
            if (row.yours != row.friends || (holds(i, Pane::Unedited) && row.yours != row.unedited)) {
                rows.push_back(std::move(row));
            }
        }
    }
    return rows;
}

bool Review::holds(std::size_t i, Pane pane) const {
    const Visit v = visitOf(i);
    return (pane == Pane::Yours ? v.local : pane == Pane::Friends ? v.remote : v.unedited).has_value();
}

std::string Review::paneText(std::size_t i, Pane pane) const {
    const Visit v = visitOf(i);
    const std::optional<std::string_view> entry = pane == Pane::Yours     ? v.local
                                                  : pane == Pane::Friends ? v.remote
                                                                          : v.unedited;
    return entry ? m_run.m_format->boxText(v, *entry) : std::string();
}

std::optional<std::string_view> Review::entryOf(std::size_t i) const {
    const ReviewItem& item = m_items[i];
    const Visit v = visitOf(i);
    switch (item.outcome) {
        case Outcome::Yours:
            return v.local;
        case Outcome::Friends:
            return v.remote;
        case Outcome::Unedited:
            return v.unedited;
        case Outcome::Merged:
            return item.merged ? std::optional<std::string_view>(*item.merged) : std::nullopt;
        case Outcome::Edited:
            return item.edited;
        case Outcome::Both:
        case Outcome::Drop:
            break;
    }
    return std::nullopt;
}

std::string Review::resultText(std::size_t i, std::string* kept) const {
    const Visit v = visitOf(i);
    if (m_items[i].outcome == Outcome::Both) {
        // The two tiddlers the conflict copy makes, as "Backup and link conflicts" makes them.
        const ConflictPair pair = m_run.conflictPairOf(v);
        if (kept != nullptr && pair.inert) {
            const bool yours = v.localSideKept();
            *kept = msg::inertCopyText(yours ? "yours" : "the friend's", yours ? "the friend's" : "yours",
                                       pair.conflictTitle, pair.renamedFields);
        }
        return m_run.m_format->boxText(v, pair.text1) + "\n\n" + m_run.m_format->boxText(v, pair.text2);
    }
    const std::optional<std::string_view> entry = entryOf(i);
    return entry ? m_run.m_format->boxText(v, *entry) : std::string();
}

std::optional<std::string> Review::edit(std::size_t i, const std::string& boxText) {
    ReviewItem& item = m_items[i];
    const Visit v = visitOf(i);
    if (item.plugin) {
        return std::string("A plugin is shown as a summary and cannot be edited here.");
    }
    // The same check as the conflict dialog's: a text that does not read as one tiddler of this title
    // is refused with the reason.
    ConflictRequest r;
    m_run.m_format->describeBoxes(v, ConflictPair{}, r);
    if (r.checkBox && !boxText.empty()) {
        if (std::string refusal = r.checkBox(boxText); !refusal.empty()) {
            return refusal;
        }
    }
    const std::optional<std::string_view> shown = entryOf(i);
    const std::string stored(shown.value_or(v.local ? *v.local : v.remote.value_or(std::string_view())));
    std::optional<std::string> entry = m_run.m_format->fromBox(boxText, stored);
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
    item.edited = std::move(*entry);
    item.outcome = Outcome::Edited;
    return std::nullopt;
}

bool Review::apply() {
    MergeRun& run = m_run;
    run.m_stopped = false;
    run.m_remoteLost = 0;
    run.m_format->begin(m_titles);
    std::size_t next = 0;
    for (std::size_t n = 0; n < m_titles.size(); ++n) {
        const Visit v = m_titles.visit(n);
        run.startVisit(v);
        if (next < m_items.size() && m_items[next].visit == n) {
            ReviewItem& item = m_items[next];
            if (item.outcome == Outcome::Both) {
                ConflictPair pair = run.conflictPairOf(v);
                run.keepRemote();
                run.appendEdited(std::move(pair.text1));
                run.appendEdited(std::move(pair.text2));
            } else if (item.outcome == Outcome::Merged) {
                run.keepRemote();
                run.appendEdited(*item.merged);
            } else if (item.outcome == Outcome::Edited) {
                run.appendEdited(item.edited);
            } else if (const std::optional<std::string_view> entry = entryOf(next)) {
                run.append(*entry);
            }
            ++next;
        } else if (v.local) {
            run.append(*v.local);
            run.m_format->passedSilently(v);
        } else {
            run.m_format->passedSilently(v);
        }
        run.noteRemote(v);
    }
    if (!run.m_format->finish()) {
        run.m_stopped = true;
        return false;
    }
    return true;
}

}  // namespace korvane
