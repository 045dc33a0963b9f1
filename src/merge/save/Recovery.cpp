// Finding what a save that was cut off left behind, telling the user, and, only on the user's Yes,
// putting the remote file back, finishing the save or removing the leftovers.
#include "merge/save/Recovery.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "merge/Messages.h"
#include "merge/save/FileSave.h"
#include "merge/save/FoldersAsFiles.h"
#include "merge/save/SaveMessages.h"

namespace korvane {
namespace {

constexpr std::string_view kNoteHeader = "korvane save note 1";
// The note of a save of wiki folders: the same fields under a header that an older Korvane does not
// take for a note of files.
constexpr std::string_view kFolderNoteHeader = "korvane save note 1 folders";
constexpr std::string_view kNoteEnd = "end";
constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;

void mix(std::uint64_t& hash, std::uint64_t word) {
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> 29;
}

std::string numberText(std::uint64_t n) {
    return std::to_string(n);
}

std::optional<std::uint64_t> numberOf(std::string_view text) {
    std::uint64_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return n;
}

// What a file holds, measured against the note.
enum class Held { Missing, Merged, Before, Other };

}  // namespace

Fingerprint fingerprintOf(const std::vector<std::string_view>& pieces) {
    Fingerprint f;
    // Four independent lanes, word k going to lane k % 4, so that the processor works on four
    // multiplications at once; the result does not depend on where the pieces are cut.
    std::uint64_t lanes[4] = {kMultiplier, kMultiplier + 1, kMultiplier + 2, kMultiplier + 3};
    std::size_t lane = 0;
    const auto take = [&](const char* bytes) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes, 8);
        mix(lanes[lane], word);
        lane = (lane + 1) & 3;
    };
    char pending[8];
    std::size_t filled = 0;
    for (std::string_view p : pieces) {
        f.size += p.size();
        while (filled != 0 && filled < 8 && !p.empty()) {
            pending[filled++] = p.front();
            p.remove_prefix(1);
        }
        if (filled == 8) {
            take(pending);
            filled = 0;
        }
        for (; p.size() >= 8; p.remove_prefix(8)) {
            take(p.data());
        }
        if (!p.empty()) {
            std::memcpy(pending + filled, p.data(), p.size());
            filled += p.size();
        }
    }
    std::memset(pending + filled, 0, 8 - filled);
    take(pending);
    f.hash = f.size;
    for (const std::uint64_t h : lanes) {
        mix(f.hash, h);
    }
    return f;
}

std::string SaveNote::text() const {
    std::string out;
    const auto field = [&out](std::string_view value) {
        out += value;
        out += '\0';
    };
    field(form == WikiForm::Folder ? kFolderNoteHeader : kNoteHeader);
    field(numberText(merged.size));
    field(numberText(merged.hash));
    field(backup);
    for (const Target& t : targets) {
        field(t.path);
        field(t.temp);
        field(t.before ? numberText(t.before->size) : "-");
        field(t.before ? numberText(t.before->hash) : "-");
    }
    field(kNoteEnd);
    return out;
}

std::optional<SaveNote> SaveNote::parse(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\0', at);
        if (end == std::string_view::npos) {
            return std::nullopt;  // cut off inside a field
        }
        fields.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    // The header, the merged document's size and checksum, the backup; then per target its path, its
    // copy, and the size and checksum of what it held; then the end mark.
    constexpr std::size_t kHead = 4, kPerTarget = 4, kTargets = 3, kCount = kHead + kPerTarget * kTargets + 1;
    if (fields.size() != kCount || (fields[0] != kNoteHeader && fields[0] != kFolderNoteHeader) ||
        fields[kCount - 1] != kNoteEnd) {
        return std::nullopt;
    }
    SaveNote note;
    note.form = fields[0] == kFolderNoteHeader ? WikiForm::Folder : WikiForm::File;
    const auto size = numberOf(fields[1]);
    const auto hash = numberOf(fields[2]);
    if (!size || !hash) {
        return std::nullopt;
    }
    note.merged = {*size, *hash};
    note.backup = fields[3];
    for (std::size_t i = 0; i < kTargets; ++i) {
        Target& t = note.targets[i];
        const std::string_view* own = &fields[kHead + kPerTarget * i];
        t.path = own[0];
        t.temp = own[1];
        if (own[2] != "-") {
            const auto beforeSize = numberOf(own[2]);
            const auto beforeHash = numberOf(own[3]);
            if (!beforeSize || !beforeHash) {
                return std::nullopt;
            }
            t.before = Fingerprint{*beforeSize, *beforeHash};
        }
    }
    return note;
}

