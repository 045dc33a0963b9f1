#include "merge/save/FoldersAsFiles.h"

#include <algorithm>

#include "merge/model/FolderImage.h"

namespace korvane {

FsError FoldersAsFiles::filesIn(const std::string& folder, std::vector<std::string>& names) {
    names = m_inner.namesInFolder(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        // A folder, a link or a device inside has no place in the image, and a save would drop it.
        if (!isFolderFileName(name) || !m_inner.inspect(folder + "/" + name).plainFile()) {
            return "\"" + name + "\" in it is not a plain file";
        }
    }
    return std::nullopt;
}

bool FoldersAsFiles::isFile(const std::string& path) {
    return m_inner.isFile(path) || isFolder(path);
}

ReadOutcome FoldersAsFiles::readWhole(const std::string& path) {
    if (!isFolder(path)) {
        return m_inner.readWhole(path);
    }
    std::vector<std::string> names;
    if (FsError err = filesIn(path, names)) {
        return {ReadStatus::OpenFailed, {}, *err};
    }
    std::string image(kFolderImageStart);
    for (const std::string& name : names) {
        ReadOutcome read = m_inner.readWhole(path + "/" + name);
        if (read.status != ReadStatus::Ok) {
            return read;
        }
        image += folderRecord(name, read.text);
    }
    ReadOutcome whole;
    whole.text.assign(image.data(), image.size());
    return whole;
}

CompareOutcome FoldersAsFiles::compareWhole(const std::string& path, std::string_view expected) {
    if (!isFolder(path)) {
        return m_inner.compareWhole(path, expected);
    }
    const ReadOutcome read = readWhole(path);
    if (read.status != ReadStatus::Ok) {
        return {CompareStatus::OpenFailed, read.reason.empty() ? "read short" : read.reason};
    }
    return {std::string_view(read.text) == expected ? CompareStatus::Same : CompareStatus::Different, {}};
}

FsError FoldersAsFiles::writeNewDurable(const std::string& path, const std::vector<std::string_view>& pieces,
                                        std::optional<unsigned> mode, std::optional<FileOwner> owner) {
    if (!m_foldersWritten) {
        return m_inner.writeNewDurable(path, pieces, mode, owner);
    }
    std::string image;
    for (const std::string_view piece : pieces) {
        image += piece;
    }
    if (!looksLikeFolderImage(image)) {
        return m_inner.writeNewDurable(path, {image}, mode, owner);
    }
    const std::optional<std::vector<FolderFile>> files = readFolderImage(image);
    if (!files) {
        return FsError("the wiki's folder image is not whole");
    }
    if (m_inner.exists(path)) {
        return FsError("File exists");
    }
    if (FsError err = m_inner.makeFolders(path)) {
        return err;
    }
    // The files get the usual permissions; the folder is the user's only, as a new folder of the
    // program's is. What was written is removed again when a file fails, as for a file cut short.
    for (std::size_t i = 0; i < files->size(); ++i) {
        if (FsError err = m_inner.writeNewDurable(path + "/" + std::string((*files)[i].name),
                                                  {(*files)[i].bytes}, std::nullopt, owner)) {
            for (std::size_t j = 0; j < i; ++j) {
                (void)m_inner.remove(path + "/" + std::string((*files)[j].name));
            }
            (void)m_inner.removeFolder(path);
            return err;
        }
    }
    return std::nullopt;
}

FsError FoldersAsFiles::rename(const std::string& from, const std::string& to) {
    if (!isFolder(from) || !isFolder(to)) {
        return m_inner.rename(from, to);
    }
    // A folder cannot be renamed over another that holds files: the two are exchanged in one step,
    // then what `to` held goes.
    if (FsError err = m_inner.exchange(from, to)) {
        return err;
    }
    return remove(from);
}

FsError FoldersAsFiles::remove(const std::string& path) {
    if (!isFolder(path)) {
        return m_inner.remove(path);
    }
    std::vector<std::string> names;
    if (FsError err = filesIn(path, names)) {
        return err;
    }
    // The folder leaves its path in one step, as a removed file does: a folder half emptied by a kill
    // would be taken for a changed copy by the recovery of a save. A kill after that step leaves the
    // rest under the name NAME.korvane-removed-N.
    std::string gone;
    for (int n = 1; n <= 100 && gone.empty(); ++n) {
        const std::string name = nameWithTail(path, ".korvane-removed-" + std::to_string(n));
        gone = m_inner.exists(name) ? std::string() : name;
    }
    if (gone.empty()) {
        return FsError("no free name to remove it under");
    }
    if (FsError err = m_inner.renameNoReplace(path, gone)) {
        return err;
    }
    for (const std::string& name : names) {
        if (FsError err = m_inner.remove(gone + "/" + name)) {
            return "it was moved to \"" + gone + "\" and emptied only in part: " + *err;
        }
    }
    if (FsError err = m_inner.removeFolder(gone)) {
        return "it was moved to \"" + gone + "\" and emptied: " + *err;
    }
    return std::nullopt;
}

}  // namespace korvane
