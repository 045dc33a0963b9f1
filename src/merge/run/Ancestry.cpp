#include "merge/run/Ancestry.h"

#include <algorithm>

#include "merge/Messages.h"
#include "merge/format/WikiFormat.h"
#include "merge/model/Visit.h"

namespace korvane {

namespace {

// Whether the save's version of a tiddler (stamped `saved`) is newer than what a side holds of it: a
// differing version with an earlier stamp, or none at all while the save's stamp is later than
// anything on that side. Without stamps nothing is newer.
bool newerThanSide(const std::optional<std::string_view>& side, bool same, std::string_view sideStamp,
                   const std::string& newestOfSide, const std::string& saved) {
    if (same || saved.empty()) {
        return false;
    }
    const std::string stamp = side ? fullStamp(sideStamp) : newestOfSide;
    return !stamp.empty() && saved > stamp;
}

}  // namespace

std::string fullStamp(std::string_view stamp) {
    std::string full(stamp);
    if (!full.empty()) {
        full.resize(17, '0');
    }
    return full;
}

AncestryTest::AncestryTest(const TiddlerList& local, const TiddlerList& remote)
    : m_local(local), m_remote(remote) {
    TiddlerList none;
    none.format = local.format;
    const VisitingList titles(local, remote, none, formatNamed(local.format));
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const Visit v = titles.visit(i);
        if (v.keepsLocal) {
            continue;
        }
        m_newestLocal = std::max(m_newestLocal, fullStamp(v.localStamp));
        m_newestRemote = std::max(m_newestRemote, fullStamp(v.remoteStamp));
        if (!v.passesSilently()) {
            m_differenceAt.emplace(v.title, m_differences++);
        }
    }
}

SaveJudgement AncestryTest::judge(const TiddlerList& save) const {
    SaveJudgement j;
    j.differences = m_differences;
    j.settles.assign(m_differences, 0);
    bool sameAsLocal = true, sameAsRemote = true;
    std::size_t newerLocal = 0, newerRemote = 0;
    const VisitingList titles(m_local, m_remote, save, formatNamed(m_local.format));
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const Visit v = titles.visit(i);
        if (v.keepsLocal) {
            continue;
        }
        sameAsLocal = sameAsLocal && v.localIsUnedited;
        sameAsRemote = sameAsRemote && v.remoteIsUnedited;
        if (v.unedited) {
            const std::string saved = fullStamp(v.uneditedStamp);
            newerLocal += newerThanSide(v.local, v.localIsUnedited, v.localStamp, m_newestLocal, saved);
            newerRemote += newerThanSide(v.remote, v.remoteIsUnedited, v.remoteStamp, m_newestRemote, saved);
        }
        if (!(v.local || v.remote) || v.passesSilently()) {
            continue;
        }
        const auto at = m_differenceAt.find(v.title);
        if (at == m_differenceAt.end()) {
            continue;
        }
        char& settles = j.settles[at->second];
        if (v.localIsUnedited) {
            settles = 'R';
            ++j.friends;
        } else if (v.remoteIsUnedited) {
            settles = 'L';
            ++j.yours;
        }
    }
    if (sameAsLocal || sameAsRemote) {
        j.doubt = sameAsLocal ? AncestryDoubt::SameAsLocal : AncestryDoubt::SameAsRemote;
    } else if (newerRemote > 0 || newerLocal > 0) {
        j.doubt = newerRemote > 0 ? AncestryDoubt::NewerThanRemote : AncestryDoubt::NewerThanLocal;
        j.newer = newerRemote > 0 ? newerRemote : newerLocal;
    }
    return j;
}

std::string msg::notAnAncestor(const std::string& path, AncestryDoubt doubt, std::size_t newer) {
    std::string why = msg::quoted(path) + " does not look like the copy both of you started from: it holds ";
    switch (doubt) {
        case AncestryDoubt::SameAsLocal:
        case AncestryDoubt::SameAsRemote:
            why += "the same tiddlers as ";
            break;
        case AncestryDoubt::None:
        case AncestryDoubt::NewerThanLocal:
        case AncestryDoubt::NewerThanRemote:
            why += msg::countText(newer) + (newer == 1 ? " edit newer than " : " edits newer than ");
            break;
    }
    const bool local = doubt == AncestryDoubt::SameAsLocal || doubt == AncestryDoubt::NewerThanLocal;
    return why + (local ? "your file." : "your friend's file.");
}

bool settleDifferently(const SaveJudgement& a, const SaveJudgement& b) {
    for (std::size_t i = 0; i < a.settles.size() && i < b.settles.size(); ++i) {
        if (a.settles[i] != 0 && b.settles[i] != 0 && a.settles[i] != b.settles[i]) {
            return true;
        }
    }
    return false;
}

}  // namespace korvane
