// The decisions of a merge that need no user: the order in which titles are visited, and for each
// title its case and what the conflict dialog would recommend.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "document/StoreArea.h"
#include "merge/MergeHost.h"

namespace korvane {

// The three split documents of a run with a title index for each.
struct MergeInputs {
    MergeInputs(const TiddlerList& local, const TiddlerList& remote, const TiddlerList& unedited);

    const TiddlerList& local;
    const TiddlerList& remote;
    const TiddlerList& unedited;
    TitleIndex localIndex;
    TitleIndex remoteIndex;
    TitleIndex uneditedIndex;
};

// Every title of the three documents once: the unedited titles in their order, then the local titles
// the unedited document lacks, then the remote titles neither of the others holds.
std::vector<std::string_view> buildVisitingList(const MergeInputs& in);

// Where a title stands: new (A, B, C), deleted (D, E, F) or kept on both sides (G). `None` cannot
// happen for a title of the visiting list.
enum class MergeCase : char { A = 'A', B = 'B', C = 'C', D = 'D', E = 'E', F = 'F', G = 'G', None = '-' };

struct Visit {
    std::string_view title;
    MergeCase mergeCase = MergeCase::None;
    // The first entry of the title in each document, when present.
    std::optional<std::string_view> local;
    std::optional<std::string_view> remote;
    std::optional<std::string_view> unedited;
    std::string_view localStamp;
    std::string_view remoteStamp;

    // Equal local and remote entries pass without a question.
    bool passesSilently() const { return local && remote && *local == *remote; }
    // The recommended button of the dialog.
    DialogButton recommended() const;
    // For a tiddler that both sides hold differently (C, G): the local side keeps the title.
    bool localSideKept() const;
};

Visit planVisit(const MergeInputs& in, std::string_view title);

// The choice code of a button: "l", "o", "s" or "b".
char choiceCode(DialogButton button);

}  // namespace korvane
