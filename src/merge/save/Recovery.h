// What a save writes beside the local file before its first change, so that a save cut off by a crash,
// a kill or a power cut can be put back or finished when Korvane is next started with the same files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "merge/model/Trio.h"
#include "platform/FileSystem.h"

namespace korvane {

// The size and a checksum of a content: tells a complete copy from a cut-off or changed one.
struct Fingerprint {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const Fingerprint&) const = default;
};

// Eight bytes at a time, so that a document of many megabytes takes a few milliseconds.
Fingerprint fingerprintOf(const std::vector<std::string_view>& pieces);

// The note of one save: where the remote file waits under its backup name, where each copy of the
// merged document is written before it replaces its target, and the fingerprints that tell what each
// file holds. The targets are in the order remote, local, unedited copy.
struct SaveNote {
    struct Target {
        std::string path;                   // the file replaced (symbolic links resolved)
        std::string temp;                   // the copy of the merged document that replaces it
        std::optional<Fingerprint> before;  // what the run read from it; none when the run did not read it
    };
    Fingerprint merged;
    std::string backup;
    Target targets[3];
    WikiForm form = WikiForm::File;  // a wiki folder's note has a header of its own

    std::string text() const;
    // Nothing when the text is not a whole note (a save cut off while writing it).
    static std::optional<SaveNote> parse(std::string_view text);
};

// The note lies beside the local file (the file a symbolic link names), under the name the next run
// looks for: NAME.korvane-save, or, where that name would be too long for the system, a shortened
// NAME with a hash of the whole name (see nameWithTail).
inline std::string saveNotePath(const std::string& localPath) {
    return nameWithTail(localPath, ".korvane-save");
}

// A save of one output file leaves no note: what a kill left of it is its temporary file beside the
// output, or beside the file a link names (NAME.korvane-DIGITS.tmp, or NAME.korvane-copy.tmp of
// korvane-cli). Removes those that are regular files not written for ten minutes (so that the copy of a
// save still running is never touched), in the order of their names; a line for each, saying that it
// was removed or why it could not be, or nothing when there was none.
std::string removeOutputLeftovers(FileSystem& fs, const std::string& output);

// NAME.korvane-, what the temporary names beside an output file begin with; NAME shortened where
// NAME.korvane-DIGITS.tmp (8 digits at most) would be too long for the system.
inline std::string outputTempStem(const std::string& output) {
    return nameWithTail(output, ".korvane-", 12);
}

}  // namespace korvane
