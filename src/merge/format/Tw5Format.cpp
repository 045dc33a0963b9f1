// TiddlyWiki 5 documents (a div store, JSON store blocks, or both): entries are compared by their
// decoded fields, the dialog shows `.tid` texts, conflict copies are built from fields, entries go into
// the local store's form (a same-form entry keeps its bytes), and the merged store is read back under
// the strict rules before anything is saved.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <set>

#include "document/Markers.h"
#include "document/Secret.h"
#include "document/Text.h"
#include "document/Tw5Store.h"
#include "merge/Messages.h"
#include "merge/format/FieldMerge.h"
#include "merge/format/FormatMessages.h"
#include "merge/format/Formats.h"
#include "merge/format/Tw5Rules.h"
#include "merge/model/Visit.h"

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

// Why an edited box cannot be taken back (it does not read, or names another title than those
// given); empty when it can. A blank box can: it drops the tiddler.
std::string refusal(const std::string& boxText, const std::vector<std::string>& titles) {
    Fields fields;
    if (onlySpaces(boxText)) {
        return {};
    }
    if (const ReadProblem problem = fromTidText(boxText, fields)) {
        return msg::boxRefused(*problem);
    }
    const std::string* title = fieldValue(fields, "title");
    return std::find(titles.begin(), titles.end(), *title) == titles.end()
               ? msg::boxRefused(std::string(msg::kTitleChanged))
               : std::string();
}

// The separator after an entry: taken from the local document where it follows the entry there, so
// that a run of unchanged tiddlers stays one piece of the document (written with one system call).
std::string_view separatorAfter(std::string_view local, std::string_view entry, std::string_view separator) {
    const auto address = [](const char* p) { return reinterpret_cast<std::uintptr_t>(p); };
    const std::uintptr_t end = address(entry.data()) + entry.size();
    if (end >= address(local.data()) && end + separator.size() <= address(local.data()) + local.size()) {
        const std::string_view after = local.substr(end - address(local.data()), separator.size());
        if (after == separator) {
            return after;
        }
    }
    return separator;
}

class Tw5Run : public FormatRun {
  public:
    explicit Tw5Run(const FormatContext& context) : m_context(context) {}

    SplitOutcome split(std::size_t role, std::string_view document, TiddlerList& list) override {
        Tw5Layout& layout = m_layouts[role];
        if (ReadProblem problem = splitTw5(document, list, layout)) {
            return {PageProblem::StoreDamaged, msg::storeDamaged(*problem)};
        }
        if (!endsWithClosingHtml(document)) {
            return {PageProblem::NotWhole, std::string(msg::kEndCutShort)};
        }
        switch (tw5Page(document, layout, list)) {
            case Tw5Page::Whole:
                break;
            case Tw5Page::NoBoot:
                return {PageProblem::NotWhole, std::string(msg::kNoBoot)};
            case Tw5Page::NoCore:
                return {PageProblem::NotWhole, std::string(msg::kNoCore)};
        }
        return {};
    }

    void begin(const VisitingList& titles) override {
        m_entries.clear();
        m_unwritable.clear();
        m_madeTitles.clear();  // a new merged store: the copies' titles are made anew
        m_entries.reserve(titles.size());
        m_titles = &titles;
    }

    void append(std::string_view entry) override {
        if (isJsonEntry(entry) == json()) {
            m_entries.push_back(entry);
            return;
        }
        Fields fields;
        decodeEntry(entry, fields);
        appendEdited(entryOf(fields));
    }

    void appendEdited(std::string entry) override {
        m_owned.push_back(std::move(entry));
        m_entries.push_back(m_owned.back());
    }

    void passedSilently(const Visit& v) override {
        if (v.title != kCoreTitle || !v.local || !v.remote || v.localIsRemote) {
            return;
        }
        const std::string local = versionOf(*v.local);
        const std::string remote = versionOf(*v.remote);
        if (local != remote) {
            m_context.host.showMessage(msg::coreKept(local, remote), MessageIcon::Information,
                                       std::string(msg::kCoreKeptTitle));
        }
    }

    bool finish() override;

    std::string boxText(const Visit& v, std::string_view entry) const override {
        Fields fields;
        decodeEntry(entry, fields);
        return v.plugin ? pluginSummary(fields, entry.size()) : toTidText(fields);
    }

