// From a loaded run to its plan, and from a settled plan to the merged document: the two steps that every
// way through a merge shares.
#pragma once

#include <cstddef>

#include "merge/format/TiddlerMerger.h"
#include "merge/format/WikiPages.h"
#include "merge/model/Plan.h"
#include "merge/model/Visit.h"

namespace korvane {

// The plan of a run whose format has begun on `titles`: an item for every title that does not pass
// silently, with its outcome by the rules. With `mergeInside`, a tiddler both sides changed against the
// unedited copy is merged inside where its versions merge.
MergePlan makePlan(const VisitingList& titles, TiddlerMerger& merger, bool hasUnedited, bool mergeInside);

// Builds the merged document anew from a settled plan: every title in visiting order, a title without an
// item as the local document holds it. Notes on each item whose outcome is Both the copy it made.
// `remoteLost` counts the remote document's own versions (those that differ from the local one and, with
// an unedited document, from the unedited one) that the merged document keeps in no form. False when the
// merged store failed its check; the format said why.
bool assemble(MergePlan& plan, const VisitingList& titles, WikiPages& format, TiddlerMerger& merger,
              bool hasUnedited, std::size_t& remoteLost);

// The conflict pair of a tiddler both sides hold: the kept side under its title with a link to the other,
// which becomes a dated conflict copy.
ConflictPair conflictPairOf(const Visit& v, TiddlerMerger& merger);

}  // namespace korvane
