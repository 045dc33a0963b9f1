// The kept originals of every merge and the undo. The manifest of an entry is written last, so that an
// entry without one (a save cut off while keeping) is never put back; the entries of one wiki lie in
// one folder named after the wiki's path, so that its merges are found without reading the others.
#include "merge/save/Backups.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "merge/Messages.h"
#include "merge/save/SaveMessages.h"
#include "merge/save/WikiLock.h"

namespace korvane {
namespace {

constexpr std::string_view kManifest = "manifest.txt", kHeader = "korvane backup 1";

std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        const char* with = c == '\\'   ? "\\\\"
                           : c == '\t' ? "\\t"
                           : c == '\n' ? "\\n"
                           : c == '\r' ? "\\r"
                                       : nullptr;
        with ? void(out += with) : void(out += c);
    }
    return out;
}

std::string unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char c = text[++i];
            out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t tab; (tab = line.find('\t')) != std::string_view::npos; line.remove_prefix(tab + 1)) {
        fields.push_back(line.substr(0, tab));
    }
    fields.push_back(line);
    return fields;
}

template <class Number>
bool numberOf(std::string_view text, Number& n, int base = 10) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n, base);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string hex(std::uint64_t n) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(n));
    return text;
}

// The name of an entry: the time of the merge (UTC, to the microsecond) and a counter, so that names
// sort by age, across wikis too.
std::string entryName(std::time_t when, long micros, int counter) {
    std::tm t{};
#ifdef _WIN32
    gmtime_s(&t, &when);
#else
    gmtime_r(&when, &t);
#endif
    char text[112];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d-%06ld-%03d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, micros, counter);
    return text;
}

// A name of the file for people who look into the folder, cut short and without separators.
std::string plainName(std::string_view name) {
    std::string out;
    for (char c : name.substr(0, 60)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '-' || c == '_';
        out += plain ? c : '_';
    }
    return out;
}

std::string manifestText(const KeptMerge& m) {
    std::string text =
        std::string(kHeader) + "\nwiki\t" + escaped(m.wiki) + "\nwhen\t" + std::to_string(m.when) + "\n";
    for (const KeptFile& f : m.files) {
        text += "file\t" + f.kept + "\t" + std::to_string(f.size) + "\t" + std::to_string(f.mode) + "\t" +
                (f.written ? std::to_string(f.written->size) + "\t" + hex(f.written->hash) : "-\t-") + "\t" +
                escaped(f.path) + "\n";
    }
    return text + "end\n";
}

}  // namespace

std::uint64_t KeptMerge::bytes() const {
    std::uint64_t n = 0;
    for (const KeptFile& f : files) {
        n += f.size;
    }
    return n;
}

std::string Backups::wikiFolder(const std::string& wiki) const {
    return m_root + "/" + plainName(nameOf(wiki)) + "-" + hex(fingerprintOf({wiki}).hash);
}

std::optional<KeptMerge> Backups::readEntry(const std::string& folder) {
    ReadOutcome read = m_fs.readWhole(folder + "/" + std::string(kManifest));
    if (read.status != ReadStatus::Ok) {
        return std::nullopt;
    }
    std::string_view text = read.text;
    KeptMerge m;
    m.folder = folder;
    bool ended = false, headed = false;
    for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1)) {
        const std::vector<std::string_view> f = fieldsOf(text.substr(0, end));
        if (!headed) {
            headed = f.size() == 1 && f[0] == kHeader;
        } else if (f.size() == 2 && f[0] == "wiki") {
            m.wiki = unescaped(f[1]);
        } else if (f.size() == 2 && f[0] == "when" && numberOf(f[1], m.when)) {
        } else if (f.size() == 7 && f[0] == "file") {
            KeptFile k;
            k.path = unescaped(f[6]);
            k.kept = std::string(f[1]);
            if (!numberOf(f[2], k.size) || !numberOf(f[3], k.mode)) {
                return std::nullopt;
            }
            if (Fingerprint w; numberOf(f[4], w.size) && numberOf(f[5], w.hash, 16)) {
                k.written = w;
            }
            m.files.push_back(std::move(k));
        } else if (f.size() == 1 && f[0] == "end") {
            ended = true;
        } else {
            return std::nullopt;
        }
    }
    if (!ended) {
        return std::nullopt;  // a manifest cut short is no complete entry
    }
    return m;
}

