// The plan of a merge: one item for every title that the local and remote documents do not hold alike,
// with what each side did to it, the outcome the rules give it, and whether it needs a person. Every way
// through a merge (the conflict dialogs, the review window, the rule of korvane-cli and git's driver,
// korvane-cli plan) reads this one plan and only sets outcomes on it; one assembly turns the settled
// plan into the merged document, so they all count and decide alike.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "merge/MergeHost.h"
#include "merge/model/Visit.h"

namespace korvane {

// What a tiddler becomes in the merged wiki: a side's version (none where that side lacks it), the one
// version both sides' edits merged into, both versions (the other as a conflict copy), none, or the
// entries a person wrote for it.
enum class Outcome : char { Local, Remote, Unedited, Merged, Both, Drop, Edited };
inline constexpr Outcome kOutcomes[] = {Outcome::Local,  Outcome::Remote, Outcome::Unedited,
                                        Outcome::Merged, Outcome::Both,   Outcome::Drop};
// The outcome that keeps one side's version.
inline Outcome outcomeOf(Side side) {
    return side == Side::Local ? Outcome::Local : side == Side::Remote ? Outcome::Remote : Outcome::Unedited;
}

// What one side did to a tiddler against the unedited copy. Without an unedited copy only whether the
// side holds it is known.
enum class SideChange : char { Unchanged, Edited, Added, Deleted, Absent, Holds, Lacks };

// How a merged version came about, for a second look at it: both sides' edits joined inside one line
// or paragraph (word by word), or a title list (`list`) merged from both sides' changes.
struct MergeWay {
    bool words = false;
    bool list = false;
    bool operator==(const MergeWay&) const = default;
};

struct PlanItem {
    std::size_t visit = 0;   // zero-based place in the visiting order
    std::string_view title;  // views into the run's documents, which outlive the plan
    MergeCase mergeCase = MergeCase::None;
    SideChange local = SideChange::Absent, remote = SideChange::Absent;
    // Which side still holds the unedited version (both absent counts); never without an unedited copy.
    bool localIsUnedited = false, remoteIsUnedited = false;
    Side recommended = Side::Local;  // the side the conflict dialog recommends
    bool localKept = false;          // kept both: the local version keeps the title
    bool difference = true;          // false for a title both sides deleted: nothing to decide
    bool needsYou = false;           // both sides changed it and their edits did not merge
    bool copyAllowed = false;        // a conflict copy may be made: both sides hold it
    bool plugin = false;
    bool decided = false;  // a person chose its outcome
    std::string_view localStamp, remoteStamp, uneditedStamp;
    Outcome planned = Outcome::Drop;    // the rules' outcome
    Outcome outcome = Outcome::Drop;    // the outcome the merge takes
    std::optional<std::string> merged;  // the entry both sides' edits merged into
    MergeWay mergedBy;                  // how `merged` came about
    // The entries a person wrote (Edited), or the conflict pair as a dialog showed it (Both); whether the
    // remote version lives on in them.
    std::vector<std::string> made;
    bool madeKeepsRemote = false;
    // Set by the assembly where both versions were kept: the copy's title, and the fields renamed to make
    // the copy of an active tiddler inert.
    std::string conflictTitle;
    bool inertCopy = false;
    std::vector<std::string> renamedFields;
};

struct MergePlan {
    std::vector<PlanItem> items;  // in visiting order

    // The titles the two sides hold differently; the tiddlers among them that need a person.
    std::size_t differences() const;
    std::size_t needingYou() const;
};

}  // namespace korvane
