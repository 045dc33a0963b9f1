// The conflict dialogs: one dialog per item of a plan, in visiting order.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "merge/MergeHost.h"
#include "merge/format/WikiFormat.h"
#include "merge/model/Plan.h"
#include "merge/model/Visit.h"

namespace korvane {

struct CaseRow;

class ConflictDialogs {
  public:
    // `format` is the run's, begun on the titles of the plan.
    ConflictDialogs(MergeHost& host, FormatRun& format, bool hasUnedited);

    // Puts every item of the plan but one merged inside to the user (a MergeRun::Settle); false when
    // the program must end.
    bool askEach(MergePlan& plan, const VisitingList& titles);

  private:
    // Puts one item to the user and sets its outcome; false when the program must end.
    bool askPerson(PlanItem& item, const Visit& v, std::size_t n, std::size_t m);
    // The dialog's request for a visit, read from its case's row.
    ConflictRequest buildRequest(const Visit& v, const CaseRow& row, const ConflictPair& pair, std::size_t n,
                                 std::size_t m) const;
    // Sets the outcome of the chosen (enabled) button; `box` holds the texts as the user left them.
    void applyChoice(PlanItem& item, const Visit& v, const CaseRow& row, DialogButton button,
                     ConflictTexts& box, ConflictPair& pair);
    // A box's text against the entry it was shown from: asks "Keep Edits?" when they differ; the outcome
    // is `side` unless an edit is kept.
    void takeBack(PlanItem& item, Outcome side, const std::string& boxText, std::string_view stored);
    bool keepEdits();

    MergeHost& m_host;
    FormatRun& m_format;
    bool m_hasUnedited;
};

}  // namespace korvane