std::vector<KeptMerge> Backups::merges(const std::string& wiki) {
    std::vector<std::string> folders;
    for (const std::string& name : m_fs.namesInFolder(m_root)) {
        if (wiki.empty() || m_root + "/" + name == wikiFolder(wiki)) {
            for (const std::string& entry : m_fs.namesInFolder(m_root + "/" + name)) {
                folders.push_back(m_root + "/" + name + "/" + entry);
            }
        }
    }
    // Oldest first, across wikis too: the names begin with the time.
    std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
        return nameOf(a) != nameOf(b) ? nameOf(a) < nameOf(b) : a < b;
    });
    std::vector<KeptMerge> merges;
    for (const std::string& folder : folders) {
        if (std::optional<KeptMerge> m = readEntry(folder)) {
            merges.push_back(std::move(*m));
        }
    }
    return merges;
}

FsError Backups::keep(const std::string& wiki, const std::vector<ToKeep>& files, std::string& failedPath) {
    const std::string folder = wikiFolder(wiki);
    failedPath = m_root;
    if (FsError err = m_fs.makeFolders(folder)) {
        return err;
    }
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    KeptMerge m{folder, wiki, static_cast<std::int64_t>(micros / 1000000), {}};
    const std::vector<std::string> taken = m_fs.namesInFolder(folder);
    std::string name;
    for (int counter = 1; name.empty() || std::find(taken.begin(), taken.end(), name) != taken.end();
         ++counter) {
        name = entryName(static_cast<std::time_t>(m.when), static_cast<long>(micros % 1000000), counter);
    }
    m.folder = folder + "/" + name;
    failedPath = m.folder;
    if (FsError err = m_fs.makeFolders(m.folder)) {
        return err;
    }
    m_lastEntry = m.folder;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const ToKeep& t = files[i];
        KeptFile k{t.path, {}, 0, t.mode, t.written};
        if (t.exists) {
            k.kept = std::to_string(i + 1) + "-" + plainName(nameOf(t.path));
            const std::string path = m.folder + "/" + k.kept;
            // A hard link costs no copy; where the file systems differ, a flushed copy of the bytes as read
            // (read now when the save did not read them).
            FsError err = m_fs.hardLink(t.path, path);
            ReadOutcome read;
            if (err && !t.bytes) {
                read = m_fs.readWhole(t.path);
                err = read.status == ReadStatus::Ok
                          ? FsError()
                          : FsError(read.reason.empty() ? "read short" : read.reason);
            }
            const std::string_view bytes = t.bytes ? *t.bytes : std::string_view(read.text);
            if (err && !(err = copiesOf(t.path).writeNewDurable(path, {bytes}, 0600))) {
                k.size = bytes.size();
            } else if (!err) {
                k.size = t.bytes ? t.bytes->size() : m_fs.inspect(path).size;
            }
            if (err) {
                failedPath = t.path;
                dropLast();
                return err;
            }
        }
        m.files.push_back(std::move(k));
    }
    if (FsError err =
            m_fs.writeNewDurable(m.folder + "/" + std::string(kManifest), {manifestText(m)}, 0600)) {
        dropLast();
        return err;
    }
    return std::nullopt;
}

void Backups::removeEntry(const std::string& folder) {
    for (const std::string& name : m_fs.namesInFolder(folder)) {
        (void)m_fs.remove(folder + "/" + name);
    }
    (void)m_fs.removeFolder(folder);
}

void Backups::dropLast() {
    if (!m_lastEntry.empty()) {
        removeEntry(m_lastEntry);
        m_lastEntry.clear();
    }
}

void Backups::dropCutOff(const std::string& wiki) {
    const std::vector<KeptMerge> kept = merges(wiki);
    if (kept.empty()) {
        return;
    }
    for (const KeptFile& f : kept.back().files) {
        if (!f.kept.empty() && m_fs.sameFile(kept.back().folder + "/" + f.kept, f.path)) {
            removeEntry(kept.back().folder);
            return;
        }
    }
}

void Backups::prune(const std::string& wiki) {
    std::vector<KeptMerge> own = merges(wiki);
    for (std::size_t i = 0; i + m_perWiki < own.size(); ++i) {
        removeEntry(own[i].folder);
    }
    std::vector<KeptMerge> all = merges({});
    std::uint64_t total = 0;
    for (const KeptMerge& m : all) {
        total += m.bytes();
    }
    // The newest merge stays whatever its size: it is the one an undo needs.
    for (std::size_t i = 0; total > m_maxBytes && i + 1 < all.size(); ++i) {
        removeEntry(all[i].folder);
        total -= all[i].bytes();
    }
}

bool Backups::undoCutOff(const KeptMerge& undo, const KeptMerge& merge) {
    if (undo.files.size() != merge.files.size()) {
        return false;
    }
    bool waiting = false;
    for (std::size_t i = 0; i < undo.files.size(); ++i) {
        const KeptFile &u = undo.files[i], &m = merge.files[i];
        if (u.path != m.path || u.kept.empty() == m.written.has_value()) {
            return false;
        }
        std::optional<Fingerprint> now;
        if (m_fs.inspect(u.path).kind != FileKind::Missing) {
            const ReadOutcome read = m_fs.readWhole(u.path);
            if (read.status != ReadStatus::Ok) {
                return false;
            }
            now = fingerprintOf({std::string_view(read.text)});
        }
        // Not yet put back, it holds what the merge wrote; put back, what the undo meant to write.
        if (now != u.written && now != m.written) {
            return false;
        }
        waiting = waiting || now != u.written;
    }
    return waiting;
}

