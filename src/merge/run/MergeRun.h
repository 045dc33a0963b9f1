// One merge run: from the three paths of the main window to the three rewritten files.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/StoreArea.h"
#include "merge/MergeHost.h"
#include "merge/format/WikiFormat.h"
#include "merge/model/PieceText.h"
#include "merge/model/Plan.h"
#include "merge/model/Trio.h"
#include "merge/model/Visit.h"
#include "merge/run/Loading.h"
#include "platform/FileSystem.h"

namespace korvane {

// A side that would delete at least this many tiddlers, and more than half of those the other side and
// the unedited copy both hold, is asked about before the merge goes on.
constexpr std::size_t kMassDeletionMinimum = 20;

// The sides of a loaded trio that would delete most of the wiki (see kMassDeletionMinimum), which the
// merge asks about before it goes on; none without an unedited document.
std::vector<MassDeletion> massDeletions(const LoadedTrio& trio, const VisitingList& titles);

// What a caller asks of a run besides its paths; set before load().
struct RunSettings {
    // Writes the merged document only to this path instead of the three files: no backup, no read-only
    // mark, no .LastMerge copy. load() notes what it holds, so that save() can refuse to replace it when
    // another program changed it meanwhile. Empty: the three files.
    std::string outputPath;
    // Keeps the originals of the files the save replaces in this folder (see Backups), for an undo; none
    // kept when empty.
    std::string backupFolder;
    // Merges a tiddler that both sides changed against its unedited version (fields, then text) before
    // it is settled as a conflict. Off unless set: the desktop program's dialogs ask as before.
    bool mergeInside = false;
    // Looks for an earlier save of the wiki to read as the unedited copy when none is given.
    bool findCopy = true;
    // The source of the backup number: a fraction 0 <= r < 1 per call.
    std::function<double()> random;
};

class MergeRun {
  public:
    MergeRun(MergeHost& host, FileSystem& fs, MergePaths paths);
    MergeRun(const MergeRun&) = delete;
    MergeRun& operator=(const MergeRun&) = delete;

    RunSettings& settings() { return m_settings; }

    // Loads the trio (see TrioLoading): checks the paths, makes the offers, reads and splits the three
    // documents. False when a check stopped the run; its message has been shown and nothing was written.
    bool load();

    // What a way through a merge does with the plan of a loaded run: sets its outcomes (the conflict
    // dialogs, the review window, a rule). False when the run ends there; nothing has been written.
    using Settle = std::function<bool(MergePlan& plan, const VisitingList& titles)>;

    // After load(): asks about a side that would delete most of the wiki, makes the plan, lets `settle`
    // set its outcomes and builds the merged document around the merged store. False when the run ends
    // with nothing written: a check stopped it (its message was shown), or `settle` returned false.
    bool merge(MergePlan& plan, const Settle& settle);
    // The same with the conflict dialogs: every title that does not pass silently is put to the user in
    // visiting order, but for a tiddler merged inside. False also when the program must end.
    bool merge();
    // load() and merge(plan, settle), in one: none when the merged document is ready to save, else how
    // the run ended, nothing written (`unsettled` when `settle` returned false). Running out of memory on
    // the way ends the run with a message.
    std::optional<RunResult> prepare(MergePlan& plan, const Settle& settle, RunResult unsettled);

    // Asks "Save Files?" and replaces the three files by the merged document (the files that symbolic
    // links name; the links stay), after checking that each is a regular file with a single name and,
    // right before the replacements, that none of them changed since the run read them.
    RunResult save();

    // The whole run with the conflict dialogs: prepare, ask, guarded save.
    RunResult run();
    // The conflict dialogs, as what settles the plan of the loaded trio.
    Settle conflictDialogs();

    // The trio as loaded: the paths as the offers left them, the documents, what was found.
    const LoadedTrio& trio() const { return m_trio; }
    // The run's format part, for a front-end that shows versions and takes edits back (the review).
    FormatRun& formatRun() { return *m_trio.format; }
    // Every title of the run's documents in visiting order, compared by the run's format.
    VisitingList titles() const { return m_trio.titles(); }

    // The plan of the loaded run over `titles` (see Planning.h); it begins the format's merged document.
    MergePlan plan(const VisitingList& titles);
    // Builds the merged document from a settled plan; false as merge().
    bool assemble(MergePlan& plan, const VisitingList& titles);

    // The tiddler elements that stay, in visiting order, each followed by CR LF (TiddlyWiki 5: the
    // entries that stay, as the store holds them).
    std::string strMergedStore() const;
    // The rebuilt document: everything outside the store area from the local document.
    std::string newDocument() const {
        return m_trio.format ? m_trio.format->document().str() : std::string();
    }

    // After a save, the wiki whose merge was kept in the backup folder (empty when none).
    const std::string& keptFor() const { return m_keptFor; }

    // How many of the remote document's own versions the merged document lacks: versions that differ
    // from the local one and (when the run reads an unedited document) from the unedited one, kept
    // neither as they are, nor in a conflict copy, nor in a merged version. A sync tool's conflict copy
    // may be deleted only when this is zero.
    std::size_t remoteVersionsLost() const { return m_remoteLost; }

  private:
    MergeHost& m_host;
    FileSystem& m_fs;
    LoadedTrio m_trio;
    RunSettings m_settings;
    std::string m_keptFor;
    bool m_stopped = false;  // merge() returned false after a check stopped the run (not an end)
    std::size_t m_remoteLost = 0;
};

}  // namespace korvane
