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
#include "platform/FileSystem.h"

namespace korvane {

struct ConflictPair;

// A side that would delete at least this many tiddlers, and more than half of those the other side and
// the unedited copy both hold, is asked about before the merge goes on.
constexpr std::size_t kMassDeletionMinimum = 20;

// Documents from this size on are split on a thread of their own, beside the others.
constexpr std::size_t kParallelSplitSize = std::size_t{1} << 20;

class MergeRun {
  public:
    MergeRun(MergeHost& host, FileSystem& fs, MergePaths paths);
    MergeRun(const MergeRun&) = delete;
    MergeRun& operator=(const MergeRun&) = delete;

    // Checks the paths, makes the .LastMerge offer, reads and splits the three documents. False when a
    // check stopped the run; its message has been shown and nothing was written.
    bool load();

    // What a way through a merge does with the plan of a loaded run: sets its outcomes (the conflict
    // dialogs, the review window, a rule). False when the run ends there; nothing has been written.
    using Settle = std::function<bool(MergePlan& plan, const VisitingList& titles)>;

    // After load(): asks about a side that would delete most of the wiki, makes the plan, lets `settle`
    // set its outcomes and builds the merged document around the merged store. False when the run ends
    // with nothing written: a check stopped it (stopped() says so; its message was shown), or `settle`
    // returned false.
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
    // The conflict dialogs, as what settles the plan.
    Settle conflictDialogs();

    // The tiddler elements that stay, in visiting order, each followed by CR LF (TiddlyWiki 5: the
    // entries that stay, as the store holds them).
    std::string strMergedStore() const;
    // The rebuilt document: everything outside the store area from the local document.
    std::string newDocument() const { return m_format ? m_format->document().str() : std::string(); }
    // Every title of the run's documents in visiting order, compared by the run's format.
    VisitingList titles() const {
        return VisitingList(m_docs.local, m_docs.remote, m_docs.unedited, formatNamed(m_docs.local.format));
    }

    // Writes the merged document only to `path` instead of the three files: no backup, no read-only
    // mark, no .LastMerge copy. Set before load(), which notes what `path` holds, so that save() can
    // refuse to replace it when another program changed it meanwhile.
    void writeOnlyTo(std::string path) { m_outputPath = std::move(path); }

    // Keeps the originals of the files the save replaces in `folder` (see Backups), for an undo; none
    // kept unless set. After a save, keptFor() names the wiki whose merge was kept (empty when none).
    void keepBackupsIn(std::string folder) { m_backupFolder = std::move(folder); }
    const std::string& backupFolder() const { return m_backupFolder; }
    const std::string& keptFor() const { return m_keptFor; }

    // Merges a tiddler that both sides changed against its unedited version (fields, then text) before
    // it is settled as a conflict. Off unless set: the desktop program's dialogs ask as before.
    void mergeInsideTiddlers(bool on) { m_mergeInside = on; }

    // Looks for an earlier save of the wiki to read as the unedited copy when none is given (on unless
    // set off).
    void findUneditedCopy(bool on) { m_findCopy = on; }

    // The plan of the loaded run over `titles` (see Planning.h); it begins the format's merged document.
    MergePlan plan(const VisitingList& titles);
    // Builds the merged document from a settled plan; false as merge().
    bool assemble(MergePlan& plan, const VisitingList& titles);
    // The sides that would delete most of the wiki (see kMassDeletionMinimum), which the merge asks about
    // before it goes on; none without an unedited copy.
    std::vector<MassDeletion> massDeletions(const VisitingList& titles) const;

    // The source of the backup number: a fraction 0 <= r < 1 per call.
    void setRandomSource(std::function<double()> random) { m_random = std::move(random); }

