// The first stage of a merge run: the checks on the three paths, the .LastMerge offer, reading and
// splitting the documents. Every check that fails shows one message and stops the run with no file
// written.
#include <algorithm>
#include <future>

#include "document/Markers.h"
#include "merge/MergeRun.h"
#include "merge/Messages.h"
#include "merge/SyncCopies.h"

namespace korvane {

bool MergeRun::isFound(const std::string& path, std::string_view notFound) {
    if (m_fs.isFile(path)) {
        return true;
    }
    // A folder, a named pipe or a device is no wiki either; the message says what stands there, so
    // that the user is not left looking for a file that seems to be in its place. Otherwise the next
    // line names the path, so that the message says which file is meant.
    std::string text(notFound);
    const FileInfo info = m_fs.inspect(path);
    const std::string what = info.kind == FileKind::Missing ? std::string() : msg::refusal(info);
    text += !what.empty() ? msg::standsThere(path, what) : isPathGiven(path) ? msg::pathLine(path) : "";
    stop(text);
    return false;
}

bool MergeRun::takeDocument(const std::string& path, ReadOutcome& read, DocumentText& text) {
    switch (read.status) {
        case ReadStatus::Ok:
            text = std::move(read.text);
            return true;
        case ReadStatus::Short:
            message(msg::kFileFormat, MessageIcon::None, msg::kErrorTitle);
            text.clear();
            return true;
        case ReadStatus::OpenFailed:
            break;
    }
    stop(msg::cannotRead(path, read.reason));
    return false;
}

namespace {

constexpr std::string_view kRoles[] = {msg::kLocalRole, msg::kRemoteRole, msg::kUneditedRole};

// Splits a document into `list`. The splits are independent, each reading only its own text and
// filling only its own list, so a large document is split on a thread of its own while this one
// splits another; a small one is split when its result is asked for.
std::future<StoreArea> startSplit(std::string_view text, TiddlerList& list) {
    const auto policy = text.size() >= kParallelSplitSize ? std::launch::async : std::launch::deferred;
    return std::async(policy, [text, &list] { return ParseStoreArea(text, list); });
}

}  // namespace

bool MergeRun::load() {
    if (!recoverInterruptedSave()) {
        return false;
    }
    if (!isPathGiven(m_paths.remote)) {
        offerSyncCopy();
    }
    if (!isFound(m_paths.remote, msg::kRemoteNotFound) || !isFound(m_paths.local, msg::kLocalNotFound)) {
        return false;
    }
    if (hasUneditedCopy()) {
        if (!isFound(m_paths.unedited, msg::kUneditedNotFound)) {
            return false;
        }
    } else {
        const std::string lastMerge = m_paths.local + ".LastMerge";
        if (m_fs.isFile(lastMerge) &&
            m_host.askYesNo(std::string(msg::kUseLastMerge), std::string(msg::kUseLastMergeTitle), true)) {
            m_paths.unedited = lastMerge;
            m_host.setUneditedPath(lastMerge);
        }
    }
    // The save replaces the unedited file last; if it were the local or remote file, the run would
    // compare a document with itself and overwrite what it had just read.
    if (hasUneditedCopy() &&
        (m_fs.sameFile(m_paths.unedited, m_paths.local) || m_fs.sameFile(m_paths.unedited, m_paths.remote))) {
        stop(msg::kUneditedSameFile);
        return false;
    }

    // The documents are read at the same time; what went wrong is reported in the order local,
    // remote, unedited, and the first file that cannot be read stops the run.
    std::vector<std::string> paths = {m_paths.local, m_paths.remote};
    if (hasUneditedCopy()) {
        paths.push_back(m_paths.unedited);
    }
    std::vector<ReadOutcome> read = m_fs.readWholeEach(paths);
    DocumentText* const texts[] = {&m_docs.localText, &m_docs.remoteText, &m_docs.uneditedText};
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!takeDocument(paths[i], read[i], *texts[i])) {
            return false;
        }
    }
    // The documents are checked before they are compared, so that two equal copies of a damaged wiki
    // are never taken for a finished merge. An empty remote file is named as such.
    if (m_docs.remoteText.empty()) {
        message(std::string(msg::kRemoteBlank) + msg::pathLine(m_paths.remote), MessageIcon::Critical,
                msg::kFileErrorTitle);
        return false;
    }

    // A TiddlyWiki 5 document takes the later-format path; an encrypted one cannot take part at all.
    std::vector<DocumentKind> kinds;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        kinds.push_back(detectKind(*texts[i]));
        if (kinds[i] == DocumentKind::Encrypted) {
            message(msg::documentRefused(msg::kEncrypted, kRoles[i], paths[i]), MessageIcon::Critical,
                    kAppTitle);
            return false;
        }
    }
    const bool tw5 = std::find(kinds.begin(), kinds.end(), DocumentKind::Tw5) != kinds.end();
    if (!(tw5 ? loadTw5(paths, kinds) : loadEarly(paths))) {
        return false;
    }
    if (m_docs.remoteText == m_docs.localText) {
        m_identical = true;
        message(msg::kIdentical, MessageIcon::Information, msg::kIdenticalTitle);
        return false;
    }
    noteOutputAtStart();
    return true;
}

