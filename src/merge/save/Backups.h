// The files a save replaces, kept outside the wiki's folder so that a merge can be taken back: one
// entry per merge of a wiki (a folder named by the time and a counter) holding the original of every
// replaced file (a hard link where the backup folder shares the file system, else a flushed copy) and
// a manifest, written last, that names where each came from and what the merge wrote there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "merge/save/FoldersAsFiles.h"
#include "merge/save/Recovery.h"
#include "platform/FileSystem.h"

namespace korvane {

inline constexpr std::size_t kMergesKeptPerWiki = 10;
inline constexpr std::uint64_t kBackupBytesAtMost = std::uint64_t{2} << 30;

// A file that a save is about to replace or create.
struct ToKeep {
    std::string path;                       // symbolic links resolved
    bool exists = true;                     // false for a file the save creates
    std::optional<std::string_view> bytes;  // what it holds, when the save read it
    unsigned mode = 0644;                   // its permission bits, given back by an undo
    std::optional<Fingerprint> written;     // what the save leaves there; none when it removes it
};

// One file of a kept merge.
struct KeptFile {
    std::string path;
    std::string kept;  // the original inside the entry; empty when the merge created the file
    std::uint64_t size = 0;
    unsigned mode = 0644;
    std::optional<Fingerprint> written;
};

struct KeptMerge {
    std::string folder;
    std::string wiki;
    std::int64_t when = 0;  // seconds since 1970
    std::vector<KeptFile> files;
    std::uint64_t bytes() const;
};

class Backups {
  public:
    Backups(FileSystem& fs, std::string root, std::uint64_t maxBytes = kBackupBytesAtMost,
            std::size_t perWiki = kMergesKeptPerWiki)
        : m_wikis(fs, false),
          m_folderCopies(fs, true),
          m_fs(m_wikis),
          m_root(std::move(root)),
          m_maxBytes(maxBytes),
          m_perWiki(perWiki) {}

    const std::string& root() const { return m_root; }
    // The lock file of the wiki's saves and undos (see WikiLock), beside the folder of its merges.
    std::string lockPath(const std::string& wiki) const { return wikiFolder(wiki) + ".lock"; }

    // Keeps the originals of one merge of `wiki` (the local file's absolute path), complete on disk
    // when it returns. On failure nothing of the entry is left; `failedPath` names the file that could
    // not be kept.
    FsError keep(const std::string& wiki, const std::vector<ToKeep>& files, std::string& failedPath);
    // Removes the entry that keep() made last (a save that stopped before it replaced anything).
    void dropLast();
    // A save cut off before it replaced its files left an entry whose kept originals are still the
    // wiki's files themselves (hard links): that entry is removed, so that the files have one name again.
    void dropCutOff(const std::string& wiki);
    // Removes the wiki's oldest merges beyond the number kept per wiki, then the oldest of all wikis
    // until the kept files take at most the size allowed.
    void prune(const std::string& wiki);

    // The complete entries of one wiki, oldest first; of every wiki when `wiki` is empty.
    std::vector<KeptMerge> merges(const std::string& wiki);

    // Puts back the files of the wiki's last kept merge, keeping what it replaces as a merge of its own.
    // The message to show, and whether the files were put back.
    std::pair<bool, std::string> undo(const std::string& wiki);

  private:
    // `undo` is the last entry and `merge` the one before it: the entry is that of an undo of the merge
    // that was cut off before it put back every file.
    bool undoCutOff(const KeptMerge& undo, const KeptMerge& merge);
    std::string wikiFolder(const std::string& wiki) const;
    void removeEntry(const std::string& folder);
    // What writes the copy of `path`: a folder's copy is a folder.
    FileSystem& copiesOf(const std::string& path) {
        return m_fs.inspect(path).kind == FileKind::Directory ? m_folderCopies : m_fs;
    }
    std::optional<KeptMerge> readEntry(const std::string& folder);

    // A wiki kept as a folder is kept, compared and put back as its folder: copies of a folder are
    // written through `m_folderCopies`, everything else through `m_fs`, which reads folders only.
    FoldersAsFiles m_wikis;
    FoldersAsFiles m_folderCopies;
    FileSystem& m_fs;
    std::string m_root;
    std::uint64_t m_maxBytes;
    std::size_t m_perWiki;
    std::string m_lastEntry;
};

// Where an undo writes the original of `path` before it replaces the file with it.
inline std::string undoTempPath(const std::string& path) {
    return nameWithTail(path, ".korvane-undo.tmp");
}

namespace msg {

inline std::string backupFailed(const std::string& path, const std::string& root, const std::string& reason) {
    return "Error: The merged document was not saved: keeping a backup of \"" + path + "\" in \"" + root +
           "\" failed: " + reason + ".";
}
// What the message after a save adds: where the replaced files are and how to have them back.
inline std::string backupsKept(const std::string& root, const std::string& wiki) {
    return "The files it replaced are kept in \"" + root + "\"; korvane-cli undo \"" + wiki +
           "\" puts them back.";
}

}  // namespace msg

}  // namespace korvane