    std::optional<std::string> fromBox(const std::string& boxText, std::string_view stored) override;
    std::optional<std::string> mergeVersions(const Visit& v, MergeWay& way) override;
    ConflictPair buildPair(const Visit& v, std::string_view kept, std::string_view copied) override;

    void describeBoxes(const Visit& v, const ConflictPair& pair, ConflictQuestion& r) const override {
        r.fieldForm = true;
        r.checkText = [titles = std::vector<std::string>{std::string(v.title), pair.conflictTitle}](
                          const std::string& boxText) { return refusal(boxText, titles); };
    }

  private:
    bool json() const { return m_layouts[0].writesJson(); }
    // A tiddler as an entry of the local store's form; notes a field that form cannot hold.
    std::string entryOf(const Fields& fields) {
        if (!json() && m_unwritable.empty()) {
            for (const Field& f : fields) {
                if (!isDivFieldName(f.name)) {
                    const std::string* title = fieldValue(fields, "title");
                    m_unwritable = msg::fieldNotInDivStore(title ? *title : std::string(), f.name);
                }
            }
        }
        return toEntry(fields, json());
    }
    // The local document with the merged store in place of its stores.
    void assemble();

    FormatContext m_context;
    Tw5Layout m_layouts[3];
    // The merged store's entries in order, those made by the run kept here.
    std::vector<std::string_view> m_entries;
    std::deque<std::string> m_owned;
    std::set<std::string, std::less<>> m_madeTitles;  // conflict titles given out in this run
    const VisitingList* m_titles = nullptr;
    std::string m_unwritable;  // why the merged store cannot hold a tiddler; empty when it can
};

std::optional<std::string> Tw5Run::fromBox(const std::string& boxText, std::string_view stored) {
    Fields before;
    decodeEntry(stored, before);
    if (boxText == toTidText(before)) {
        return std::nullopt;
    }
    if (onlySpaces(boxText)) {
        return std::string();
    }
    const std::string* title = fieldValue(before, "title");
    if (const std::string refused = refusal(boxText, {title ? *title : std::string()}); !refused.empty()) {
        // A host without a window passed an edit the dialog would have refused: nothing of it is kept.
        m_context.host.showMessage(refused, MessageIcon::Exclamation, std::string(msg::kBoxRefusedTitle));
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

std::optional<std::string> Tw5Run::mergeVersions(const Visit& v, MergeWay& way) {
    Fields versions[3];
    const std::optional<std::string_view> entries[3] = {v.unedited, v.local, v.remote};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!entries[i] || !decodeEntry(*entries[i], versions[i])) {
            return std::nullopt;
        }
    }
    bool tooLarge = false;
    const std::optional<Fields> merged = mergeFields(versions[0], versions[1], versions[2], &tooLarge, &way);
    if (tooLarge) {
        m_context.host.showMessage(msg::textTooLargeForWords(v.title), MessageIcon::Information,
                                   std::string(kAppTitle));
    }
    return merged ? std::optional<std::string>(entryOf(*merged)) : std::nullopt;
}

ConflictPair Tw5Run::buildPair(const Visit& v, std::string_view kept, std::string_view copied) {
    ConflictPair pair;
    const std::string base = std::string(v.title) + " (conflict " + m_context.host.presentTimeText() + ")";
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
    // The text of an active tiddler is code or markup that the wiki runs (a stylesheet, a page
    // template): the note would take part in it, so only the field names the copy.
    if (isWikitext(keptFields) && !v.inertCopy) {
        const std::string* text = fieldValue(keptFields, "text");
        setField(keptFields, "text",
                 (text ? *text : std::string()) + "\n\n" + std::string(kNoteText) +
                     conflictLink(pair.conflictTitle));
    }
    setField(copyFields, "title", pair.conflictTitle);
    setField(copyFields, "conflict.of", std::string(v.title));
    if (v.inertCopy) {
        pair.inert = true;
        pair.renamedFields = makeInert(copyFields);
    }
    pair.text1 = entryOf(keptFields);
    pair.text2 = entryOf(copyFields);
    return pair;
}

