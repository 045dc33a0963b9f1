#include "merge/MergePlan.h"

namespace korvane {
namespace {

// The first entry of the title in one document, with its modified stamp.
struct Found {
    std::optional<std::string_view> entry;
    std::string_view stamp;
};

Found lookUp(const TiddlerList& list, const TitleIndex& index, std::string_view title) {
    const int i = index.find(title);
    if (i < 0) {
        return {};
    }
    const auto at = static_cast<std::size_t>(i - 1);
    return {list.colDivs[at], list.colModified[at]};
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
    colAllTitles.reserve(in.unedited.size() + in.local.size() / 16 + in.remote.size() / 16);
    // A title joins the list at its first entry in the first document that holds it.
    const auto isFirst = [](const TitleIndex& index, std::string_view title, std::size_t i) {
        return index.find(title) == static_cast<int>(i + 1);
    };
    for (std::size_t i = 0; i < in.unedited.size(); ++i) {
        if (isFirst(in.uneditedIndex, in.unedited.colTitles[i], i)) {
            colAllTitles.push_back(in.unedited.colTitles[i]);
        }
    }
    for (std::size_t i = 0; i < in.local.size(); ++i) {
        const std::string_view title = in.local.colTitles[i];
        if (in.uneditedIndex.find(title) < 0 && isFirst(in.localIndex, title, i)) {
            colAllTitles.push_back(title);
        }
    }
    for (std::size_t i = 0; i < in.remote.size(); ++i) {
        const std::string_view title = in.remote.colTitles[i];
        if (in.uneditedIndex.find(title) < 0 && in.localIndex.find(title) < 0 &&
            isFirst(in.remoteIndex, title, i)) {
            colAllTitles.push_back(title);
        }
    }
    return colAllTitles;
}

Visit planVisit(const MergeInputs& in, std::string_view title) {
    Visit v;
    v.title = title;
    const Found remote = lookUp(in.remote, in.remoteIndex, title);
    const Found local = lookUp(in.local, in.localIndex, title);
    v.remote = remote.entry;
    v.local = local.entry;
    v.unedited = lookUp(in.unedited, in.uneditedIndex, title).entry;
    v.localStamp = local.stamp;
    v.remoteStamp = remote.stamp;
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
