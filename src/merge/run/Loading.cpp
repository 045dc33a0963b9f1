// Loading a trio: the checks on the three paths, the offers, reading and splitting the documents with
// the run's format. Every check that fails shows one message and stops the run with no file written. The
// search for an earlier save is in FindCopy.cpp.
#include "merge/run/Loading.h"

#include <algorithm>
#include <future>

#include "document/Text.h"
#include "merge/Messages.h"
#include "merge/run/RunMessages.h"
#include "merge/save/FileSave.h"
#include "merge/sync/EarlierSaves.h"
#include "merge/sync/SyncCopies.h"

namespace korvane {

bool LoadedTrio::remoteIsSyncCopy() const {
    return isSyncCopyOf(paths.local, paths.remote);
}

std::vector<std::string> LoadedTrio::savedPaths() const {
    const bool syncCopy = remoteIsSyncCopy();
    std::vector<std::string> saved = {paths.local};
    if (!syncCopy) {
        saved.push_back(paths.remote);
    }
    if (hasUneditedCopy() || !syncCopy) {
        saved.push_back(hasUneditedCopy() ? paths.unedited : lastMergePath(paths.local));
    }
    return saved;
}

void TrioLoading::message(std::string_view text, MessageIcon icon, std::string_view title) {
    m_host.showMessage(std::string(text), icon, std::string(title));
}

void TrioLoading::stop(std::string_view text) {
    message(text, MessageIcon::Exclamation, kAppTitle);
}

bool TrioLoading::isFound(const std::string& path, std::string_view notFound) {
    if (m_fs.isFile(path)) {
        return true;
    }
    // A folder, a named pipe or a device is no wiki either; the message says what stands there, so
    // that the user is not left looking for a file that seems to be in its place. Otherwise the next
    // line names the path, so that the message says which file is meant.
    std::string text(notFound);
    const FileInfo info = m_fs.inspect(path);
    const std::optional<std::string> what =
        info.kind == FileKind::Missing ? std::nullopt : msg::refusal(info);
    text += what ? msg::standsThere(path, *what) : isPathGiven(path) ? msg::pathLine(path) : "";
    stop(text);
    return false;
}

bool TrioLoading::takeDocument(const std::string& path, ReadOutcome& read, DocumentText& text) {
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

}  // namespace

bool TrioLoading::load(const LoadRequest& request) {
    if (!InterruptedSave(m_host, m_files, m_trio.paths).putInOrder() || !checkPaths()) {
        return false;
    }
    std::vector<std::string> paths = {m_trio.paths.local, m_trio.paths.remote};
    if (m_trio.hasUneditedCopy()) {
        paths.push_back(m_trio.paths.unedited);
    }
    if (!noteForm(paths) || !readDocuments(paths) || !split(paths)) {
        return false;
    }
    if (m_trio.docs.remoteText == m_trio.docs.localText) {
        m_trio.identical = true;
        message(msg::kIdentical, MessageIcon::Information, msg::kIdenticalTitle);
        return false;
    }
    if (!m_trio.hasUneditedCopy() && request.findCopy) {
        lookForUneditedCopy();
    }
    noteOutputAtStart(request.outputPath);
    return true;
}

bool TrioLoading::checkPaths() {
    if (!isPathGiven(m_trio.paths.remote)) {
        offerSyncCopy();
    }
    if (!isFound(m_trio.paths.remote, msg::kRemoteNotFound) ||
        !isFound(m_trio.paths.local, msg::kLocalNotFound)) {
        return false;
    }
    if (m_trio.hasUneditedCopy()) {
        if (!isFound(m_trio.paths.unedited, msg::kUneditedNotFound)) {
            return false;
        }
    } else {
        offerLastMerge();
    }
    // The save replaces the unedited file last; if it were the local or remote file, the run would
    // compare a document with itself and overwrite what it had just read.
    if (m_trio.hasUneditedCopy() && (m_fs.sameFile(m_trio.paths.unedited, m_trio.paths.local) ||
                                     m_fs.sameFile(m_trio.paths.unedited, m_trio.paths.remote))) {
        stop(msg::kUneditedSameFile);
        return false;
    }
    return true;
}

void TrioLoading::offerLastMerge() {
    const std::string lastMerge = lastMergePath(m_trio.paths.local);
    if (!m_fs.isFile(lastMerge)) {
        return;
    }
    // A .LastMerge copy that cannot be where both sides started (the result of a merge with another
    // copy, say) is still offered, after a message that says what speaks against it; No is then the
    // default, and a host without a person declines it.
    const std::optional<SaveJudgement> doubt = doubtAboutLastMerge(lastMerge);
    if (doubt) {
        message(msg::notAnAncestor(lastMerge, doubt->doubt, doubt->newer), MessageIcon::Exclamation,
                msg::kUseLastMergeTitle);
    }
    if (m_host.ask({QuestionKind::UseLastMerge, std::string(msg::kUseLastMerge),
                    std::string(msg::kUseLastMergeTitle), !doubt})) {
        m_trio.paths.unedited = lastMerge;
        m_host.setUneditedPath(lastMerge);
    } else {
        m_lastMergeOffered = true;
    }
}

bool TrioLoading::noteForm(const std::vector<std::string>& paths) {
    if (!anyFormatReadsFolders()) {
        return true;  // isFound took regular files only
    }
    const auto isFolder = [this](const std::string& path) {
        return m_fs.inspect(path).kind == FileKind::Directory;
    };
    const bool folders = isFolder(paths[0]);
    for (std::size_t i = 1; i < paths.size(); ++i) {
        if (isFolder(paths[i]) != folders) {
            const std::size_t folder = folders ? 0 : i, file = folders ? i : 0;
            stop(msg::folderBesideFile(kRoles[folder], paths[folder], kRoles[file], paths[file]));
            return false;
        }
    }
    m_trio.docs.form = folders ? WikiForm::Folder : WikiForm::File;
    return true;
}

bool TrioLoading::readDocuments(const std::vector<std::string>& paths) {
    // The documents are read at the same time; what went wrong is reported in the order local,
    // remote, unedited, and the first file that cannot be read stops the run.
    std::vector<std::string> unread;
    for (const std::string& path : paths) {
        if (std::none_of(m_readAhead.begin(), m_readAhead.end(),
                         [&](const auto& r) { return r.first == path; })) {
            unread.push_back(path);
        }
    }
    std::vector<ReadOutcome> fresh = m_fs.readWholeEach(unread);
    std::vector<ReadOutcome> read;
    for (std::size_t i = 0, next = 0; i < paths.size(); ++i) {
        const auto ahead = std::find_if(m_readAhead.begin(), m_readAhead.end(),
                                        [&](const auto& r) { return r.first == paths[i]; });
        read.push_back(ahead != m_readAhead.end() ? std::move(ahead->second) : std::move(fresh[next++]));
    }
    m_readAhead.clear();
    DocumentText* const texts[] = {&m_trio.docs.localText, &m_trio.docs.remoteText,
                                   &m_trio.docs.uneditedText};
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!takeDocument(paths[i], read[i], *texts[i])) {
            return false;
        }
    }
    // The documents are checked before they are compared, so that two equal copies of a damaged wiki
    // are never taken for a finished merge. An empty remote file is named as such.
    if (m_trio.docs.remoteText.empty()) {
        message(std::string(msg::kRemoteBlank) + msg::pathLine(m_trio.paths.remote), MessageIcon::Critical,
                msg::kFileErrorTitle);
        return false;
    }
    return true;
}

