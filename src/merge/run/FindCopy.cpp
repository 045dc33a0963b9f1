// The search for an unedited copy when none is given: the earlier saves of the wiki that sync tools and
// TiddlyWiki's savers keep, each read, checked and scored by how many of the differences between the two
// sides it explains (its version of a tiddler is one side's, so only the other side changed it).
#include <chrono>
#include <ctime>

#include "merge/Messages.h"
#include "merge/run/MergeRun.h"
#include "merge/sync/EarlierSaves.h"

namespace korvane {

namespace {

// Reading earlier saves stops after this many, or after this long: the search must not hold up a merge
// on a folder full of large backups.
constexpr std::size_t kMostCandidates = 20;
constexpr std::chrono::seconds kMostSearchTime{2};

// The newest stamp of a document's tiddlers, as 17 digits (YYYYMMDDHHMMSSmmm; the early format's
// YYYYMMDDHHMM padded with zeros), so that stamps of any length compare as text. A tiddler without a
// modified stamp counts with its created one.
std::string newestStamp(const TiddlerList& list) {
    std::string newest;
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::string stamp(list.colModified[i].empty() ? list.colCreated[i] : list.colModified[i]);
        stamp.resize(17, '0');
        newest = std::max(newest, stamp);
    }
    return newest;
}

struct Score {
    std::size_t explained = 0;
    std::size_t differences = 0;
};

Score scoreOf(const TiddlerList& local, const TiddlerList& remote, const TiddlerList& candidate) {
    Score s;
    const VisitingList titles(local, remote, candidate);
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const Visit v = titles.visit(i);
        if ((v.local || v.remote) && !v.passesSilently()) {
            ++s.differences;
            s.explained += v.localIsUnedited || v.remoteIsUnedited ? 1 : 0;
        }
    }
    return s;
}

}  // namespace

std::string localMinute(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    char text[32] = {};
    // The run asks from one thread; the standard library's own conversion is enough.
    if (const std::tm* local = std::localtime(&seconds)) {
        return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local));
    }
    return "an unknown date";
}

bool askAboutFoundCopy(MergeHost& host, const FoundCopy& c) {
    return host.ask({QuestionKind::UseFoundCopy,
                     msg::useFoundCopy(c.path, localMinute(c.saved), c.explained, c.differences),
                     std::string(msg::kUseFoundCopyTitle)});
}

void MergeRun::lookForUneditedCopy() {
    const WikiFormat& format = formatNamed(m_docs.local.format);
    const std::string newestSide = std::min(newestStamp(m_docs.local), newestStamp(m_docs.remote));
    const std::string declined = m_lastMergeOffered ? m_paths.local + ".LastMerge" : std::string();
    const auto until = std::chrono::steady_clock::now() + kMostSearchTime;

    FoundCopy best;
    DocumentText bestText;
    for (const EarlierSave& save : earlierSavesOf(m_fs, m_paths.local, kMostCandidates)) {
        if (std::chrono::steady_clock::now() > until) {
            break;
        }
        if (m_fs.sameFile(save.path, m_paths.local) || m_fs.sameFile(save.path, m_paths.remote) ||
            (!declined.empty() && m_fs.sameFile(save.path, declined))) {
            continue;
        }
        // A candidate takes part only as a whole page of the run's own format: a damaged or cut save
        // would explain deletions that nobody made.
        ReadOutcome read = m_fs.readWhole(save.path);
        if (read.status != ReadStatus::Ok || claimingFormat(read.text) != &format) {
            continue;
        }
        TiddlerList list;
        const std::unique_ptr<FormatRun> scratch =
            format.startRun({{m_docs.localText, m_docs.remoteText, read.text}, m_paths.local, m_host});
        if (scratch->split(2, read.text, list).problem != PageProblem::None) {
            continue;
        }
        // A save newer than either side was made after they parted: it holds one side's later edits as
        // if they were where both started.
        if (newestStamp(list) > newestSide) {
            continue;
        }
        const Score score = scoreOf(m_docs.local, m_docs.remote, list);
        if (score.explained > best.explained) {
            best = {save.path, save.modified, score.explained, score.differences};
            bestText = std::move(read.text);
        }
    }
    if (best.explained == 0 || 2 * best.explained < best.differences || !m_host.useFoundCopy(best)) {
        return;
    }
    m_foundCopy = best.path;
    m_docs.uneditedText = std::move(bestText);
    // The found save was split and checked above with the same format; it splits the same way again.
    (void)m_format->split(2, m_docs.uneditedText, m_docs.unedited);
}

}  // namespace korvane
