// Loading a trio: the checks on the three paths, the offers (an interrupted save, the .LastMerge copy, a
// sync tool's copy, an earlier save found on the disk), reading the documents, choosing the run's format
// and splitting them with it. Every check that fails shows one message and stops the run with no file
// written. What it gives the run is a loaded trio; the plan, its settling and the save are the run's.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "merge/MergeHost.h"
#include "merge/format/WikiFormat.h"
#include "merge/model/Trio.h"
#include "merge/model/Visit.h"
#include "merge/run/Ancestry.h"
#include "merge/save/FoldersAsFiles.h"
#include "platform/FileSystem.h"

namespace korvane {

// Documents from this size on are split on a thread of their own, beside the others.
constexpr std::size_t kParallelSplitSize = std::size_t{1} << 20;

// A trio as loading leaves it: the paths as the offers left them, the documents as read and split, the
// run's format part (the split documents' layouts, the merged document), and what was found.
struct LoadedTrio {
    explicit LoadedTrio(MergePaths given) : paths(std::move(given)) {}

    MergePaths paths;
    RunDocuments docs;
    std::unique_ptr<FormatRun> format;
    std::string foundCopy;        // the earlier save read as the unedited copy
    OutputAtStart outputAtStart;  // what the output file held when the run started
    bool identical = false;       // the local and remote documents, both whole, are the same

    bool hasUneditedCopy() const { return isPathGiven(paths.unedited); }
    // The run reads an unedited document: the given copy, or an earlier save found on the disk (which
    // the save leaves alone: the merged document goes to the local file's .LastMerge copy instead).
    bool hasUneditedDocument() const { return hasUneditedCopy() || !foundCopy.empty(); }
    // Every title of the documents in visiting order, compared by the run's format.
    VisitingList titles() const {
        return VisitingList(docs.local, docs.remote, docs.unedited, formatNamed(docs.local.format));
    }
    // The remote file is a sync tool's conflict copy of the local file, which the save leaves as it is
    // (and writes no .LastMerge copy beside it) until the user agrees to delete it.
    bool remoteIsSyncCopy() const;
    // The files the guarded save writes the merged document to: the local file, the remote file unless
    // it is a sync tool's conflict copy, and the unedited copy (or the new .LastMerge copy, but none in a
    // sync tool's folder).
    std::vector<std::string> savedPaths() const;
};

// What loading is asked to do besides the checks.
struct LoadRequest {
    bool findCopy = true;    // look for an earlier save when no unedited copy is given
    std::string outputPath;  // the one output file, whose content at the start is noted; empty: none
};

// Loads one trio into `trio`, which must outlive it (its lists and format part point into its texts).
class TrioLoading {
  public:
    TrioLoading(MergeHost& host, FileSystem& fs, LoadedTrio& trio)
        : m_wikis(fs, false),
          m_host(host),
          m_files(fs),
          m_fs(anyFormatReadsFolders() ? m_wikis : fs),
          m_trio(trio) {}

    // False when a check stopped the run (or the two sides are identical); its message has been shown
    // and nothing was written.
    bool load(const LoadRequest& request);

  private:
    void message(std::string_view text, MessageIcon icon, std::string_view title);
    void stop(std::string_view text);  // exclamation, application title
    // True when `path` names a regular file (or a folder, where a format keeps wikis as folders);
    // otherwise stops the run with `notFound`.
    bool isFound(const std::string& path, std::string_view notFound);
    // Takes one document as read into `text`; false after an unreadable file was reported.
    bool takeDocument(const std::string& path, ReadOutcome& read, DocumentText& text);

    // The checks on the paths and the offers of copies; false after a check stopped the run.
    bool checkPaths();
    // With no unedited copy: offers the local file's .LastMerge copy, after a message that says what
    // speaks against it, if anything does.
    void offerLastMerge();
    // With no remote path: offers the oldest conflict copy of the local file that a file-syncing tool
    // left beside it as the remote file.
    void offerSyncCopy();
    // Notes whether the wikis are folders; false after a folder and a file were given together.
    bool noteForm(const std::vector<std::string>& paths);
    // Reads the documents and refuses an empty remote file; false after that.
    bool readDocuments(const std::vector<std::string>& paths);
    // Splits the documents with the run's format; false after a document that cannot take part was
    // reported.
    bool split(const std::vector<std::string>& paths);
    // Reports a document of another format than the run's, or without a store (`claiming` holds the
    // format that claims each document, none for a document no format claims); false.
    bool refuseFormat(const std::vector<std::string>& paths, const std::vector<const WikiFormat*>& claiming,
                      std::size_t role, const WikiFormat& runFormat);
    // Splits the documents in parallel where they are large and reports the first one that cannot take
    // part; false after that.
    bool splitEach(const std::vector<std::string>& paths, const std::vector<std::string_view>& documents);

    // With no unedited copy: reads the earlier save of the wiki that can be where both sides started and
    // settles the most of the differences between them, when it settles at least half of them, no other
    // such save would settle a tiddler the opposite way, and the host takes it.
    void lookForUneditedCopy();
    // Reads the local, remote and .LastMerge files (kept for the run's reading) and judges whether the
    // .LastMerge copy can be where both sides started: the judgement when something speaks against it;
    // none when nothing does (or the files cannot be judged: the run reports what is wrong with them in
    // its own order).
    std::optional<SaveJudgement> doubtAboutLastMerge(const std::string& lastMerge);
    // Notes what the output file holds when the run starts.
    void noteOutputAtStart(const std::string& outputPath);

    // Where a format keeps wikis as folders, a folder is read as one document (`m_fs`); the recovery of
    // an interrupted save reads folders only where its note says that save wrote folders (`m_files`).
    FoldersAsFiles m_wikis;
    MergeHost& m_host;
    FileSystem& m_files;
    FileSystem& m_fs;
    LoadedTrio& m_trio;
    bool m_lastMergeOffered = false;  // the local file's .LastMerge copy was offered and declined
    // Files read before the run's reading (to judge the .LastMerge copy), by path.
    std::vector<std::pair<std::string, ReadOutcome>> m_readAhead;
};

}  // namespace korvane
