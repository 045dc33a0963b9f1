// The early format: a `<div id="storeArea">` whose tiddlers are `<div tiddler=…>` elements with their
// text in store form. Entries are equal when their bytes are; the dialog shows an entry as it is
// stored; the merged store replaces the local store area, everything around it kept byte for byte.
#include <algorithm>
#include <cstdint>

#include "document/Markers.h"
#include "document/Text.h"
#include "merge/Messages.h"
#include "merge/format/BoxForm.h"
#include "merge/format/EarlyMerge.h"
#include "merge/format/FormatMessages.h"
#include "merge/format/Formats.h"
#include "merge/model/Visit.h"

namespace korvane {
namespace {

constexpr std::string_view kCrLf = "\r\n";

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The title that an entry's opening tag names: its `tiddler` attribute, else its `title` attribute
// (either in any letters). None unless the tag is ` name="value"` attributes up to `>`, which a browser
// reads as the split does: a stray quote would run on into the entries after it.
std::optional<std::string_view> namedTitle(std::string_view entry) {
    std::optional<std::string_view> tiddler, title;
    std::size_t at = 0;
    while (at < entry.size() && isSpace(entry[at])) {
        while (at < entry.size() && isSpace(entry[at])) {
            ++at;
        }
        if (at < entry.size() && entry[at] == '>') {
            break;
        }
        const std::size_t eq = entry.find("=\"", at);
        const std::size_t close = eq == npos ? npos : entry.find('"', eq + 2);
        const std::string_view name = entry.substr(at, eq == npos ? 0 : eq - at);
        if (close == npos || name.empty() || name.find_first_of(" \t\r\n<>\"'/=") != npos) {
            return std::nullopt;
        }
        const std::string_view value = entry.substr(eq + 2, close - eq - 2);
        if (name.size() == 7 && startsWithIgnoringCase(name, "tiddler") && !tiddler) {
            tiddler = value;
        } else if (name.size() == 5 && startsWithIgnoringCase(name, "title") && !title) {
            title = value;
        }
        at = close + 1;
    }
    if (at >= entry.size() || entry[at] != '>') {
        return std::nullopt;
    }
    return tiddler ? tiddler : title;
}

// The title the split reads from an entry standing alone in a store area, and whether the entry is one
// whole element there: written between `<div` and `</div>`, no `</div>` of its own closes it early and
// no `<div` of its own stays open.
std::pair<std::string, bool> readAlone(std::string_view entry) {
    std::string page(kStoreAreaTag);
    page.append("<div").append(entry).append("</div></div>");
    TiddlerList list;
    const StoreArea area = ParseStoreArea(page, list);
    if (list.empty()) {
        return {std::string(), false};
    }
    return {std::string(list.colTitles[0]),
            area.hasEnd() && list.size() == 1 && list.colDivs[0].size() == entry.size()};
}

// Why an edited entry (in store form) cannot stand in the store as a tiddler of one of `titles`; empty
// when it can. Anything but one whole element whose tag names the title the split reads would write a
// tiddler without a title, or cut the entries after it.
std::string entryRefusal(std::string_view entry, const std::vector<std::string>& titles) {
    const std::optional<std::string_view> named = namedTitle(entry);
    const auto [read, whole] = readAlone(entry);
    if (!named || !whole || read != *named) {
        return msg::entryRefused(msg::kNotOneEntry);
    }
    return std::find(titles.begin(), titles.end(), read) == titles.end()
               ? msg::entryRefused(msg::kTitleChanged)
               : std::string();
}

// What is wrong with a store area that does not close, or was not found.
SplitOutcome storeProblem(const StoreArea& area) {
    if (!area.found) {
        return {PageProblem::NoStore, std::string(msg::kNoStoreArea)};
    }
    return {PageProblem::StoreCutShort, std::string(msg::kStoreAreaCutShort)};
}

class EarlyRun : public FormatRun {
  public:
    explicit EarlyRun(const FormatContext& context) : m_context(context) {}

    SplitOutcome split(std::size_t role, std::string_view document, TiddlerList& list) override {
        const StoreArea area = ParseStoreArea(document, list);
        if (role == 0) {
            m_localArea = area;
        }
        if (!area.hasEnd()) {
            return storeProblem(area);
        }
        if (!endsWithClosingHtml(document)) {
            return {PageProblem::NotWhole, std::string(msg::kEndCutShort)};
        }
        return {};
    }

    void begin(const VisitingList&) override {
        m_document = PieceText();
        m_document.append(m_context.texts[0].substr(0, m_localArea.start));
        m_document.append(kStoreAreaTag);
        m_document.append("\r\n\r\n");
        m_storeBegin = m_document.size();
    }

