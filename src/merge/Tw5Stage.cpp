// The parts of a merge run that differ for TiddlyWiki 5 documents: entries go into the local store's
// form (a same-form entry keeps its bytes), the dialog shows `.tid` texts, conflict copies are built
// from fields, and the merged store is read back under the strict rules before anything is saved.
#include <algorithm>
#include <cstdint>

#include "document/Text.h"
#include "merge/ConflictPair.h"
#include "merge/MergeRun.h"
#include "merge/Messages.h"
#include "merge/Tw5Rules.h"

namespace korvane {
namespace {

constexpr std::string_view kNoteText =
    "Note: There was a conflict while merging this item. See the following link for the conflicting "
    "version: ";

std::string versionOf(std::string_view entry) {
    Fields fields;
    decodeEntry(entry, fields);
    const std::string* version = fieldValue(fields, "version");
    return version ? *version : std::string();
}

}  // namespace

std::string MergeRun::entryOf(const Fields& fields) {
    const bool json = m_docs.localLayout.writesJson();
    if (!json && m_unwritable.empty()) {
        for (const Field& f : fields) {
            if (!isDivFieldName(f.name)) {
                const std::string* title = fieldValue(fields, "title");
                m_unwritable = msg::fieldNotInDivStore(title ? *title : std::string(), f.name);
            }
        }
    }
    return toEntry(fields, json);
}

void MergeRun::appendTw5(std::string_view entry) {
    const bool json = m_docs.localLayout.writesJson();
    if (isJsonEntry(entry) == json) {
        m_entries.push_back(entry);
        return;
    }
    Fields fields;
    decodeEntry(entry, fields);
    appendEdited(entryOf(fields));
}

std::string MergeRun::boxTextTw5(const Visit& v, std::string_view entry) const {
    Fields fields;
    decodeEntry(entry, fields);
    return v.plugin ? pluginSummary(fields, entry.size()) : toTidText(fields);
}

std::optional<std::string> MergeRun::fromBoxTw5(const std::string& boxText, std::string_view stored) {
    Fields before;
    decodeEntry(stored, before);
    if (boxText == toTidText(before)) {
        return std::nullopt;
    }
    if (onlySpaces(boxText)) {
        return std::string();
    }
    const std::string* title = fieldValue(before, "title");
    if (const std::string refusal = refusalTw5(boxText, {title ? *title : std::string()}); !refusal.empty()) {
        // A host without a window passed an edit the dialog would have refused: nothing of it is kept.
        message(refusal, MessageIcon::Exclamation, msg::kBoxRefusedTitle);
        return std::nullopt;
    }
    Fields after;
    fromTidText(boxText, after);
    // The fields keep the stored version's order; new ones follow in the box's order.
    Fields ordered;
    for (const Field& f : before) {
        if (const std::string* value = fieldValue(after, f.name)) {
            ordered.push_back({f.name, *value});
        }
    }
    for (Field& f : after) {
        if (fieldValue(before, f.name) == nullptr) {
            ordered.push_back(std::move(f));
        }
    }
    if (sameTiddler(toStoreJson(ordered), toStoreJson(before))) {
        return std::nullopt;
    }
    return entryOf(ordered);
}

std::string MergeRun::refusalTw5(const std::string& boxText, const std::vector<std::string>& titles) {
    Fields fields;
    if (onlySpaces(boxText)) {
        return {};
    }
    if (const std::string problem = fromTidText(boxText, fields); !problem.empty()) {
        return msg::boxRefused(problem);
    }
    const std::string* title = fieldValue(fields, "title");
    return std::find(titles.begin(), titles.end(), *title) == titles.end()
               ? msg::boxRefused(std::string(msg::kTitleChanged))
               : std::string();
}

void MergeRun::takeBackTw5(const std::string& boxText, std::string_view stored) {
    std::optional<std::string> edited = fromBoxTw5(boxText, stored);
    if (!edited || !keepEdits()) {
        append(stored);
    } else if (!edited->empty()) {
        appendEdited(std::move(*edited));
    }
}

ConflictPair MergeRun::buildPairTw5(const Visit& v, std::string_view kept, std::string_view copied) {
    ConflictPair pair;
    const std::string base = std::string(v.title) + " (conflict " + m_host.presentTimeText() + ")";
    pair.conflictTitle = base;
    for (int n = 2; m_titles->holds(pair.conflictTitle) || m_madeTitles.contains(pair.conflictTitle); ++n) {
        pair.conflictTitle = base + " " + std::to_string(n);
    }
    m_madeTitles.insert(pair.conflictTitle);
    Fields keptFields;
    Fields copyFields;
    decodeEntry(kept, keptFields);
    decodeEntry(copied, copyFields);
    setField(keptFields, "conflict.copy", pair.conflictTitle);
    if (isWikitext(keptFields)) {
        const std::string* text = fieldValue(keptFields, "text");
        setField(keptFields, "text",
                 (text ? *text : std::string()) + "\n\n" + std::string(kNoteText) +
                     conflictLink(pair.conflictTitle));
    }
    setField(copyFields, "title", pair.conflictTitle);
    setField(copyFields, "conflict.of", std::string(v.title));
    pair.text1 = entryOf(keptFields);
    pair.text2 = entryOf(copyFields);
    return pair;
}

void MergeRun::noteCoreKept(const Visit& v) {
    if (!m_docs.tw5 || v.title != kCoreTitle || !v.local || !v.remote || v.localIsRemote) {
        return;
    }
    const std::string local = versionOf(*v.local);
    const std::string remote = versionOf(*v.remote);
    if (local != remote) {
        message(msg::coreKept(local, remote), MessageIcon::Information, msg::kCoreKeptTitle);
    }
}

bool MergeRun::mergeTw5(const VisitingList& titles) {
    m_entries.clear();
    m_unwritable.clear();
    m_entries.reserve(titles.size());
    m_titles = &titles;
    const std::size_t m = titles.size();
    for (std::size_t n = 1; n <= m; ++n) {
        if (!visit(titles.visit(n - 1), n, m)) {
            m_titles = nullptr;
            return false;
        }
    }
    m_titles = nullptr;
    return finishTw5();
}

bool MergeRun::finishTw5() {
    static constexpr std::string_view kJsonSeparator = ",\n";
    static constexpr std::string_view kLineFeed = "\n";
    const std::string_view local = m_docs.localText;
    const Tw5Layout& layout = m_docs.localLayout;
    const bool json = layout.writesJson();
    // What replaces each part of the local document that holds tiddlers, in document order: the first
    // JSON block takes the whole store, the other blocks go, and a div store keeps its tags only.
    struct Cut {
        Tw5Layout::Range range;
        bool store;
    };
    std::vector<Cut> cuts;
    if (json) {
        cuts.push_back({layout.blockArrays.front(), true});
        for (std::size_t i = 1; i < layout.blocks.size(); ++i) {
            cuts.push_back({layout.blocks[i], false});
        }
        if (layout.hasDivStore && layout.divElements.end > layout.divElements.begin) {
            cuts.push_back({layout.divElements, false});
        }
    } else {
        cuts.push_back({layout.divElements, true});
    }
    std::sort(cuts.begin(), cuts.end(),
              [](const Cut& a, const Cut& b) { return a.range.begin < b.range.begin; });
    m_newDocument = PieceText();
    std::size_t at = 0;
    for (const Cut& cut : cuts) {
        m_newDocument.append(local.substr(at, cut.range.begin - at));
        at = cut.range.end;
        if (!cut.store) {
            continue;
        }
        const bool noElements = !json && layout.divElements.end == layout.divElements.begin;
        m_newDocument.append(json ? std::string_view("[\n") : noElements ? kLineFeed : std::string_view());
        m_storeBegin = m_newDocument.size();
        // A separator is taken from the local document where it follows the entry there, so that a run
        // of unchanged tiddlers stays one piece of the document (written with one system call).
        const auto separatorAfter = [&local](std::string_view entry, std::string_view separator) {
            const auto address = [](const char* p) { return reinterpret_cast<std::uintptr_t>(p); };
            const std::uintptr_t end = address(entry.data()) + entry.size();
            if (end >= address(local.data()) &&
                end + separator.size() <= address(local.data()) + local.size()) {
                const std::string_view after = local.substr(end - address(local.data()), separator.size());
                if (after == separator) {
                    return after;
                }
            }
            return separator;
        };
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (i > 0) {
                m_newDocument.append(separatorAfter(m_entries[i - 1], json ? kJsonSeparator : kLineFeed));
            }
            m_newDocument.append(m_entries[i]);
        }
        m_storeEnd = m_newDocument.size();
        m_newDocument.append(json ? std::string_view("\n]") : noElements ? kLineFeed : std::string_view());
    }
    m_newDocument.append(local.substr(at));

    // The merged store must load in TiddlyWiki as a whole: read it back with the strict rules.
    const DocumentText merged = m_newDocument.documentText();
    TiddlerList check;
    Tw5Layout checkLayout;
    std::string problem = m_unwritable.empty() ? splitTw5(merged, check, checkLayout) : m_unwritable;
    if (problem.empty() && check.size() != m_entries.size()) {
        problem = "two tiddlers have the same title";
    }
    if (!problem.empty()) {
        message(msg::mergedStoreRefused(problem, m_paths.local), MessageIcon::Critical, kAppTitle);
        m_stopped = true;
        return false;
    }
    return true;
}

}  // namespace korvane
