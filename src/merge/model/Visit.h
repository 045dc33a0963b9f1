// The decisions of a merge that need no user: the order in which titles are visited, and for each
// title its case and what the conflict dialog would recommend.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "document/StoreArea.h"
#include "merge/MergeHost.h"

namespace korvane {

struct Visit;

// The three copies of a wiki in a merge.
enum class Side : char { Local, Remote, Unedited };

// What is known about a title beyond where it stands: whether two of its versions are the same tiddler,
// and what the wiki's format says about it. The run's format gives it.
class VisitRules {
  public:
    virtual void compare(Visit& v) const = 0;

  protected:
    ~VisitRules() = default;
};

struct Visit {
    std::string_view title;
    MergeCase mergeCase = MergeCase::None;
    // The first entry of the title in each document, when present.
    std::optional<std::string_view> local;
    std::optional<std::string_view> remote;
    std::optional<std::string_view> unedited;
    std::string_view localStamp;
    std::string_view remoteStamp;
    std::string_view uneditedStamp;

    // Whether two of the versions are the same tiddler (both absent counts as the same). Set where the
    // visit is made, the one place where entries are compared, so every rule below agrees on it.
    bool localIsRemote = false;
    bool localIsUnedited = false;
    bool remoteIsUnedited = false;
    // Set by the format. The local version stays without a question (session state, `$:/core`).
    bool keepsLocal = false;
    // A plugin: the dialog shows a summary instead of its text; `versionOrder` is above zero when the
    // local version is the higher, below when the remote one is.
    bool plugin = false;
    int versionOrder = 0;
    // A renamed copy would stay active in the wiki (plugin, module, draft, `$:/tags/…` tag): the
    // conflict copy is made inert, the kept version alone stays active.
    bool inertCopy = false;
    // Equal local and remote entries pass without a question.
    bool passesSilently() const { return keepsLocal || (local && remote && localIsRemote); }
    // The version the conflict dialog recommends.
    Side recommended() const;
    // For a tiddler that both sides hold differently (C, G): the local side keeps the title (and is
    // recommended). In G the side that changed the tiddler when the other did not, else the later stamp.
    bool localSideKept() const;
};

// Every title of the three documents once, in the order the merge visits them (`colAllTitles`): the
// unedited titles in their order, then the local titles the unedited document lacks, then the remote
// titles neither of the others holds. With each title it keeps the index of its first entry in every
// document, found with one hash table over all three, so a visit needs no further lookups. `rules`
// compares the entries of a visit (the format that split the lists).
class VisitingList {
  public:
    VisitingList(const TiddlerList& local, const TiddlerList& remote, const TiddlerList& unedited,
                 const VisitRules& rules);

    std::size_t size() const { return m_rows.size(); }
    std::string_view title(std::size_t i) const { return m_rows[i].title; }  // zero-based
    Visit visit(std::size_t i) const;
    // Which documents hold title i, without comparing its entries.
    struct Held {
        bool local = false, remote = false, unedited = false;
    };
    Held held(std::size_t i) const {
        return {m_rows[i].local >= 0, m_rows[i].remote >= 0, m_rows[i].unedited >= 0};
    }
    // Whether any of the three documents holds the title.
    bool holds(std::string_view title) const;

  private:
    struct Row {
        std::string_view title;
        int local = -1;  // zero-based index of the first entry, -1 when absent
        int remote = -1;
        int unedited = -1;
    };
    struct Slot {
        std::uint32_t hashBits = 0;
        std::uint32_t row = 0;  // one-based; 0 marks an empty slot
    };
    Row& rowFor(std::string_view title);
    void grow();

    const TiddlerList& m_local;
    const TiddlerList& m_remote;
    const TiddlerList& m_unedited;
    const VisitRules& m_rules;
    std::vector<Row> m_rows;
    std::vector<Slot> m_slots;
};

}  // namespace korvane