namespace {

// What an undo learns of the files that the merge it undoes names, one place per file, before it
// changes any of them.
struct UndoFiles {
    explicit UndoFiles(std::size_t n) : now(n), originals(n), putBack(n), temps(n) {}

    std::vector<ReadOutcome> now;        // what the file holds now (read when the merge wrote it)
    std::vector<ReadOutcome> originals;  // the kept original (none when the merge made the file)
    std::vector<bool> putBack;           // an undo cut off had already put it back
    std::vector<ToKeep> replaced;        // what the undo replaces, to keep in an entry of its own
    std::vector<std::string> temps;      // where its original is written beside it (none: removed)
    std::vector<std::string> leftovers;  // temporary files a cut-off undo left, to remove first
    std::string refused;                 // why the undo cannot be done, a line per file; empty when it can
};

// Reads each file of `last` and its kept original, and says why one is no longer what the merge wrote
// there (what each file holds now must be that), unless an undo cut off had put it back already.
void readUndoFiles(FileSystem& fs, const KeptMerge& last, bool resuming, UndoFiles& u) {
    for (std::size_t i = 0; i < last.files.size(); ++i) {
        const KeptFile& f = last.files[i];
        const FileInfo info = fs.inspect(f.path);
        if (!f.kept.empty()) {
            u.originals[i] = fs.readWhole(last.folder + "/" + f.kept);
            if (u.originals[i].status != ReadStatus::Ok || u.originals[i].text.size() != f.size) {
                u.refused += "\nThe kept copy \"" + last.folder + "/" + f.kept + "\" cannot be read whole.";
            }
        }
        const bool present = info.kind != FileKind::Missing;
        if (f.written || (resuming && present)) {
            u.now[i] = fs.readWhole(f.path);
        }
        u.putBack[i] =
            resuming && (f.kept.empty() ? !present
                                        : u.now[i].status == ReadStatus::Ok && present &&
                                              u.now[i].text == std::string_view(u.originals[i].text));
        if (u.putBack[i]) {
        } else if (f.written && u.now[i].status != ReadStatus::Ok) {
            u.refused += "\n\"" + f.path + "\" cannot be read: " +
                         (u.now[i].reason.empty() ? std::string("read short") : u.now[i].reason) + ".";
        } else if (f.written && fingerprintOf({std::string_view(u.now[i].text)}) != *f.written) {
            u.refused += "\n\"" + f.path + "\" changed since the merge wrote it.";
        } else if (!f.written && present) {
            u.refused += "\n\"" + f.path + "\" was made again since the merge removed it.";
        }
        u.replaced.push_back(
            {f.path, f.written.has_value(),
             f.written ? std::optional<std::string_view>(u.now[i].text) : std::nullopt, info.mode,
             f.kept.empty() ? std::nullopt
                            : std::optional(fingerprintOf({std::string_view(u.originals[i].text)}))});
    }
}

// A temporary file an undo cut off left beside a file is its own when it holds the kept original, or
// the start of it (cut off while writing); anything else there may be the only copy of something and
// stays, and the undo is refused.
void findLeftovers(FileSystem& fs, const KeptMerge& last, UndoFiles& u) {
    for (std::size_t i = 0; i < last.files.size(); ++i) {
        if (last.files[i].kept.empty()) {
            continue;
        }
        u.temps[i] = undoTempPath(last.files[i].path);
        if (fs.inspect(u.temps[i]).kind == FileKind::Missing) {
        } else if (const ReadOutcome left = fs.readWhole(u.temps[i]);
                   left.status == ReadStatus::Ok && u.originals[i].status == ReadStatus::Ok &&
                   std::string_view(u.originals[i].text).starts_with(left.text)) {
            u.leftovers.push_back(u.temps[i]);
        } else {
            u.refused +=
                "\n\"" + u.temps[i] + "\" is in the way and holds something else than the kept original.";
        }
    }
}

// Every original goes into a flushed file beside its place before the first is put back. The message
// when one cannot be written (the ones written before it are removed again); none when all are.
// `copiesOf` gives what writes the copy of a kept original (a folder's copy is a folder).
template <class CopiesOf>
std::optional<std::string> writeOriginalsBeside(FileSystem& fs, const CopiesOf& copiesOf,
                                                const KeptMerge& last, const UndoFiles& u) {
    for (std::size_t i = 0; i < last.files.size(); ++i) {
        if (u.temps[i].empty() || u.putBack[i]) {
            continue;
        }
        if (FsError err = copiesOf(last.folder + "/" + last.files[i].kept)
                              .writeNewDurable(u.temps[i], {std::string_view(u.originals[i].text)},
                                               last.files[i].mode)) {
            for (std::size_t j = 0; j < i; ++j) {
                (void)(u.temps[j].empty() || u.putBack[j] ? FsError() : fs.remove(u.temps[j]));
            }
            return msg::saveFailedUnchanged(std::string(msg::kWriting), u.temps[i], *err);
        }
    }
    return std::nullopt;
}

// Puts each original back in its place (or removes a file the merge made): true and a line per file,
// or false and what each file holds after the first that failed, with `entry`, what the undo replaced.
std::pair<bool, std::string> putBackEach(FileSystem& fs, const KeptMerge& last, const UndoFiles& u,
                                         const std::string& entry, const std::string& wiki) {
    std::string done;
    for (std::size_t i = 0; i < last.files.size(); ++i) {
        const std::string& path = last.files[i].path;
        FsError err = u.putBack[i]         ? FsError()
                      : u.temps[i].empty() ? fs.remove(path)
                                           : fs.rename(u.temps[i], path);
        if (err) {
            std::string text = "Error: The merge was undone only in part: putting back \"" + path +
                               "\" failed: " + *err + "." + done;
            for (std::size_t j = i; j < last.files.size(); ++j) {
                text += "\n\"" + last.files[j].path + "\": as the merge left it" +
                        (u.temps[j].empty() ? std::string() : "; its original is in \"" + u.temps[j] + "\"");
            }
            return {false, text + "\nWhat was there before the undo is kept in \"" + entry +
                               "\"; korvane-cli undo \"" + wiki + "\" again finishes it."};
        }
        done += "\n\"" + path + "\": " + (u.temps[i].empty() ? "removed, as before the merge" : "put back");
    }
    return {true, done};
}

}  // namespace

