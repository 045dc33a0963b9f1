// One tiddler that a run puts to a person, in the run's own words: where it stands, the texts of its
// versions, what may become of it and what the run recommends; and the person's answer. The conflict
// dialog (src/ui/conflict) shows it with its buttons and boxes; a host without a window may answer it
// directly.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "merge/MergeHost.h"
#include "merge/model/Plan.h"

namespace korvane {

// Whether the unedited version is one side's own; a row of a table by case may name it.
enum class SameAs : char { No, Local, Remote };

inline SameAs sameAs(bool localIsUnedited, bool remoteIsUnedited) {
    return localIsUnedited ? SameAs::Local : remoteIsUnedited ? SameAs::Remote : SameAs::No;
}

// The row of a table by case (rows with `mergeCase` and `same`) for case `c`: the row that also names
// `same`, else the case's row with SameAs::No; none for a case that no row names.
template <typename Row, std::size_t N>
const Row* caseRow(const Row (&rows)[N], MergeCase c, SameAs same) {
    const Row* fallback = nullptr;
    for (const Row& row : rows) {
        if (row.mergeCase == c && row.same == same) {
            return &row;
        }
        if (row.mergeCase == c && row.same == SameAs::No) {
            fallback = &row;
        }
    }
    return fallback;
}

// What choosing one version keeps of the tiddler.
enum class Choosing : char {
    NotOffered,  // the run does not offer this version
    Nothing,     // the tiddler is dropped
    Stored,      // the version as stored; an edit of its text has no effect
    Edited,      // the version's text as the person left it (asked before an edit is kept)
};

struct ConflictQuestion {
    // Where the tiddler stands: its title as stored, its place `item` in the visiting order of `items`
    // titles, its case, and which side still holds the unedited version (never with no unedited copy).
    std::string title;
    std::size_t item = 0, items = 0;
    MergeCase mergeCase = MergeCase::None;
    bool localIsUnedited = false, remoteIsUnedited = false;

    // What each choice keeps, by the chosen outcome: Local, Remote, Unedited, Both.
    Choosing local = Choosing::NotOffered, remote = Choosing::NotOffered, unedited = Choosing::NotOffered,
             both = Choosing::NotOffered;
    Outcome recommended = Outcome::Local;

    // The versions' texts as a person reads and edits them; none for a version the side lacks or whose
    // choice is not offered.
    std::optional<std::string> localText, remoteText, uneditedText;
    // Where both may be kept: the kept version with its note and the copy under `conflictTitle`, as texts
    // (empty where the pair could not be built).
    std::string keptText, copyText;
    std::string conflictTitle;

    // The texts are TiddlyWiki 5 tiddlers in TiddlyWiki's .tid form, whose differences are marked field
    // by field.
    bool fieldForm = false;
    // Checks an edited text that a choice would take back: empty when it is accepted, else why not. None:
    // every text is accepted. The run checks again and keeps the stored version of a text it refuses.
    std::function<std::string(const std::string&)> checkText;

    // What choosing `outcome` (Local, Remote, Unedited or Both) keeps.
    Choosing choosing(Outcome outcome) const {
        switch (outcome) {
            case Outcome::Local:
                return local;
            case Outcome::Remote:
                return remote;
            case Outcome::Unedited:
                return unedited;
            case Outcome::Both:
                return both;
            default:
                return Choosing::NotOffered;
        }
    }
};

// The person's answer: the outcome chosen (Local, Remote, Unedited or Both) with its text as left (for
// Both the kept version's and the copy's; no texts: the version as shown); none when the person abandons
// the whole merge.
struct ConflictSettlement {
    std::optional<Outcome> chosen;
    std::vector<std::string> texts;
};

}  // namespace korvane
