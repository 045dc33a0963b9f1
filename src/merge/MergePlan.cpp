#include "merge/MergePlan.h"

namespace korvane {
namespace {

std::optional<std::string_view> entryOf(const TiddlerList& list, const TitleIndex& index,
                                        std::string_view title) {
    const int i = index.find(title);
    if (i < 0) {
        return std::nullopt;
    }
    return list.colDivs[static_cast<std::size_t>(i - 1)];
}

std::string_view stampOf(const TiddlerList& list, const TitleIndex& index, std::string_view title) {
    const int i = index.find(title);
    return i < 0 ? std::string_view{} : list.colModified[static_cast<std::size_t>(i - 1)];
}

}  // namespace

MergeInputs::MergeInputs(const TiddlerList& l, const TiddlerList& r, const TiddlerList& u)
    : local(l),
      remote(r),
      unedited(u),
      localIndex(l.colTitles),
      remoteIndex(r.colTitles),
      uneditedIndex(u.colTitles) {}

std::vector<std::string_view> buildVisitingList(const MergeInputs& in) {
    std::vector<std::string_view> colAllTitles;
    colAllTitles.reserve(in.unedited.size() + in.local.size() + in.remote.size() / 8);
    TitleIndex seen;
    for (const TiddlerList* list : {&in.unedited, &in.local, &in.remote}) {
        for (std::string_view title : list->colTitles) {
            if (seen.addIfNew(title, static_cast<int>(colAllTitles.size() + 1))) {
                colAllTitles.push_back(title);
            }
        }
    }
    return colAllTitles;
}

Visit planVisit(const MergeInputs& in, std::string_view title) {
    Visit v;
    v.title = title;
    v.remote = entryOf(in.remote, in.remoteIndex, title);
    v.local = entryOf(in.local, in.localIndex, title);
    v.unedited = entryOf(in.unedited, in.uneditedIndex, title);
    v.localStamp = stampOf(in.local, in.localIndex, title);
    v.remoteStamp = stampOf(in.remote, in.remoteIndex, title);
    const bool u = v.unedited.has_value();
    const bool l = v.local.has_value();
    const bool r = v.remote.has_value();
    if (!u) {
        v.mergeCase = l ? (r ? MergeCase::C : MergeCase::B) : (r ? MergeCase::A : MergeCase::None);
    } else {
        v.mergeCase = l ? (r ? MergeCase::G : MergeCase::F) : (r ? MergeCase::E : MergeCase::D);
    }
    return v;
}

bool Visit::localSideKept() const {
    // Stamps compare by character code, so YYYYMMDDHHMM stamps compare in time order. A tie goes to
    // the friend's side for a tiddler new on both sides, and to your side for one both sides kept.
    return mergeCase == MergeCase::C ? localStamp > remoteStamp : localStamp >= remoteStamp;
}

DialogButton Visit::recommended() const {
    switch (mergeCase) {
        case MergeCase::A:
        case MergeCase::F:
            return DialogButton::Server;
        case MergeCase::B:
        case MergeCase::E:
            return DialogButton::Local;
        case MergeCase::D:
            return DialogButton::Original;
        case MergeCase::C:
        case MergeCase::G:
            return localSideKept() ? DialogButton::Local : DialogButton::Server;
        case MergeCase::None:
            break;
    }
    return DialogButton::Local;
}

char choiceCode(DialogButton button) {
    switch (button) {
        case DialogButton::Local:
            return 'l';
        case DialogButton::Original:
            return 'o';
        case DialogButton::Server:
            return 's';
        case DialogButton::Backup:
            return 'b';
    }
    return 'l';
}

}  // namespace korvane