bool TrioLoading::split(const std::vector<std::string>& paths) {
    const DocumentText* const texts[] = {&m_trio.docs.localText, &m_trio.docs.remoteText,
                                         &m_trio.docs.uneditedText};
    std::vector<std::string_view> documents;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        documents.push_back(*texts[i]);
    }
    // Each document is told once: one of another format than the run's (or without a store) is refused.
    std::vector<const WikiFormat*> claiming;
    for (const std::string_view document : documents) {
        claiming.push_back(claimingFormat(document));
    }
    const WikiFormat& format = runFormatOf(claiming);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!format.reads(claiming[i] != nullptr ? *claiming[i] : formatNamed({}))) {
            return refuseFormat(paths, claiming, i, format);
        }
    }
    m_trio.format =
        format.startRun({{m_trio.docs.localText, m_trio.docs.remoteText, m_trio.docs.uneditedText},
                         m_trio.paths.local,
                         m_host});
    return m_trio.format->prepare(paths) && splitEach(paths, documents);
}

bool TrioLoading::splitEach(const std::vector<std::string>& paths,
                            const std::vector<std::string_view>& documents) {
    TiddlerList* const lists[] = {&m_trio.docs.local, &m_trio.docs.remote, &m_trio.docs.unedited};
    // The splits are independent, each reading only its own text and filling only its own list and
    // its role's part of the format's state, so a large document is split on a thread of its own
    // while this one splits another; a small one is split when its result is asked for.
    std::vector<std::future<SplitOutcome>> splits;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const auto policy =
            documents[i].size() >= kParallelSplitSize ? std::launch::async : std::launch::deferred;
        splits.push_back(std::async(policy, [this, i, text = documents[i], list = lists[i]] {
            return m_trio.format->split(i, text, *list);
        }));
    }
    // get() passes on an exception of another thread, such as running out of memory. A document
    // that cannot take part would be merged as if its missing tiddlers had been deleted, and the save
    // would write that loss into all three files; the first one, in the order local, remote,
    // unedited, stops the run before any question.
    std::vector<SplitOutcome> outcomes;
    for (auto& split : splits) {
        outcomes.push_back(split.get());
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (outcomes[i].problem != PageProblem::None) {
            message(msg::documentRefused(outcomes[i].text, kRoles[i], paths[i]), MessageIcon::Critical,
                    kAppTitle);
            return false;
        }
    }
    return true;
}