namespace {

// Reads a file and tells whether it holds the merged document or the content the save found in it.
Held heldBy(FileSystem& fs, const std::string& path, const Fingerprint& merged,
            const std::optional<Fingerprint>& before) {
    if (fs.inspect(path).kind == FileKind::Missing) {
        return Held::Missing;
    }
    const ReadOutcome read = fs.readWhole(path);
    if (read.status != ReadStatus::Ok) {
        return Held::Other;
    }
    const Fingerprint now = fingerprintOf({std::string_view(read.text)});
    if (now == merged) {
        return Held::Merged;
    }
    // A file the save did not read (an existing .LastMerge file that was not used) is replaced whatever
    // it holds, as the save would have done.
    return !before || now == *before ? Held::Before : Held::Other;
}

}  // namespace

namespace {

enum class Offer { Finish, PutBack, CleanUp, None };

// What an interrupted save left, as the user is told it, and what Korvane can offer to do.
struct Survey {
    std::string found = std::string(msg::kInterruptedFound);
    std::vector<std::string> leftovers;  // removed on Yes
    Offer offer = Offer::CleanUp;
    std::optional<SaveNote> note;
    Held targets[3] = {};

    void line(const std::string& path, std::string_view what) { found += msg::whereLine(path, what); }
};

// The note lies beside the file that the local path names; one beside a link to it is found as well.
// A note of a name too long for saveNotePath's shortened form (written by a Korvane that had none, on
// a system that took the name) is found as a regular file of that name. Empty when there is none.
std::string findNote(FileSystem& fs, const MergePaths& paths) {
    for (const std::string& local : {paths.local, fs.inspect(paths.local).resolved}) {
        if (const std::string notePath = saveNotePath(local);
            fs.inspect(notePath).kind != FileKind::Missing) {
            return notePath;
        }
        if (const std::string longForm = local + ".korvane-save";
            longForm != saveNotePath(local) && fs.inspect(longForm).kind == FileKind::Regular) {
            return longForm;
        }
    }
    return {};
}

// What the save left at each target and its temporary file, against the note.
struct TargetsFound {
    bool tempsReady = true;    // every target holds the merged document or has a complete copy
    bool changedOut = false;   // a file exchanged out had changed: the save may not have checked it
    bool settled = true;       // every target holds what the save found, or the merged document
    std::size_t replaced = 0;  // targets that hold the merged document
    std::size_t written = 0;   // targets the save writes
};

TargetsFound surveyTargets(FileSystem& fs, Survey& s) {
    TargetsFound f;
    for (std::size_t i = 0; i < 3; ++i) {
        const SaveNote::Target& t = s.note->targets[i];
        if (t.temp.empty()) {
            // No target of that save (a sync tool's conflict copy left as it was, no .LastMerge copy in
            // its folder): whatever stands there is not the save's.
            s.targets[i] = Held::Other;
            continue;
        }
        ++f.written;
        const Held held = s.targets[i] = heldBy(fs, t.path, s.note->merged, t.before);
        // A copy exchanged into place leaves what the path held at the temporary name.
        const Held temp = heldBy(fs, t.temp, s.note->merged, t.before.value_or(Fingerprint{}));
        const bool newFile = !t.before && held == Held::Missing;
        const std::string name(msg::kTargetNames[i]);
        f.replaced += held == Held::Merged ? 1 : 0;
        f.settled &=
            held == Held::Merged || (i == 0 ? held == Held::Missing : held == Held::Before || newFile);
        f.tempsReady &= held == Held::Merged || temp == Held::Merged;
        f.changedOut |= held == Held::Merged && temp == Held::Other && t.before;
        s.line(t.path, held == Held::Missing  ? std::string(newFile ? msg::kNotCreatedYet : msg::kMissing)
                       : held == Held::Merged ? std::string(msg::kHoldsMerged)
                       : held == Held::Before ? name + std::string(msg::kAsThatSaveFound)
                                              : name + std::string(msg::kChangedSinceThatSave));
        if (temp != Held::Missing) {
            s.line(t.temp, temp == Held::Merged   ? std::string(msg::kTempComplete)
                           : temp == Held::Before ? name + std::string(msg::kAsThatSaveFound)
                                                  : std::string(msg::kTempIncomplete));
            s.leftovers.push_back(t.temp);
        }
    }
    return f;
}

// A save that leaves the remote file as it is has no backup, so no moment at which the remote file is
// away: cut off before any target was replaced, or with every target replaced, it is cleaned up; in
// between it is finished when every copy is complete (its guards found the files as the run read them
// before the first replacement).
Offer offerWithoutBackup(const TargetsFound& f) {
    if (f.changedOut) {
        return Offer::None;
    }
    if (f.replaced == 0 || f.replaced == f.written) {
        return Offer::CleanUp;
    }
    return f.settled && f.tempsReady ? Offer::Finish : Offer::None;
}

Survey survey(FileSystem& fs, const std::string& notePath) {
    Survey s;
    const ReadOutcome read = fs.readWhole(notePath);
    s.note = read.status == ReadStatus::Ok ? SaveNote::parse(read.text) : std::optional<SaveNote>();
    if (!s.note) {
        // The note is written before anything else, so a note cut off means the save changed nothing.
        s.line(notePath, msg::kNoteIncomplete);
        return s;
    }
    // The wikis of a note of folders are read as folders; nothing else ever is.
    FoldersAsFiles folders(fs, false);
    FileSystem& wikis = s.note->form == WikiForm::Folder ? folders : fs;
    const TargetsFound f = surveyTargets(wikis, s);
    if (s.note->backup.empty()) {
        s.offer = offerWithoutBackup(f);
        s.line(notePath, msg::kNoteOfThatSave);
        return s;
    }
    const Held backup = heldBy(wikis, s.note->backup, s.note->merged, s.note->targets[0].before);
    if (backup != Held::Missing) {
        s.line(s.note->backup, backup == Held::Before ? msg::kBackupAsFound : msg::kBackupChanged);
    }
    const Held remote = s.targets[0];
    if (f.changedOut) {
        s.offer = Offer::None;
    } else if (backup == Held::Before && f.settled && f.tempsReady) {
        s.offer = Offer::Finish;
    } else if (backup != Held::Missing && (remote == Held::Missing || remote == Held::Merged)) {
        s.offer = Offer::PutBack;
    } else if (backup == Held::Missing && remote != Held::Missing &&
               (f.replaced == 0 || f.replaced == f.written)) {
        // Cut off before the remote file was moved (nothing was replaced, whatever changed since), or
        // after the backup was removed (everything was).
        s.offer = Offer::CleanUp;
    } else {
        s.offer = Offer::None;
    }
    s.line(notePath, msg::kNoteOfThatSave);
    return s;
}

}  // namespace

