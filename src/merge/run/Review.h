// The review of a whole merge: every title that is not equal on both sides, what happened to it on each
// side, the outcome planned for it, and whether it needs a person. The review window is a view over it;
// applying it merges the run with the outcomes chosen, through the same format operations as the
// per-tiddler dialogs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "merge/model/Plan.h"
#include "merge/run/MergeRun.h"

namespace korvane {

// Whether the local version's stamp is the later one.
bool localIsNewer(const PlanItem& item);
// Whether the outcome takes the version of a side that deleted the tiddler: the merged wiki lacks it.
bool deletes(const PlanItem& item);
// Whether the outcome is a merged version that deserves a second look, and no person chose it yet:
// both sides' edits were joined inside one line or paragraph, or their `list` changes merged.
bool toCheck(const PlanItem& item);

class Review {
  public:
    // The review of the plan of a loaded run over `titles` (which outlive it): its differences, a title both
    // sides deleted left out.
    Review(MergeRun& run, MergePlan& plan, const VisitingList& titles);
    ~Review() { forgetShown(); }
    Review(const Review&) = delete;
    Review& operator=(const Review&) = delete;

    const std::vector<PlanItem>& items() const { return m_plan.items; }
    // The tiddlers that need a person and have no outcome chosen yet.
    std::size_t needingYou() const { return m_plan.needingYou(); }
    // The merged versions to check (see toCheck).
    std::size_t toCheck() const;
    // "72 differences: 57 settled, 15 need you", and ", 3 to check" where merged versions wait for a look.
    std::string countsText() const;
    // "Saves all three files: 41 from the friend, 3 deleted as your friend did, 12 of yours, 4 merged,
    // 2 kept both, 1 dropped", or the same for the one output file.
    std::string saveText(bool threeFiles) const;

    bool allows(std::size_t i, Outcome o) const;
    // Sets an allowed outcome; false (nothing changed) otherwise.
    bool choose(std::size_t i, Outcome o);
    // Takes an edit of the result box: none when it was taken (the outcome becomes Edited, or Drop for a
    // blank box), else the message that says why it does not read.
    std::optional<std::string> edit(std::size_t i, const std::string& boxText);

    // The text a pane shows for a version (empty when the side lacks it), and the result's text; for
    // both versions of an active tiddler `kept` gets which stays active and what the inert copy is.
    std::string paneText(std::size_t i, Side pane) const;
    std::string resultText(std::size_t i, std::string* kept = nullptr) const;
    // Whether a pane's side holds the tiddler.
    bool holds(std::size_t i, Side pane) const;
    // The panes' texts are a tiddler's fields as `name: value` lines, an empty line, then its text.
    bool fieldForm(std::size_t i) const;
    // The fields whose values differ between the versions (the field form only), in the order of the
    // first version that holds them; a value is empty where a version lacks the field.
    struct FieldRow {
        std::string name, yours, unedited, friends;
        bool operator==(const FieldRow&) const = default;
    };
    std::vector<FieldRow> changedFields(std::size_t i) const;

    // Builds the merged document with the chosen outcomes; false as MergeRun::assemble().
    bool apply() { return m_run.assemble(m_plan, m_titles); }

  private:
    std::optional<std::string_view> entryOf(std::size_t i) const;  // the entry the outcome keeps
    // The item the window shows, which it asks about many times over: its visit and its versions' pane
    // texts, kept, as comparing and showing the versions of a large tiddler takes a while.
    struct Shown {
        std::size_t item = 0;
        Visit visit;
        std::optional<std::string> panes[3];
    };
    Shown& shown(std::size_t i) const;
    // Overwrites the kept pane texts (an encrypted wiki's tiddlers, decrypted) and forgets the item.
    void forgetShown() const;
    const Visit& visitOf(std::size_t i) const { return shown(i).visit; }

    MergeRun& m_run;
    MergePlan& m_plan;
    const VisitingList& m_titles;
    mutable std::optional<Shown> m_shown;
};

const char* outcomeName(Outcome o);  // "Yours", "Friend's", …
// The outcome of an item in a word: "Deleted" where it takes a side's deletion, else outcomeName.
const char* outcomeName(const PlanItem& item);
const char* changeName(SideChange c);  // "edited", "added", …

}  // namespace korvane
