#include "merge/model/Visit.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace korvane {

VisitingList::VisitingList(const TiddlerList& local, const TiddlerList& remote, const TiddlerList& unedited,
                           const VisitRules& rules)
    : m_local(local), m_remote(remote), m_unedited(unedited), m_rules(rules) {
    std::size_t slots = 16;
    while (slots < 2 * std::max({local.size(), remote.size(), unedited.size()})) {
        slots *= 2;
    }
    m_slots.assign(slots, Slot{});
    m_rows.reserve(std::max({local.size(), remote.size(), unedited.size()}) + 16);
    // The order of the documents here is the visiting order; only a title's first entry counts.
    for (const auto& [list, which] : {std::pair{&unedited, &Row::unedited}, std::pair{&local, &Row::local},
                                      std::pair{&remote, &Row::remote}}) {
        for (std::size_t i = 0; i < list->size(); ++i) {
            Row& row = rowFor(list->colTitles[i]);
            if (row.*which < 0) {
                row.*which = static_cast<int>(i);
            }
        }
    }
}

VisitingList::Row& VisitingList::rowFor(std::string_view title) {
    if (2 * (m_rows.size() + 1) > m_slots.size()) {
        grow();
    }
    const std::size_t hash = std::hash<std::string_view>{}(title);
    const auto bits = static_cast<std::uint32_t>(hash);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = (hash >> 32 ^ hash) & mask;; at = (at + 1) & mask) {
        Slot& slot = m_slots[at];
        if (slot.row == 0) {
            m_rows.push_back({title});
            slot = {bits, static_cast<std::uint32_t>(m_rows.size())};
            return m_rows.back();
        }
        if (slot.hashBits == bits && m_rows[slot.row - 1].title == title) {
            return m_rows[slot.row - 1];
        }
    }
}

void VisitingList::grow() {
    m_slots.assign(m_slots.size() * 2, Slot{});
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const std::size_t hash = std::hash<std::string_view>{}(m_rows[r].title);
        std::size_t at = (hash >> 32 ^ hash) & mask;
        while (m_slots[at].row != 0) {
            at = (at + 1) & mask;
        }
        m_slots[at] = {static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(r + 1)};
    }
}

Visit VisitingList::visit(std::size_t i) const {
    const Row& row = m_rows[i];
    Visit v;
    v.title = row.title;
    const auto entry = [](const TiddlerList& list, int at) -> std::optional<std::string_view> {
        return at < 0 ? std::nullopt : std::optional(list.colDivs[static_cast<std::size_t>(at)]);
    };
    v.local = entry(m_local, row.local);
    v.remote = entry(m_remote, row.remote);
    v.unedited = entry(m_unedited, row.unedited);
    v.localStamp =
        row.local < 0 ? std::string_view{} : m_local.colModified[static_cast<std::size_t>(row.local)];
    v.remoteStamp =
        row.remote < 0 ? std::string_view{} : m_remote.colModified[static_cast<std::size_t>(row.remote)];
    v.uneditedStamp = row.unedited < 0 ? std::string_view{}
                                       : m_unedited.colModified[static_cast<std::size_t>(row.unedited)];
    m_rules.compare(v);
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

bool VisitingList::holds(std::string_view title) const {
    const std::size_t hash = std::hash<std::string_view>{}(title);
    const auto bits = static_cast<std::uint32_t>(hash);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = (hash >> 32 ^ hash) & mask;; at = (at + 1) & mask) {
        const Slot& slot = m_slots[at];
        if (slot.row == 0) {
            return false;
        }
        if (slot.hashBits == bits && m_rows[slot.row - 1].title == title) {
            return true;
        }
    }
}

bool Visit::localSideKept() const {
    // For a tiddler both sides kept, a side whose entry is still the unedited one changed nothing, so
    // the other side's edit is what to keep, whatever the stamps say: an edit may keep its stamp, and
    // the two machines' clocks may differ. (A tiddler new on both sides has no unedited entry.)
    if (versionOrder != 0) {
        return versionOrder > 0;  // a plugin: the higher version
    }
    if (localIsUnedited) {
        return false;
    }
    if (remoteIsUnedited) {
        return true;
    }
    // Stamps compare by character code, so YYYYMMDDHHMM stamps compare in time order. A tie goes to
    // the friend's side for a tiddler new on both sides, and to your side for one both sides kept.
    return mergeCase == MergeCase::C ? localStamp > remoteStamp : localStamp >= remoteStamp;
}

Side Visit::recommended() const {
    switch (mergeCase) {
        case MergeCase::A:
        case MergeCase::F:
            return Side::Remote;
        case MergeCase::B:
        case MergeCase::E:
            return Side::Local;
        case MergeCase::D:
            return Side::Unedited;
        case MergeCase::C:
        case MergeCase::G:
            return localSideKept() ? Side::Local : Side::Remote;
        case MergeCase::None:
            break;
    }
    return Side::Local;
}

}  // namespace korvane