void Tw5Run::assemble() {
    static constexpr std::string_view kJsonSeparator = ",\n";
    static constexpr std::string_view kLineFeed = "\n";
    const std::string_view local = m_context.texts[0];
    const Tw5Layout& layout = m_layouts[0];
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
    m_document = PieceText();
    std::size_t at = 0;
    for (const Cut& cut : cuts) {
        m_document.append(local.substr(at, cut.range.begin - at));
        at = cut.range.end;
        if (!cut.store) {
            continue;
        }
        const bool noElements = !json && layout.divElements.end == layout.divElements.begin;
        m_document.append(json ? std::string_view("[\n") : noElements ? kLineFeed : std::string_view());
        m_storeBegin = m_document.size();
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (i > 0) {
                m_document.append(separatorAfter(local, m_entries[i - 1], json ? kJsonSeparator : kLineFeed));
            }
            m_document.append(m_entries[i]);
        }
        m_storeEnd = m_document.size();
        m_document.append(json ? std::string_view("\n]") : noElements ? kLineFeed : std::string_view());
    }
    m_document.append(local.substr(at));
}

bool Tw5Run::finish() {
    m_titles = nullptr;
    assemble();
    // The merged store must load in TiddlyWiki as a whole: read it back with the strict rules.
    DocumentText merged = m_document.documentText();
    TiddlerList check;
    Tw5Layout checkLayout;
    ReadProblem problem = m_unwritable.empty() ? splitTw5(merged, check, checkLayout) : m_unwritable;
    // The merged page of an encrypted wiki is decrypted text; one pass beside the check's own.
    wipeBytes(merged.data(), merged.size());
    if (!problem && check.size() != m_entries.size()) {
        problem = "two tiddlers have the same title";
    }
    if (problem) {
        m_context.host.showMessage(msg::mergedStoreRefused(*problem, m_context.localPath),
                                   MessageIcon::Critical, std::string(kAppTitle));
        return false;
    }
    return true;
}

class Tw5Format : public WikiFormat {
  public:
    std::string_view name() const override { return kTw5FormatName; }
    std::string_view displayName() const override { return "TiddlyWiki 5"; }
    bool claims(std::string_view document) const override {
        return detectKind(document) == DocumentKind::Tw5;
    }
    SplitOutcome list(std::string_view document, TiddlerList& list) const override {
        Tw5Layout layout;
        const ReadProblem problem = splitTw5(document, list, layout);
        return problem ? SplitOutcome{PageProblem::StoreDamaged, msg::storeDamaged(*problem)}
                       : SplitOutcome();
    }
    void compare(Visit& v) const override;
    std::unique_ptr<FormatRun> startRun(const FormatContext& context) const override {
        return std::make_unique<Tw5Run>(context);
    }
};

void Tw5Format::compare(Visit& v) const {
    using Entry = std::optional<std::string_view>;
    TiddlerComparison comparison;
    const auto same = [&comparison](const Entry& a, const Entry& b) {
        return a && b ? comparison.same(*a, *b) : a.has_value() == b.has_value();
    };
    v.localIsRemote = same(v.local, v.remote);
    v.localIsUnedited = same(v.local, v.unedited);
    v.remoteIsUnedited = v.local && v.remote && v.unedited && *v.local == *v.remote
                             ? v.localIsUnedited
                             : same(v.remote, v.unedited);
    v.keepsLocal = isSessionState(v.title) || v.title == kCoreTitle;
    if (v.passesSilently()) {
        return;
    }
    Fields local;
    Fields remote;
    if (v.local) {
        decodeEntry(*v.local, local);
    }
    if (v.remote) {
        decodeEntry(*v.remote, remote);
    }
    v.plugin = fieldValue(local, "plugin-type") != nullptr || fieldValue(remote, "plugin-type") != nullptr;
    v.inertCopy = isActiveTiddler(local) || isActiveTiddler(remote);
    if (v.plugin && v.local && v.remote) {
        const std::string* lv = fieldValue(local, "version");
        const std::string* rv = fieldValue(remote, "version");
        v.versionOrder = compareVersions(lv ? *lv : std::string_view(), rv ? *rv : std::string_view());
    }
}

}  // namespace

const WikiFormat& tw5Format() {
    static const Tw5Format format;
    return format;
}

}  // namespace korvane
