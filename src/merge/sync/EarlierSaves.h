// Earlier saves of a wiki that other programs keep on the disk, any of which may be the copy both sides
// started from when no unedited copy is given:
//   Syncthing      ROOT/.stversions/REL/STEM~YYYYMMDD-HHMMSS.EXT, where ROOT is the nearest folder above the
//                  wiki that holds `.stversions` and REL the wiki's folder below ROOT
//   TiddlyDesktop  NAME_backup/STEM.YYYYMMDDHHMMSSmmm[ N].EXT beside the wiki (NAME is STEM.EXT)
//   TiddlyWiki     STEM.YYYYMMDD[.]HHMMSSmmm.EXT beside the wiki, as its own backups are named
//   Korvane        NAME.LastMerge, the unedited copy of the last merge (see lastMergePath)
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace korvane {

// Where a merge keeps the unedited copy of the wiki at `wikiPath` for the next one: NAME.LastMerge
// beside it, NAME shortened where that name would be too long for the system (see nameWithTail).
inline std::string lastMergePath(const std::string& wikiPath) {
    return nameWithTail(wikiPath, ".LastMerge");
}

struct EarlierSave {
    std::string path;
    std::chrono::system_clock::time_point modified;
    std::uint64_t size = 0;
};

// How the saves in a folder are named: Syncthing's versions, or the backups of TiddlyWiki and TiddlyDesktop.
enum class SaveNaming { Versions, Backup };
// Whether `candidate` is named as an earlier save of the file named `wikiName`.
bool isEarlierSaveName(std::string_view wikiName, std::string_view candidate, SaveNaming naming);

// The regular files that are earlier saves of the wiki at `wikiPath`, newest first (by when their content
// was written), at most `limit` of them. The wiki itself, and the local and remote files, are never among
// them: the caller leaves out what it reads anyway.
std::vector<EarlierSave> earlierSavesOf(FileSystem& fs, const std::string& wikiPath, std::size_t limit);

}  // namespace korvane
