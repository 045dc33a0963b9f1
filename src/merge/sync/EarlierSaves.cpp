#include "merge/sync/EarlierSaves.h"

#include <algorithm>

namespace korvane {

namespace {

// Consumes `n` ASCII digits from the front of `s`; false (s unchanged) when they are not there.
bool takeDigits(std::string_view& s, std::size_t n) {
    if (s.size() < n || !std::all_of(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n),
                                     [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    s.remove_prefix(n);
    return true;
}

bool takeText(std::string_view& s, std::string_view text) {
    if (s.substr(0, text.size()) != text) {
        return false;
    }
    s.remove_prefix(text.size());
    return true;
}

// Every folder is looked at once: the files of the wiki's own folder, TiddlyDesktop's backup folder and the
// Syncthing versions folder, each listed and filtered by its naming.
void collect(FileSystem& fs, const std::string& folder, std::string_view wikiName, SaveNaming naming,
             std::vector<EarlierSave>& into) {
    for (const std::string& name : fs.namesInFolder(folder)) {
        if (!isEarlierSaveName(wikiName, name, naming)) {
            continue;
        }
        const std::string path = folder + "/" + name;
        // A program that keeps saves writes regular files; a folder, a pipe or a link of such a name is none.
        if (const FileInfo info = fs.inspect(path); info.plainFile()) {
            into.push_back({path, info.modified, info.size});
        }
    }
}

// The versions folder of the nearest Syncthing folder above `folder`, at the place of `folder` in it; empty
// when no folder above holds `.stversions`.
std::string versionsFolder(FileSystem& fs, const std::string& folder) {
    std::string root = folder;
    std::string below;  // the wiki's folder below `root`, with a leading slash
    for (int depth = 0; depth < 64; ++depth) {
        if (fs.inspect(root + "/.stversions").kind == FileKind::Directory) {
            return root + "/.stversions" + below;
        }
        if (root == "/" || root.empty()) {
            return {};
        }
        below = "/" + std::string(nameOf(root)) + below;
        root = folderOf(root);
    }
    return {};
}

}  // namespace

bool isEarlierSaveName(std::string_view wikiName, std::string_view candidate, SaveNaming naming) {
    const std::size_t dot = wikiName.rfind('.');
    const std::string_view stem =
        dot == std::string_view::npos || dot == 0 ? wikiName : wikiName.substr(0, dot);
    const std::string_view ext = wikiName.substr(stem.size());
    std::string_view s = candidate;
    if (!takeText(s, stem) || s.size() < ext.size() || s.substr(s.size() - ext.size()) != ext) {
        return false;
    }
    s.remove_suffix(ext.size());
    if (naming == SaveNaming::Versions) {
        return takeText(s, "~") && takeDigits(s, 8) && takeText(s, "-") && takeDigits(s, 6) && s.empty();
    }
    // YYYYMMDDHHMMSSmmm, or YYYYMMDD.HHMMSSmmm, then TiddlyDesktop's " N" for a second backup of one moment.
    if (!takeText(s, ".") || !takeDigits(s, 8) ||
        !(takeDigits(s, 9) || (takeText(s, ".") && takeDigits(s, 9)))) {
        return false;
    }
    if (takeText(s, " ")) {
        std::size_t n = 0;
        while (n < s.size() && s[n] >= '0' && s[n] <= '9') {
            ++n;
        }
        return n > 0 && n == s.size();
    }
    return s.empty();
}

std::vector<EarlierSave> earlierSavesOf(FileSystem& fs, const std::string& wikiPath, std::size_t limit) {
    // Folders are searched from where the file really is: a link to a wiki in a synced folder has its
    // versions there.
    const FileInfo wiki = fs.inspect(wikiPath);
    const std::string real = wiki.kind == FileKind::Regular ? wiki.resolved : wikiPath;
    const std::string folder = folderOf(real);
    const std::string_view name = nameOf(real);
    std::vector<EarlierSave> saves;
    collect(fs, folder, name, SaveNaming::Backup, saves);
    collect(fs, folder + "/" + std::string(name) + "_backup", name, SaveNaming::Backup, saves);
    if (const std::string versions = versionsFolder(fs, folder); !versions.empty()) {
        collect(fs, versions, name, SaveNaming::Versions, saves);
    }
    const std::string lastMerge = lastMergePath(real);
    if (const FileInfo info = fs.inspect(lastMerge); info.plainFile()) {
        saves.push_back({lastMerge, info.modified, info.size});
    }
    // Newest first: the latest save before the two sides parted explains the most.
    std::stable_sort(saves.begin(), saves.end(),
                     [](const EarlierSave& a, const EarlierSave& b) { return a.modified > b.modified; });
    if (saves.size() > limit) {
        saves.resize(limit);
    }
    return saves;
}

}  // namespace korvane
