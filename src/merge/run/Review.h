// The review of a whole merge: every title that is not equal on both sides, what happened to it on each
// side, the outcome planned for it, and whether it needs a person. The review window is a view over it;
// applying it merges the run with the outcomes chosen, through the same format operations as the
// per-tiddler dialogs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "merge/run/MergeRun.h"

namespace korvane {

// What a tiddler becomes in the merged wiki. Edited: the text the user wrote for it.
enum class Outcome : char { Yours, Friends, Unedited, Merged, Both, Drop, Edited };
inline constexpr Outcome kOutcomes[] = {Outcome::Yours,  Outcome::Friends, Outcome::Unedited,
                                        Outcome::Merged, Outcome::Both,    Outcome::Drop};

// What one side did to a tiddler against the unedited copy. Without an unedited copy only whether the
// side holds it is known.
enum class SideChange : char { Unchanged, Edited, Added, Deleted, Absent, Holds, Lacks };

// The version a pane shows: the local, unedited or remote one.
enum class Pane : char { Yours, Unedited, Friends };

struct ReviewItem {
    std::size_t visit = 0;   // zero-based place in the run's visiting order
    std::string_view title;  // views into the run's documents, which outlive the review
    MergeCase mergeCase = MergeCase::None;
    SideChange local = SideChange::Absent, remote = SideChange::Absent;
    bool needsYou = false;     // both sides changed it and their edits did not merge
    bool copyAllowed = false;  // a conflict copy (Both) may be made: both sides hold it
    bool plugin = false;
    bool localNewer = false;  // the local stamp is later than the remote one
    bool decided = false;     // the user chose its outcome
    std::string_view localStamp, remoteStamp, uneditedStamp;
    Outcome planned = Outcome::Drop;    // the default
    Outcome outcome = Outcome::Drop;    // the user's choice
    std::optional<std::string> merged;  // the entry both sides' edits merged into
    std::string edited;                 // the entry the user wrote (Outcome::Edited)
};

class Review {
  public:
    // Builds the review of a loaded run.
    explicit Review(MergeRun& run);

    const std::vector<ReviewItem>& items() const { return m_items; }
    // The question before a merge that would delete most of the wiki; false when the run stops.
    bool confirmDeletions() { return m_run.confirmDeletions(m_titles); }
    // The tiddlers that need a person and have no outcome chosen yet.
    std::size_t needingYou() const;
    // "72 differences: 57 settled, 15 need you"
    std::string countsText() const;
    // "Saves all three files: 41 from the friend, 12 of yours, 4 merged, 2 kept both, 1 dropped", or the
    // same for the one output file.
    std::string saveText(bool threeFiles) const;

    bool allows(std::size_t i, Outcome o) const;
    // Sets an allowed outcome; false (nothing changed) otherwise.
    bool choose(std::size_t i, Outcome o);
    // Takes an edit of the result box: none when it was taken (the outcome becomes Edited, or Drop for a
    // blank box), else the message that says why it does not read.
    std::optional<std::string> edit(std::size_t i, const std::string& boxText);

    // The text a pane shows for a version (empty when the side lacks it), and the result's text; for
    // both versions of an active tiddler `kept` gets which stays active and what the inert copy is.
    std::string paneText(std::size_t i, Pane pane) const;
    std::string resultText(std::size_t i, std::string* kept = nullptr) const;
    // Whether a pane's side holds the tiddler.
    bool holds(std::size_t i, Pane pane) const;
    // The panes' texts are a tiddler's fields as `name: value` lines, an empty line, then its text.
    bool fieldForm(std::size_t i) const;
    // The fields whose values differ between the versions (the field form only), in the order of the
    // first version that holds them; a value is empty where a version lacks the field.
    struct FieldRow {
        std::string name, yours, unedited, friends;
        bool operator==(const FieldRow&) const = default;
    };
    std::vector<FieldRow> changedFields(std::size_t i) const;

    // Merges the run with the chosen outcomes; false as MergeRun::merge().
    bool apply();

  private:
    std::optional<std::string_view> entryOf(std::size_t i) const;  // the entry the outcome keeps
    Visit visitOf(std::size_t i) const { return m_titles.visit(m_items[i].visit); }

    MergeRun& m_run;
    VisitingList m_titles;
    std::vector<ReviewItem> m_items;
};

const char* outcomeName(Outcome o);    // "Yours", "Friend's", …
const char* changeName(SideChange c);  // "edited", "added", …

}  // namespace korvane