std::pair<bool, std::string> Backups::undo(const std::string& wiki) {
    const std::vector<KeptMerge> kept = merges(wiki);
    if (kept.empty()) {
        return {false,
                "Error: No merge of \"" + wiki + "\" is kept in \"" + m_root + "\". No file was changed."};
    }
    WikiLock lock(m_fs, lockPath(wiki));
    if (const std::optional<std::string> refused = lock.take(wiki, [&](const std::string& reason) {
            return "Error: The merge was not undone: keeping a backup of \"" + wiki + "\" in \"" + m_root +
                   "\" failed: " + reason + "." + std::string(msg::kNoFileChanged);
        })) {
        return {false, *refused};
    }
    // An undo cut off after it kept what it replaces left its entry last: that undo is finished, with
    // its entry as what it replaced, rather than undone, and the files it had put back stay.
    const bool resuming = kept.size() > 1 && undoCutOff(kept.back(), kept[kept.size() - 2]);
    const KeptMerge& last = kept[kept.size() - (resuming ? 2 : 1)];
    UndoFiles u(last.files.size());
    readUndoFiles(m_fs, last, resuming, u);
    findLeftovers(m_fs, last, u);
    if (!u.refused.empty()) {
        return {false, "Error: The merge kept in \"" + last.folder + "\" was not undone:" + u.refused +
                           "\nNo file was changed."};
    }
    for (const std::string& leftover : u.leftovers) {
        if (FsError err = m_fs.remove(leftover)) {
            return {false, "Error: The merge was not undone: removing \"" + leftover + "\" failed: " + *err +
                               "." + std::string(msg::kNoFileChanged)};
        }
    }
    std::string failedPath;
    if (FsError err = resuming ? FsError() : keep(wiki, u.replaced, failedPath)) {
        return {false, "Error: The merge was not undone: keeping a backup of \"" + failedPath + "\" in \"" +
                           m_root + "\" failed: " + *err + ". No file was changed."};
    }
    const std::string entry = resuming ? kept.back().folder : m_lastEntry;
    if (const std::optional<std::string> failed = writeOriginalsBeside(
            m_fs, [this](const std::string& kept) -> FileSystem& { return copiesOf(kept); }, last, u)) {
        if (!resuming) {
            dropLast();
        }
        return {false, *failed};
    }
    const auto [putBack, done] = putBackEach(m_fs, last, u, entry, wiki);
    if (!putBack) {
        return {false, done};
    }
    prune(wiki);
    return {true, "Undid the merge kept in \"" + last.folder + "\":" + done +
                      "\nWhat the undo replaced is kept too; korvane-cli undo \"" + wiki +
                      "\" again takes it back."};
}

}  // namespace korvane
