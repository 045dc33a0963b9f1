// A format's merging part of one merge run: two versions of a tiddler merged against the unedited one,
// both versions kept as a conflict pair, and what the format tells the user of a tiddler that passed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "merge/format/ConflictPair.h"
#include "merge/model/Plan.h"
#include "merge/model/Visit.h"

namespace korvane {

class TiddlerMerger {
  public:
    virtual ~TiddlerMerger() = default;

    // The tiddler merged from its local and remote versions against the unedited one (a visit of case G
    // where neither side kept the unedited version), as an entry of the merged store; none when the
    // versions cannot be merged inside the tiddler and stay a conflict; `way` gets how the merge came about.
    virtual std::optional<std::string> mergeVersions(const Visit& /*v*/, MergeWay& /*way*/) {
        return std::nullopt;
    }
    // The kept entry with its note and the copied entry under a conflict title.
    virtual ConflictPair buildPair(const Visit& v, std::string_view kept, std::string_view copied) = 0;
    // A tiddler that passed without a question; the format may tell the user something about it.
    virtual void passedSilently(const Visit& /*v*/) {}
};

}  // namespace korvane