bool InterruptedSave::putInOrder() {
    const std::string notePath = findNote(m_fs, m_paths);
    if (notePath.empty()) {
        return true;
    }
    Survey s = survey(m_fs, notePath);
    FoldersAsFiles folders(m_fs, false);
    FileSystem& fs = s.note && s.note->form == WikiForm::Folder ? folders : m_fs;
    if (s.offer == Offer::None) {
        message(s.found + "\n\n" + std::string(msg::kNoOffer), MessageIcon::Exclamation,
                msg::kInterruptedTitle);
        return false;
    }
    const std::string_view question = s.offer == Offer::Finish    ? msg::kOfferFinish
                                      : s.offer == Offer::PutBack ? msg::kOfferPutBack
                                                                  : msg::kOfferCleanUp;
    if (!m_host.ask({QuestionKind::InterruptedSave, s.found + "\n\n" + std::string(question),
                     std::string(msg::kInterruptedTitle), false})) {
        return false;
    }
    const auto failed = [&](const std::string& action, const std::string& path, const std::string& reason) {
        message(msg::recoveryFailed(action, path, reason, notePath), MessageIcon::Critical, kAppTitle);
        return false;
    };
    // What appears at a missing path meanwhile is not overwritten.
    const auto moveOnto = [&fs](const std::string& from, const std::string& to, Held held) {
        return held == Held::Missing ? fs.renameNoReplace(from, to) : fs.rename(from, to);
    };
    if (s.offer == Offer::Finish) {
        for (std::size_t i = 0; i < 3; ++i) {
            const SaveNote::Target& t = s.note->targets[i];
            if (!t.temp.empty() && s.targets[i] != Held::Merged) {
                if (FsError err = moveOnto(t.temp, t.path, s.targets[i])) {
                    return failed(msg::renamingTo(t.temp), t.path, *err);
                }
                s.leftovers.erase(std::find(s.leftovers.begin(), s.leftovers.end(), t.temp));
            }
        }
        if (!s.note->backup.empty()) {
            s.leftovers.push_back(s.note->backup);
        }
    } else if (s.offer == Offer::PutBack) {
        if (FsError err = moveOnto(s.note->backup, s.note->targets[0].path, s.targets[0])) {
            return failed(msg::renamingTo(s.note->backup), s.note->targets[0].path, *err);
        }
    }
    s.leftovers.push_back(notePath);
    for (const std::string& path : s.leftovers) {
        if (FsError err = fs.remove(path)) {
            return failed(std::string(msg::kRemoving), path, *err);
        }
    }
    return true;
}

}  // namespace korvane
