// The two texts that keep both versions of a tiddler that the local and remote documents hold with
// different entries: the kept version with a note that links to the other, and the other version as
// a tiddler of its own under a conflict title.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct ConflictPair {
    std::string conflictTitle;  // T (conflict STAMP)
    std::string text1;          // the kept entry with the note
    std::string text2;          // the copied entry under the conflict title
    // The copy of a tiddler that is active in the wiki is made inert: these of its fields renamed
    // `conflict.NAME` (none where the copied version has none of them).
    bool inert = false;
    std::vector<std::string> renamedFields = {};
};

// `title` is the title attribute as stored; `stampText` the present time in the user's locale.
ConflictPair buildConflictPair(std::string_view title, std::string_view keptEntry,
                               std::string_view copiedEntry, std::string_view stampText);

}  // namespace korvane
