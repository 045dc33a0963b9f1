// The search for an unedited copy when none is given: the earlier saves of the wiki that sync tools and
// TiddlyWiki's savers keep, each read, checked and judged (merge/run/Ancestry.h): only a save that can be
// where both sides started takes part, and it settles the differences where its version is one side's.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>
#include <utility>

#include "merge/Messages.h"
#include "merge/run/Ancestry.h"
#include "merge/run/Loading.h"
#include "merge/run/RunMessages.h"
#include "merge/sync/EarlierSaves.h"

namespace korvane {

namespace {

// Reading earlier saves stops after this many, or after this long: the search must not hold up a merge
// on a folder full of large backups.
constexpr std::size_t kMostCandidates = 20;
constexpr std::chrono::seconds kMostSearchTime{2};
// A save larger than this many times the larger side is not read.
constexpr std::uint64_t kMostSizeRatio = 4;

// A save that passed the test, and what it settles.
struct Qualified {
    std::string path;
    SaveJudgement judgement;
};

// What the search learned of the earlier saves it read and judged.
struct Findings {
    FoundCopy best;  // the save that settles the most differences
    DocumentText bestText;
    std::vector<Qualified> qualified;
    std::optional<std::string>
        refusal;  // why the newest save that failed the test cannot be where both started

    // Takes the judgement of one more save (they come newest first), whose text is `text`.
    void take(const EarlierSave& save, SaveJudgement judgement, DocumentText& text) {
        if (judgement.doubt != AncestryDoubt::None && !refusal) {
            refusal = msg::notAnAncestor(save.path, judgement.doubt, judgement.newer);
        }
        if (judgement.doubt != AncestryDoubt::None || judgement.settled() == 0) {
            return;
        }
        // Of two saves that settle as many, the older one is taken, since a newer one may already hold
        // an edit made after the two parted.
        if (judgement.settled() >= best.explained) {
            best = {save.path,       save.modified,    judgement.settled(), judgement.differences,
                    judgement.yours, judgement.friends};
            bestText = std::move(text);
        }
        qualified.push_back({save.path, std::move(judgement)});
    }
};

// A save far larger than either side is no earlier state of them (an archive, another wiki), and reading
// it would cost more time and memory than the merge; a file the run reads, or the .LastMerge copy the
// person declined, is none either. Such a save is passed over unread.
bool passedOver(FileSystem& fs, const EarlierSave& save, std::uint64_t largerSide,
                const std::vector<std::string>& runFiles) {
    return save.size > kMostSizeRatio * largerSide ||
           std::any_of(runFiles.begin(), runFiles.end(),
                       [&](const std::string& path) { return fs.sameFile(save.path, path); });
}

// A candidate takes part only as a whole page of the run's own format: a damaged or cut save would
// explain deletions that nobody made. `run` names the documents of a scratch run, the save's text third.
bool splitsAsWholePage(const WikiFormat& format, const FormatContext& run, const ReadOutcome& read,
                       TiddlerList& list) {
    if (read.status != ReadStatus::Ok || claimingFormat(read.text) != &format) {
        return false;
    }
    return format.startRun(run)->split(2, read.text, list).problem == PageProblem::None;
}

// Two saves that could both be where the sides started but would decide a tiddler the opposite way: at
// least one of them is not, and nothing tells which, so every difference goes to a person. The older and
// the newer of the first such two (the saves come newest first); none when they all agree.
std::optional<std::pair<std::string, std::string>> disagreeingSaves(const std::vector<Qualified>& qualified) {
    for (std::size_t a = 0; a < qualified.size(); ++a) {
        for (std::size_t b = a + 1; b < qualified.size(); ++b) {
            if (settleDifferently(qualified[a].judgement, qualified[b].judgement)) {
                return std::pair{qualified[b].path, qualified[a].path};
            }
        }
    }
    return std::nullopt;
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
    return host.ask(
        {QuestionKind::UseFoundCopy,
         msg::useFoundCopy(c.path, localMinute(c.saved), c.explained, c.differences, c.yours, c.friends),
         std::string(msg::kUseFoundCopyTitle)});
}

void TrioLoading::lookForUneditedCopy() {
    const AncestryTest test(m_trio.docs.local, m_trio.docs.remote);
    if (test.differences() == 0) {
        return;
    }
    const WikiFormat& format = formatNamed(m_trio.docs.local.format);
    // The .LastMerge copy takes no part once the person declined it.
    const std::vector<std::string> runFiles = {
        m_trio.paths.local, m_trio.paths.remote,
        m_lastMergeOffered ? lastMergePath(m_trio.paths.local) : m_trio.paths.local};
    const auto until = std::chrono::steady_clock::now() + kMostSearchTime;
    const std::uint64_t largerSide = std::max(m_trio.docs.localText.size(), m_trio.docs.remoteText.size());
    Findings found;
    for (const EarlierSave& save : earlierSavesOf(m_fs, m_trio.paths.local, kMostCandidates)) {
        if (std::chrono::steady_clock::now() > until) {
            break;
        }
        if (passedOver(m_fs, save, largerSide, runFiles)) {
            continue;
        }
        ReadOutcome read = m_fs.readWhole(save.path);
        TiddlerList list;
        if (!splitsAsWholePage(
                format,
                {{m_trio.docs.localText, m_trio.docs.remoteText, read.text}, m_trio.paths.local, m_host},
                read, list)) {
            continue;
        }
        found.take(save, test.judge(list), read.text);
    }
    if (const auto disagree = disagreeingSaves(found.qualified)) {
        m_host.foundCopyRefused(msg::savesDisagree(disagree->first, disagree->second));
        return;
    }
    const FoundCopy& best = found.best;
    if (best.explained == 0 && found.refusal) {
        m_host.foundCopyRefused(*found.refusal);
    }
    if (best.explained == 0 || 2 * best.explained < best.differences || !m_host.useFoundCopy(best)) {
        return;
    }
    m_trio.foundCopy = best.path;
    m_trio.docs.uneditedText = std::move(found.bestText);
    // The found save was split and checked above with the same format; it splits the same way again.
    (void)m_trio.format->split(2, m_trio.docs.uneditedText, m_trio.docs.unedited);
}

std::optional<SaveJudgement> TrioLoading::doubtAboutLastMerge(const std::string& lastMerge) {
    // The three files are read once here; the run takes the local and remote texts (and the .LastMerge
    // text, when it is used) from what was read, so that nothing is read twice.
    std::vector<ReadOutcome> read = m_fs.readWholeEach({m_trio.paths.local, m_trio.paths.remote, lastMerge});
    const WikiFormat* format = claimingFormat(read[0].text);
    bool judged = format != nullptr;
    TiddlerList lists[3];
    for (std::size_t i = 0; i < read.size(); ++i) {
        judged = judged && read[i].status == ReadStatus::Ok && claimingFormat(read[i].text) == format &&
                 format->list(read[i].text, lists[i]).problem == PageProblem::None;
    }
    std::optional<SaveJudgement> doubt;
    if (judged) {
        SaveJudgement j = AncestryTest(lists[0], lists[1]).judge(lists[2]);
        if (j.doubt != AncestryDoubt::None && j.differences > 0) {
            doubt = std::move(j);
        }
    }
    m_readAhead.clear();
    m_readAhead.emplace_back(m_trio.paths.local, std::move(read[0]));
    m_readAhead.emplace_back(m_trio.paths.remote, std::move(read[1]));
    m_readAhead.emplace_back(lastMerge, std::move(read[2]));
    return doubt;
}

}  // namespace korvane