    bool stopped() const { return m_stopped; }
    // load() stopped because the local and remote documents, both whole, are the same.
    bool identical() const { return m_identical; }
    bool hasUneditedCopy() const { return isPathGiven(m_paths.unedited); }
    // The run reads an unedited document: the given copy, or an earlier save found on the disk (which the
    // save leaves alone: the merged document goes to the local file's .LastMerge copy instead).
    bool hasUneditedDocument() const { return hasUneditedCopy() || !m_foundCopy.empty(); }
    const std::string& foundCopy() const { return m_foundCopy; }
    // The remote file is a sync tool's conflict copy of the local file, which the save leaves as it is
    // (and writes no .LastMerge copy beside it) until the user agrees to delete it.
    bool remoteIsSyncCopy() const;
    // The files the guarded save writes the merged document to: the local file, the remote file unless
    // it is a sync tool's conflict copy, and the unedited copy (or the new .LastMerge copy, but none in a
    // sync tool's folder).
    std::vector<std::string> savedPaths() const;
    const MergePaths& paths() const { return m_paths; }
    const RunDocuments& documents() const { return m_docs; }

    // Whether the merge may go on when one side would delete most of the wiki (asked once, before any
    // dialog or review); false when the run stops.
    bool confirmDeletions(const VisitingList& titles);

    // How many of the remote document's own versions the merged document lacks: versions that differ
    // from the local one and (when the run reads an unedited document) from the unedited one, kept
    // neither as they are, nor in a conflict copy, nor in a merged version. A sync tool's conflict copy
    // may be deleted only when this is zero.
    std::size_t remoteVersionsLost() const { return m_remoteLost; }

  private:
    friend class Review;  // the review applies its outcomes with the run's own format operations

    void message(std::string_view text, MessageIcon icon, std::string_view title);
    void stop(std::string_view text);  // exclamation, application title
    // True when `path` names a regular file; otherwise stops the run with `notFound`.
    bool isFound(const std::string& path, std::string_view notFound);
    // Takes one document as read into `text`; false after an unreadable file was reported.
    bool takeDocument(const std::string& path, ReadOutcome& read, DocumentText& text);

    // The checks on the paths and the .LastMerge offer; false after a check stopped the run.
    bool checkPaths();
    // Reads the documents and refuses an empty remote file; false after that.
    bool readDocuments(const std::vector<std::string>& paths);
    // Splits the documents with the run's format; false after a document that cannot take part was
    // reported.
    bool split(const std::vector<std::string>& paths);
    // Reports a document of another format than the run's, or without a store (`claiming` holds the
    // format that claims each document, none for a document no format claims); false.
    bool refuseFormat(const std::vector<std::string>& paths, const std::vector<const WikiFormat*>& claiming,
                      std::size_t role, const WikiFormat& runFormat);

    // With no unedited copy: reads the earlier save of the wiki that can be where both sides started and
    // settles the most of the differences between them, when it settles at least half of them, no other
    // such save would settle a tiddler the opposite way, and the host takes it.
    void lookForUneditedCopy();
    // Reads the local, remote and .LastMerge files (kept for the run's reading) and says why the
    // .LastMerge copy cannot be where both sides started; empty when nothing speaks against it (or the
    // files cannot be judged: the run reports what is wrong with them in its own order).
    std::string doubtAboutLastMerge(const std::string& lastMerge);

    // With no remote path: offers the oldest conflict copy of the local file that a file-syncing tool
    // left beside it as the remote file.
    void offerSyncCopy();
    // Notes what the output file holds when the run starts.
    void noteOutputAtStart();

    MergeHost& m_host;
    FileSystem& m_fs;
    MergePaths m_paths;
    RunDocuments m_docs;
    // The run's format part (the split documents' layouts, the merged document).
    std::unique_ptr<FormatRun> m_format;
    std::function<double()> m_random;
    std::string m_outputPath;
    std::string m_backupFolder;
    std::string m_keptFor;
    OutputAtStart m_outputAtStart;
    bool m_stopped = false;  // merge() returned false after a check stopped the run (not an end)
    bool m_identical = false;
    bool m_mergeInside = false;
    bool m_findCopy = true;
    bool m_lastMergeOffered = false;  // the local file's .LastMerge copy was offered and declined
    std::string m_foundCopy;          // the earlier save read as the unedited copy
    // Files read before the run's reading (to judge the .LastMerge copy), by path.
    std::vector<std::pair<std::string, ReadOutcome>> m_readAhead;
    std::size_t m_remoteLost = 0;
};

}  // namespace korvane
