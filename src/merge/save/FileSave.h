// The saves of a run's merged document: the guarded save of the three files, the save of one output
// file, and the putting in order of a save that was cut off. Each works on what the run hands it (the
// paths, the documents as read, the merged document) and talks to the user through the run's host.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "merge/MergeHost.h"
#include "merge/model/PieceText.h"
#include "merge/model/Trio.h"
#include "merge/save/FoldersAsFiles.h"
#include "merge/save/WikiLock.h"
#include "platform/FileSystem.h"

namespace korvane {

// What a save works with.
struct SaveInputs {
    MergeHost& host;
    FileSystem& fs;
    const MergePaths& paths;
    const RunDocuments& docs;                       // the documents as the run read them
    const std::vector<std::string_view>& document;  // the merged document's pieces
    std::function<double()>& random;                // the source of backup and temporary numbers
    // The remote file is a sync tool's conflict copy: the save leaves it as it is (and makes no .LastMerge
    // copy in the synced folder), then offers to delete it; `remoteLost` of its own versions the merged
    // document lacks.
    bool remoteIsSyncCopy = false;
    std::size_t remoteLost = 0;
    // Where the originals of the replaced files are kept for an undo; none kept when empty. `keptFor` is
    // set to the wiki whose merge was kept.
    std::string backupFolder = {};
    std::string* keptFor = nullptr;
};

// The steps that both saves share.
class FileSave {
  protected:
    explicit FileSave(const SaveInputs& in)
        : m_folders(in.fs, true),
          m_host(in.host),
          m_fs(in.docs.form == WikiForm::Folder ? m_folders : in.fs),
          m_paths(in.paths),
          m_docs(in.docs),
          m_document(in.document),
          m_random(in.random),
          m_remoteIsSyncCopy(in.remoteIsSyncCopy),
          m_remoteLost(in.remoteLost),
          m_backupFolder(in.backupFolder),
          m_keptFor(in.keptFor) {}

    struct Problem {
        std::string text;
        MessageIcon icon;
        std::string title;
        std::string unchangedText;  // the text when every file is as it was
    };
    void message(std::string_view text, MessageIcon icon, std::string_view title) {
        m_host.showMessage(std::string(text), icon, std::string(title));
    }
    bool hasUneditedCopy() const { return isPathGiven(m_paths.unedited); }
    // Whether the merged document can be written as the run read the wikis: a wiki read as a folder
    // takes a whole folder image, never a file; false after it showed why not.
    bool fitsForm();
    // A path `path` + `infix` + number + `suffix` that names nothing yet (with the name of `path` cut
    // short as nameWithTail does when the whole would be too long); empty when none was found.
    std::string drawFreePath(const std::string& path, std::string_view infix, std::string_view suffix);
    // Re-reads a file and compares it with what the run read at its start.
    std::optional<Problem> changedSince(const std::string& path, std::string_view textAtStart,
                                        std::string_view changedMessage);
    // Takes the lock of the wiki's saves in the backup folder; false after it showed why it could not.
    bool lockWiki(std::optional<WikiLock>& lock, const std::string& wiki);
    // Puts the remote file back from its backup name; a note for the message when that fails.
    std::string restoreRemote(const std::string& backupPath, const std::string& remotePath);

    // A wiki of several files is saved as its folder, with the steps of a wiki of one file.
    FoldersAsFiles m_folders;
    MergeHost& m_host;
    FileSystem& m_fs;
    const MergePaths& m_paths;
    const RunDocuments& m_docs;
    const std::vector<std::string_view>& m_document;
    std::function<double()>& m_random;
    bool m_remoteIsSyncCopy;
    std::size_t m_remoteLost;
    std::string m_backupFolder;
    std::string* m_keptFor;
};

struct SaveWork;
class Backups;

// Asks "Save Files?" and replaces the three files by the merged document (the files that symbolic
// links name; the links stay), after checking that each is a regular file with a single name and,
// right before the replacements, that none of them changed since the run read them. A sync tool's
// conflict copy as the remote file is left exactly as it is, and deleted after the save only when the
// user agrees.
class GuardedSave : private FileSave {
  public:
    explicit GuardedSave(const SaveInputs& in) : FileSave(in) {}
    RunResult run();

  private:
    // The steps of the save, in order; each false after it showed why the save stopped.
    bool checkTargets(SaveWork& w);
    bool writeNoteAndTemporaries(SaveWork& w);
    bool keepOriginals(SaveWork& w);  // in the backup folder, for an undo
    bool moveRemoteToBackup(SaveWork& w);
    bool checkUnchanged(SaveWork& w);
    bool replaceTargets(SaveWork& w);
    void finishSave(SaveWork& w);  // removes the backup, the files exchanged out and the note
    // Asks whether the sync tool's conflict copy may go, and deletes it when it still holds what the run
    // read.
    void offerToDeleteSyncCopy();
    // The lines of a message that say what every path of the save holds now.
    std::string whereNow(const SaveWork& w) const;
    // Ends a save before any target was replaced: removes what it wrote, puts the remote file back and
    // shows `text`, or `unchangedText` (which says "No file was changed") when that is true. False.
    bool giveUp(SaveWork& w, const std::string& text, const std::string& unchangedText, MessageIcon icon,
                std::string_view title);
    bool giveUpOnFile(SaveWork& w, const std::string& action, const std::string& path,
                      const std::string& reason);
    // After a check found a file changed once it was exchanged: puts every replaced target back and
    // gives up with the problem's message. False.
    bool putBack(SaveWork& w, const Problem& problem);
};

// Writes the merged document only to one output file: no backup beside it, no read-only mark, no
// .LastMerge copy; refused when another program changed the output since the run started. An output
// that existed is kept in the backup folder first, when the run has one.
class OutputSave : private FileSave {
  public:
    OutputSave(const SaveInputs& in, const std::string& output, const OutputAtStart& atStart)
        : FileSave(in), m_output(output), m_atStart(atStart) {}
    RunResult run();

  private:
    // Keeps the output's original bytes for an undo before `temp` replaces it (`backups` set when kept);
    // on a failure removes `temp` and gives the message, else an empty text.
    std::string keepOriginal(std::optional<Backups>& backups, const std::string& wiki, const FileInfo& info,
                             const std::string& temp);
    // What speaks against replacing `target`: it changed since the run started.
    std::optional<Problem> changedSinceStart(const std::string& target);
    // Puts the flushed `temp` in the place of `target` unless the output changed since the run started;
    // on a failure removes `temp` and drops the original kept in `backups`, on success prunes them.
    RunResult putInPlace(const std::string& temp, const std::string& target, const std::string& wiki,
                         std::optional<Backups>& backups);
    // Shows `text` as the save's failure (critical, application title).
    RunResult fail(const std::string& text);

    const std::string& m_output;
    const OutputAtStart& m_atStart;
};

// Looks for the note of a save that was cut off; tells the user what it left and where, and on Yes
// finishes that save, puts the remote file back or removes the leftovers.
class InterruptedSave {
  public:
    InterruptedSave(MergeHost& host, FileSystem& fs, const MergePaths& paths)
        : m_host(host), m_fs(fs), m_paths(paths) {}
    // False when the run stops (the user said No, or the files could not be put in order).
    bool putInOrder();

  private:
    void message(std::string_view text, MessageIcon icon, std::string_view title) {
        m_host.showMessage(std::string(text), icon, std::string(title));
    }
    MergeHost& m_host;
    FileSystem& m_fs;
    const MergePaths& m_paths;
};

}  // namespace korvane