bool MergeRun::loadEarly(const std::vector<std::string>& paths) {
    std::future<StoreArea> localSplit = startSplit(m_docs.localText, m_docs.local);
    std::future<StoreArea> uneditedSplit;
    if (hasUneditedCopy()) {
        uneditedSplit = startSplit(m_docs.uneditedText, m_docs.unedited);
    }
    const StoreArea remoteArea = ParseStoreArea(m_docs.remoteText, m_docs.remote);
    // get() passes on an exception of the other thread, such as running out of memory.
    m_docs.localArea = localSplit.get();
    const StoreArea uneditedArea = uneditedSplit.valid() ? uneditedSplit.get() : StoreArea{};
    // A document without a store area, or one whose store area never closes, would be merged as if
    // its missing tiddlers had been deleted, and the save would then write that loss into all three
    // files; so the run stops before any question. The first such document is reported, in the order
    // local, remote, unedited.
    const StoreArea* const areas[] = {&m_docs.localArea, &remoteArea, &uneditedArea};
    const DocumentText* const texts[] = {&m_docs.localText, &m_docs.remoteText, &m_docs.uneditedText};
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!areas[i]->hasEnd()) {
            const std::string_view problem = areas[i]->found ? msg::kStoreAreaCutShort : msg::kNoStoreArea;
            message(msg::documentRefused(problem, kRoles[i], paths[i]), MessageIcon::Critical, kAppTitle);
            return false;
        }
        if (!isWholePage(*texts[i], i, paths[i])) {
            return false;
        }
    }
    return true;
}

// Every document must be a whole page: one cut short after its store would pass for a wiki whose
// later tiddlers (a second store block) or program code were deleted, and the local page is written
// around the merged store.
bool MergeRun::isWholePage(std::string_view text, std::size_t role, const std::string& path) {
    if (endsWithClosingHtml(text)) {
        return true;
    }
    message(msg::documentRefused(msg::kEndCutShort, kRoles[role], path), MessageIcon::Critical, kAppTitle);
    return false;
}

void MergeRun::offerSyncCopy() {
    const std::string folder = folderOf(m_paths.local);
    const std::vector<std::string> copies =
        syncCopiesOldestFirst(nameOf(m_paths.local), m_fs.namesInFolder(folder));
    // A sync tool writes regular files; a folder, a pipe or a link of such a name is no copy.
    const auto copy = std::find_if(copies.begin(), copies.end(), [&](const std::string& name) {
        return m_fs.inspect(folder + "/" + name).plainFile();
    });
    if (copy == copies.end()) {
        return;
    }
    const std::string path = folder + "/" + *copy;
    if (m_host.askYesNo(msg::useSyncCopy(path), std::string(msg::kUseSyncCopyTitle), true)) {
        m_paths.remote = path;
        m_host.setRemotePath(path);
    }
}

void MergeRun::noteOutputAtStart() {
    m_outputState = OutputAtStart::Missing;
    if (m_outputPath.empty() || !m_fs.exists(m_outputPath)) {
        return;
    }
    if (m_fs.sameFile(m_outputPath, m_paths.local)) {
        m_outputState = OutputAtStart::Local;
        return;
    }
    // What cannot be read here is refused by the save, which names it.
    ReadOutcome read = m_fs.readWhole(m_outputPath);
    m_outputText = std::move(read.text);
    m_outputState = OutputAtStart::Read;
}

bool MergeRun::loadTw5(const std::vector<std::string>& paths, const std::vector<DocumentKind>& kinds) {
    DocumentText* const texts[] = {&m_docs.localText, &m_docs.remoteText, &m_docs.uneditedText};
    TiddlerList* const lists[] = {&m_docs.local, &m_docs.remote, &m_docs.unedited};
    const auto tw5 =
        static_cast<std::size_t>(std::find(kinds.begin(), kinds.end(), DocumentKind::Tw5) - kinds.begin());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (kinds[i] == DocumentKind::Tw5) {
            continue;
        }
        TiddlerList early;
        if (ParseStoreArea(*texts[i], early).found) {
            stop(msg::mixedKinds(kRoles[i], paths[i], kRoles[tw5], paths[tw5]));
        } else {
            message(msg::documentRefused(msg::kNoStoreArea, kRoles[i], paths[i]), MessageIcon::Critical,
                    kAppTitle);
        }
        return false;
    }
    m_docs.tw5 = true;
    Tw5Layout layouts[3];
    std::vector<std::future<std::string>> splits;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string_view text = *texts[i];
        const auto policy = text.size() >= kParallelSplitSize ? std::launch::async : std::launch::deferred;
        splits.push_back(std::async(policy, [text, list = lists[i], layout = &layouts[i]] {
            return splitTw5(text, *list, *layout);
        }));
    }
    std::vector<std::string> problems;
    for (auto& split : splits) {
        problems.push_back(split.get());
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!problems[i].empty()) {
            message(msg::documentRefused(msg::storeDamaged(problems[i]), kRoles[i], paths[i]),
                    MessageIcon::Critical, kAppTitle);
            return false;
        }
        if (!isWholePage(*texts[i], i, paths[i])) {
            return false;
        }
        if (const Tw5Page page = tw5Page(*texts[i], layouts[i], *lists[i]); page != Tw5Page::Whole) {
            message(msg::documentRefused(page == Tw5Page::NoCore ? msg::kNoCore : msg::kNoBoot, kRoles[i],
                                         paths[i]),
                    MessageIcon::Critical, kAppTitle);
            return false;
        }
    }
    m_docs.localLayout = std::move(layouts[0]);
    return true;
}

}  // namespace korvane
