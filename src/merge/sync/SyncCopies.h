// The conflict copies that file-syncing tools leave beside a file both machines changed:
//   Syncthing  STEM.sync-conflict-YYYYMMDD-HHMMSS-XXXXXXX.EXT
//   Nextcloud  STEM (conflicted copy [USER ]YYYY-MM-DD HHMMSS).EXT, earlier STEM_conflict-YYYYMMDD-HHMMSS.EXT
//   Dropbox    STEM (NAME's conflicted copy YYYY-MM-DD).EXT
// where the wiki's own name is STEM.EXT (EXT from its last dot, possibly none), and the moment is a real
// one (from year 1, 29 February in leap years only). Pure name work: whether a name is a regular file is
// for the caller, who reads the folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace korvane {

// When `candidate` is a conflict copy of the file named `wikiName`: the moment in its name as
// YYYYMMDDHHMMSS (a copy named with its date only counts as made at midnight). Otherwise none.
std::optional<std::string> syncCopyTime(std::string_view wikiName, std::string_view candidate);

// The conflict copies of `wikiName` among `names`, oldest first; copies of the same moment in the
// byte order of their names.
std::vector<std::string> syncCopiesOldestFirst(std::string_view wikiName,
                                               const std::vector<std::string>& names);

// True when the file at `remotePath` is a conflict copy of the wiki at `localPath`: named as one, in the
// same folder.
bool isSyncCopyOf(const std::string& localPath, const std::string& remotePath);

}  // namespace korvane
