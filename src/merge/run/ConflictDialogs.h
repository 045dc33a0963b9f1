// The conflict dialogs: one question to a person per item of a plan, in visiting order.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "merge/MergeHost.h"
#include "merge/format/WikiFormat.h"
#include "merge/model/ConflictQuestion.h"
#include "merge/model/Plan.h"
#include "merge/model/Visit.h"

namespace korvane {

struct CaseChoices;

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
    // The question for a visit, read from its case's row.
    ConflictQuestion buildQuestion(const Visit& v, const CaseChoices& row, const ConflictPair& pair,
                                   std::size_t n, std::size_t m) const;
    // Sets the outcome of the chosen (offered) version; `texts` are its texts as the user left them.
    void applyChoice(PlanItem& item, const Visit& v, Outcome chosen, Choosing choosing,
                     std::vector<std::string>& texts, ConflictPair& pair);
    // A version's text against the entry it was shown from: asks "Keep Edits?" when they differ; the
    // outcome is `side` unless an edit is kept.
    void takeBack(PlanItem& item, Outcome side, const std::string& text, std::string_view stored);
    // Both versions' texts against the pair as built, with one question for both.
    void takeBackPair(PlanItem& item, std::vector<std::string>& texts, ConflictPair& pair);
    bool keepEdits();
    // Shows the internal error and ends the program.
    void internalError();

    MergeHost& m_host;
    FormatRun& m_format;
    bool m_hasUnedited;
};

}  // namespace korvane