    // A stored entry usually stands between exactly "<div" and "</div>" in its document; the element
    // is then one view. Otherwise (capital letters, or no closing tag) the tags are written anew.
    void append(std::string_view entry) override {
        static constexpr std::string_view kOpen = "<div";
        static constexpr std::string_view kClose = "</div>";
        const auto address = [](const char* p) { return reinterpret_cast<std::uintptr_t>(p); };
        for (const std::string_view doc : m_context.texts) {
            const std::uintptr_t begin = address(doc.data());
            if (address(entry.data()) < begin || address(entry.data()) > begin + doc.size()) {
                continue;
            }
            const auto at = static_cast<std::size_t>(address(entry.data()) - begin);
            const std::size_t after = at + entry.size();
            if (at >= kOpen.size() && doc.substr(at - kOpen.size(), kOpen.size()) == kOpen &&
                doc.substr(after, kClose.size()) == kClose) {
                m_document.append(doc.substr(at - kOpen.size(), kOpen.size() + after - at + kClose.size()));
                m_document.append(kCrLf);
                return;
            }
            break;
        }
        m_document.append(kOpen);
        m_document.append(entry);
        m_document.append(kClose);
        m_document.append(kCrLf);
    }

    void appendEdited(std::string entry) override { m_document.appendOwned("<div" + entry + "</div>\r\n"); }

    bool finish() override {
        m_storeEnd = m_document.size();
        m_document.append(kCrLf);
        m_document.append(m_context.texts[0].substr(m_localArea.end));
        return true;
    }

    // The text with real line breaks, as the dialog shows it; fromBox brings it back into store form.
    std::string boxText(const Visit&, std::string_view entry) const override { return toBoxForm(entry); }

    // A box left blank drops the tiddler; any other edit must read as one whole entry of the stored
    // entry's title.
    std::optional<std::string> fromBox(const std::string& boxText, std::string_view stored) override {
        std::string result = toStoreForm(boxText, stored);
        if (result == stored) {
            return std::nullopt;
        }
        if (onlySpaces(result)) {
            return std::string();
        }
        if (const std::string refused = entryRefusal(result, {readAlone(stored).first}); !refused.empty()) {
            // A host without a window passed an edit the dialog would have refused: nothing of it is kept.
            m_context.host.showMessage(refused, MessageIcon::Exclamation, std::string(msg::kBoxRefusedTitle));
            return std::nullopt;
        }
        return result;
    }

    // The dialog refuses an edited box before it closes, with the reason; a conflict box may hold
    // either title of the pair.
    void describeBoxes(const Visit& v, const ConflictPair& pair, ConflictQuestion& r) const override {
        std::vector<std::string> titles{std::string(v.title)};
        if (!pair.conflictTitle.empty()) {
            titles.push_back(pair.conflictTitle);
        }
        r.checkText = [titles = std::move(titles)](const std::string& boxText) {
            return onlySpaces(boxText) ? std::string() : entryRefusal(toStoreForm(boxText, {}), titles);
        };
    }

    // The attributes are the fields and the body the text, merged in the entry's own form.
    std::optional<std::string> mergeVersions(const Visit& v, MergeWay& way) override {
        if (!v.unedited || !v.local || !v.remote) {
            return std::nullopt;
        }
        bool tooLarge = false;
        std::optional<std::string> merged =
            mergeEarlyEntries(*v.unedited, *v.local, *v.remote, &tooLarge, &way);
        if (tooLarge) {
            m_context.host.showMessage(msg::textTooLargeForWords(v.title), MessageIcon::Information,
                                       std::string(kAppTitle));
        }
        return merged;
    }

    ConflictPair buildPair(const Visit& v, std::string_view kept, std::string_view copied) override {
        return buildConflictPair(v.title, kept, copied, m_context.host.presentTimeText());
    }

  private:
    FormatContext m_context;
    StoreArea m_localArea;
};

class EarlyFormat : public WikiFormat {
  public:
    std::string_view name() const override { return kEarlyFormatName; }
    std::string_view displayName() const override { return "TiddlyWiki Classic"; }
    bool claims(std::string_view document) const override {
        return findIgnoringCase(document, kStoreAreaTag) != npos ||
               findIgnoringCase(document, kStoreAreaTagOldForm) != npos;
    }
    SplitOutcome list(std::string_view document, TiddlerList& list) const override {
        const StoreArea area = ParseStoreArea(document, list);
        return area.hasEnd() ? SplitOutcome() : storeProblem(area);
    }
    void compare(Visit& v) const override {
        v.localIsRemote = v.local == v.remote;
        v.localIsUnedited = v.local == v.unedited;
        v.remoteIsUnedited = v.remote == v.unedited;
    }
    std::unique_ptr<FormatRun> startRun(const FormatContext& context) const override {
        return std::make_unique<EarlyRun>(context);
    }
};

}  // namespace

const WikiFormat& earlyFormat() {
    static const EarlyFormat format;
    return format;
}

}  // namespace korvane
