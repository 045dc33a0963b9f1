// A file system on which a wiki kept as a folder of files is one file: reading the folder gives its
// image (see FolderImage.h), writing an image makes the folder anew, removing the folder removes its
// files and then the folder, and a folder put in the place of another replaces it in one exchange. So
// the loading, the saves, their recovery and the backups handle a wiki of several files with the steps,
// checks and notes they use for a wiki of one file. Everything else passes to the file system below.
#pragma once

#include "platform/FileSystem.h"

namespace korvane {

class FoldersAsFiles : public FileSystem {
  public:
    // `foldersWritten`: a written image makes a folder. Off where a run reads wiki folders but writes
    // files only, so that a file's bytes that happen to look like an image never become a folder.
    FoldersAsFiles(FileSystem& inner, bool foldersWritten)
        : m_inner(inner), m_foldersWritten(foldersWritten) {}

    bool isFile(const std::string& path) override;
    bool exists(const std::string& path) override { return m_inner.exists(path); }
    bool sameFile(const std::string& a, const std::string& b) override { return m_inner.sameFile(a, b); }
    ReadOutcome readWhole(const std::string& path) override;
    CompareOutcome compareWhole(const std::string& path, std::string_view expected) override;
    FsError writeNewDurable(const std::string& path, const std::vector<std::string_view>& pieces,
                            std::optional<unsigned> mode, std::optional<FileOwner> owner = {}) override;
    FsError rename(const std::string& from, const std::string& to) override;
    FsError renameNoReplace(const std::string& from, const std::string& to) override {
        return m_inner.renameNoReplace(from, to);
    }
    FsError exchange(const std::string& a, const std::string& b) override { return m_inner.exchange(a, b); }
    FsError remove(const std::string& path) override;
    FileInfo inspect(const std::string& path) override { return m_inner.inspect(path); }
    std::vector<std::string> namesInFolder(const std::string& folder) override {
        return m_inner.namesInFolder(folder);
    }
    FsError hardLink(const std::string& existing, const std::string& link) override {
        return m_inner.hardLink(existing, link);
    }
    FsError makeFolders(const std::string& path) override { return m_inner.makeFolders(path); }
    FsError removeFolder(const std::string& path) override { return m_inner.removeFolder(path); }

  private:
    bool isFolder(const std::string& path) { return m_inner.inspect(path).kind == FileKind::Directory; }
    // The names of the folder's files, in order; a reason when it holds anything but regular files.
    FsError filesIn(const std::string& folder, std::vector<std::string>& names);

    FileSystem& m_inner;
    bool m_foldersWritten;
};

}  // namespace korvane
