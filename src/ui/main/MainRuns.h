// The two ways through a merge that the main window starts: the conflict dialogs, one per difference
// (offering the review window once when there are many), and the review window over every difference
// followed by the guarded save of what it chose.
#pragma once

#include <QWidget>
#include <string>

#include "merge/MergeHost.h"
#include "merge/run/MergeRun.h"

namespace korvane {

class MainRuns {
  public:
    // `owner`: the window the boxes stand over; `host`: the run's host, which says where the save went.
    MainRuns(QWidget& owner, MergeHost& host) : m_owner(owner), m_host(host) {}

    // `output`: the one file git's merge tool writes, empty otherwise.
    // The merge through the conflict dialogs, but when it has many differences the review window is
    // offered once before the first dialog; No goes on with the dialogs as ever.
    RunResult dialogRun(MergeRun& run, const std::string& output);
    // The merge through the review window: load, the review, then the guarded save of what it chose.
    RunResult reviewRun(MergeRun& run, const std::string& output);
    // While the review window's save runs: its Save asked already, "Save Files?" is answered.
    bool saveConfirmed() const { return m_saveConfirmed; }

  private:
    // The review window over a plan; true when its Save was confirmed.
    bool showReview(MergeRun& run, MergePlan& plan, const VisitingList& titles, const std::string& output);
    // The guarded save of what the review window chose, and the message that says where it went.
    RunResult saveReviewed(MergeRun& run, const std::string& output);

    QWidget& m_owner;
    MergeHost& m_host;
    bool m_saveConfirmed = false;
};

}  // namespace korvane