bool TrioLoading::refuseFormat(const std::vector<std::string>& paths,
                               const std::vector<const WikiFormat*>& claiming, std::size_t role,
                               const WikiFormat& runFormat) {
    if (claiming[role] == nullptr) {
        message(msg::documentRefused(msg::kNoStoreArea, kRoles[role], paths[role]), MessageIcon::Critical,
                kAppTitle);
        return false;
    }
    // The first document of the run's format is named beside it.
    const auto other =
        static_cast<std::size_t>(std::find(claiming.begin(), claiming.end(), &runFormat) - claiming.begin());
    stop(msg::mixedKinds(kRoles[role], paths[role], claiming[role]->displayName(), kRoles[other],
                         paths[other], runFormat.displayName()));
    return false;
}

void TrioLoading::offerSyncCopy() {
    const std::string folder = folderOf(m_trio.paths.local);
    const std::vector<std::string> copies =
        syncCopiesOldestFirst(nameOf(m_trio.paths.local), m_fs.namesInFolder(folder));
    // A sync tool writes regular files; a folder, a pipe or a link of such a name is no copy.
    const auto copy = std::find_if(copies.begin(), copies.end(), [&](const std::string& name) {
        return m_fs.inspect(folder + "/" + name).plainFile();
    });
    if (copy == copies.end()) {
        return;
    }
    const std::string path = folder + "/" + *copy;
    if (m_host.ask(
            {QuestionKind::UseSyncCopy, msg::useSyncCopy(path), std::string(msg::kUseSyncCopyTitle)})) {
        m_trio.paths.remote = path;
        m_host.setRemotePath(path);
    }
}

void TrioLoading::noteOutputAtStart(const std::string& outputPath) {
    m_trio.outputAtStart.held = OutputAtStart::Held::Missing;
    if (outputPath.empty() || !m_fs.exists(outputPath)) {
        return;
    }
    if (m_fs.sameFile(outputPath, m_trio.paths.local)) {
        m_trio.outputAtStart.held = OutputAtStart::Held::Local;
        return;
    }
    // What cannot be read here is refused by the save, which names it.
    ReadOutcome read = m_fs.readWhole(outputPath);
    m_trio.outputAtStart.text = std::move(read.text);
    m_trio.outputAtStart.held = OutputAtStart::Held::Read;
}

}  // namespace korvane
