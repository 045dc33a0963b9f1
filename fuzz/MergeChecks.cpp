// The input is split into a local, a remote and an unedited document and a script of answers: buttons,
// edits that add plain words or blank a box, and Yes or No to every question. An input whose first byte
// is '5' gives TiddlyWiki 5 pages instead: two texts per document, a JSON store block's array content
// and the div store's content. A whole merge run with the save never faults, and:
// - every title whose local and remote entries are equal stands in the merged document exactly once;
// - early format: where no edit removed an element's markup, the merged document splits back into
//   exactly the elements the merge appended, in order;
// - TiddlyWiki 5: the merged page reads back whole with exactly the merged store's entries; a title
//   nobody was asked about keeps its local version, an answered one the version of the button pressed
//   (Backup: both, the other under its conflict title); an entry of the store's own form keeps its
//   bytes, one of the other form has the same fields; no other title appears;
// - a merge stops only where a question allowed it to, or a div store cannot hold a field name;
// - after the save the three files hold the merged document.
#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "FuzzCheck.h"
#include "document/Tw5Store.h"
#include "merge/format/BoxForm.h"
#include "merge/run/MergeRun.h"
#include "support/MemoryFileSystem.h"
#include "ui/conflict/ConflictRequest.h"

namespace korvane::fuzz {
namespace {

class ScriptedAnswers : public MergeHost {
  public:
    explicit ScriptedAnswers(Script& script) : m_script(script) {}
    bool blankedABox = false;
    bool refusedDeletions = false;
    // TiddlyWiki 5: every answer by title, with the box that was edited and the offered conflict title.
    struct Settled {
        DialogButton choice;
        std::optional<DialogBox> edited;
        std::string copyTitle;
    };
    std::map<std::string, Settled, std::less<>> settled;
    std::set<std::string, std::less<>> mergedTitles;  // merged inside, without a question

    void mergedInside(const std::string& title, std::size_t) override { mergedTitles.insert(title); }

    void showMessage(const std::string&, MessageIcon, const std::string&) override {}
    bool ask(const Question& q) override {
        return m_script.remaining() == 0 ? q.yesIsDefault : m_script.flag();
    }
    bool allowMassDeletion(const MassDeletion& d) override {
        const bool allowed = MergeHost::allowMassDeletion(d);
        refusedDeletions = refusedDeletions || !allowed;
        return allowed;
    }
    ConflictSettlement settleConflict(const ConflictQuestion& q) override {
        return askInDialog(q, [this](const ConflictRequest& r) { return press(r); });
    }
    // The button pressed and the edits made in the dialog.
    ConflictAnswer press(const ConflictRequest& r) {
        ConflictAnswer a;
        a.texts = r.texts;  // the boxes as the dialog shows them
        // Only an enabled button can be pressed; when the script has run out, the recommended one.
        std::vector<DialogButton> enabled;
        std::ranges::copy_if(kDialogButtons, std::back_inserter(enabled),
                             [&r](DialogButton b) { return r.isEnabled(b); });
        a.choice = m_script.remaining() == 0 ? r.boldButton.value_or(DialogButton::Local)
                                             : enabled[m_script.number(0, enabled.size() - 1)];
        // The copy's title as the request names it: a plugin's box shows a summary, not its fields.
        Settled& s = settled[r.title] = {*a.choice, std::nullopt, {}};
        if (a.choice == DialogButton::Backup) {
            s.copyTitle = r.conflictTitle;
        }
        if (m_script.flag()) {
            s.edited = static_cast<DialogBox>(m_script.number(0, 4));
            std::string& box = a.texts.of(*s.edited);
            if (m_script.flag()) {
                box = std::string(m_script.number(0, 3), ' ');
                blankedABox = true;  // the element's markup is gone with it
            } else {
                // Plain words and line breaks: an edit that adds no markup.
                static const char* const kWords[] = {"word ", "\r\n", "Edit", " 42"};
                for (std::size_t i = m_script.number(1, 4); i > 0; --i) {
                    box += kWords[m_script.number(0, 3)];
                }
            }
        }
        return a;
    }
    void setUneditedPath(const std::string&) override {}
    std::string presentTimeText() override { return "fuzz\x7fstamp"; }
    void endProgram() override { FUZZ_CHECK(false); }

  private:
    Script& m_script;
};

// A whole TiddlyWiki 5 page around two texts of the input: a JSON store block with the first as its
// array's content (none when it is empty), then the div store with the second, then the boot kernel
// when the store names `$:/core`, else a script file that holds the core.
std::string tw5Document(Script& script) {
    const std::string json = script.text(4096);
    const std::string divs = script.text(4096);
    std::string page = "<!doctype html>\n<html><head><meta charset=\"utf-8\"></head><body>\n";
    if (!json.empty()) {
        page.append(kTw5JsonStoreTag).append("[").append(json).append("]</script>\n");
    }
    page.append(kTw5DivStoreTag).append(divs).append("</div>\n");
    page += (json + divs).find("$:/core") == std::string::npos
                ? "<script src=\"tiddlywikicore.js\"></script>\n"
                : "<div id=\"bootKernel\" style=\"display:none;\"><script>$tw.boot.boot();</script></div>\n";
    return page + "</body></html>";
}

std::optional<std::string_view> entryIn(const TiddlerList& list, std::string_view title) {
    const auto at = std::find(list.colTitles.begin(), list.colTitles.end(), title);
    return at == list.colTitles.end() ? std::nullopt
                                      : std::optional(list.colDivs[at - list.colTitles.begin()]);
}

// A tiddler's fields by name. A div element always holds a text, so a tiddler without one comes back
// from a div store with an empty one, as from TiddlyWiki's own: an absent text counts as empty.
std::map<std::string, std::string> tiddlerOf(std::string_view entry) {
    Fields fields;
    decodeEntry(entry, fields);
    std::map<std::string, std::string> byName{{"text", ""}};
    for (Field& f : fields) {
        byName[f.name] = std::move(f.value);
    }
    return byName;
}

// Whether the local store is a div store and some tiddler has a field name that it cannot hold.
bool divStoreCannotHold(const RunDocuments& docs) {
    TiddlerList local;
    Tw5Layout layout;
    if (splitTw5(docs.localText, local, layout) || layout.writesJson()) {
        return false;
    }
    for (const TiddlerList* list : {&docs.local, &docs.remote, &docs.unedited}) {
        for (std::string_view entry : list->colDivs) {
            Fields fields;
            decodeEntry(entry, fields);
            if (std::ranges::any_of(fields, [](const Field& f) { return !isDivFieldName(f.name); })) {
                return true;
            }
        }
    }
    return false;
}

void checkTw5(const MergeRun& run, const ScriptedAnswers& host, const std::string& merged) {
    TiddlerList out;
    Tw5Layout layout;
    FUZZ_CHECK(!splitTw5(merged, out, layout));
    FUZZ_CHECK(tw5Page(merged, layout, out) == Tw5Page::Whole && merged.ends_with("</html>"));
    std::string entries;
    for (std::size_t i = 0; i < out.size(); ++i) {
        entries.append(i == 0 ? "" : layout.writesJson() ? ",\n" : "\n").append(out.colDivs[i]);
    }
    FUZZ_CHECK(entries == run.strMergedStore());

    const RunDocuments& docs = run.trio().docs;
    const auto count = [&out](std::string_view title) { return std::ranges::count(out.colTitles, title); };
    const auto expect = [&](std::string_view title, std::optional<std::string_view> version) {
        FUZZ_CHECK(count(title) == (version ? 1 : 0));
        if (version) {
            const std::string_view entry = *entryIn(out, title);
            FUZZ_CHECK(isJsonEntry(entry) == isJsonEntry(*version) ? entry == *version
                                                                   : tiddlerOf(entry) == tiddlerOf(*version));
        }
    };
    std::set<std::string_view> titles;
    for (const TiddlerList* list : {&docs.local, &docs.remote, &docs.unedited}) {
        titles.insert(list->colTitles.begin(), list->colTitles.end());
    }
    const TiddlerList* byButton[] = {&docs.local, &docs.unedited, &docs.remote};
    for (std::string_view title : titles) {
        const std::optional<std::string_view> local = entryIn(docs.local, title);
        const std::optional<std::string_view> remote = entryIn(docs.remote, title);
        if (host.mergedTitles.contains(title)) {
            // One version made of both sides' changes, its stamp the later of theirs.
            FUZZ_CHECK(count(title) == 1 && local && remote && !host.settled.contains(title));
            auto l = tiddlerOf(*local), r = tiddlerOf(*remote), m = tiddlerOf(*entryIn(out, title));
            FUZZ_CHECK(l["modified"].empty() || r["modified"].empty() ||
                       m["modified"] == std::max(l["modified"], r["modified"]));
            continue;
        }
        const auto answer = host.settled.find(title);
        if (answer == host.settled.end()) {
            expect(title, local);
            continue;
        }
        FUZZ_CHECK(!(local && remote && sameTiddler(*local, *remote)));
        const auto& [choice, edited, copyTitle] = answer->second;
        if (choice != DialogButton::Backup && edited != static_cast<DialogBox>(choice)) {
            expect(title, entryIn(*byButton[static_cast<int>(choice)], title));
        } else if (choice == DialogButton::Backup && (!edited || *edited < DialogBox::Conflict1)) {
            FUZZ_CHECK(count(title) == 1 && count(copyTitle) == 1 && !titles.contains(copyTitle));
        }
    }
    for (std::string_view title : out.colTitles) {
        FUZZ_CHECK(titles.contains(title) || std::ranges::any_of(host.settled, [title](const auto& s) {
                       return s.second.copyTitle == title;
                   }));
    }
}

void checkEarly(const MergeRun& run, const ScriptedAnswers& host, const std::string& merged) {
    const RunDocuments& docs = run.trio().docs;
    TiddlerList out;
    FUZZ_CHECK(ParseStoreArea(merged, out).hasEnd());

    const VisitingList visits(docs.local, docs.remote, docs.unedited, formatNamed(docs.local.format));
    // The visits are a front-to-back scan: every title once, the first seen first (unedited, local,
    // remote), each version the first entry of its title in its list.
    const TiddlerList* lists[] = {&docs.unedited, &docs.local, &docs.remote};
    std::vector<std::string_view> titles;
    for (const TiddlerList* list : lists) {
        for (std::string_view t : list->colTitles) {
            if (std::find(titles.begin(), titles.end(), t) == titles.end()) {
                titles.push_back(t);
            }
        }
    }
    FUZZ_CHECK(visits.size() == titles.size());
    for (std::size_t i = 0; i < visits.size(); ++i) {
        const Visit v = visits.visit(i);
        const std::optional<std::string_view> versions[] = {v.unedited, v.local, v.remote};
        FUZZ_CHECK(v.title == titles[i]);
        for (int k = 0; k < 3; ++k) {
            const auto& all = lists[k]->colTitles;
            const auto at = std::find(all.begin(), all.end(), v.title);
            FUZZ_CHECK((at == all.end() ? nullptr : lists[k]->colDivs[at - all.begin()].data()) ==
                       (versions[k] ? versions[k]->data() : nullptr));
        }
        // (A conflict copy made in this run may share a title that already says "(conflict".)
        if (v.passesSilently() && v.title.find("(conflict ") == std::string_view::npos) {
            FUZZ_CHECK(std::count(out.colTitles.begin(), out.colTitles.end(), v.title) == 1);
        }
    }
    if (!host.blankedABox) {
        FUZZ_CHECK(elementsOf(out) == run.strMergedStore());
    }
}

}  // namespace

void checkMerge(const std::uint8_t* data, std::size_t size) {
    const bool tw5 = size != 0 && data[0] == '5';
    Script script = tw5 ? Script(data + 1, size - 1) : Script(data, size);
    test::MemoryFileSystem fs;
    // Only documents that end as a whole wiki does are merged.
    const auto document = [&script, tw5] {
        return tw5 ? tw5Document(script) : script.text(4096) + "</html>";
    };
    fs.files["local"].data = document();
    fs.files["remote"].data = document();
    const bool withUnedited = script.flag();
    if (withUnedited) {
        fs.files["unedited"].data = document();
    }
    ScriptedAnswers host(script);
    MergeRun run(host, fs, {"local", "remote", withUnedited ? "unedited" : ""});
    // Half of the inputs merge inside tiddlers as korvane-cli does, without changing how a script reads.
    run.settings().mergeInside = size % 2 == 1;
    if (!run.load()) {
        return;
    }
    const RunDocuments& docs = run.trio().docs;
    const bool tw5Run = detectKind(docs.localText) == DocumentKind::Tw5;
    if (!run.merge()) {
        FUZZ_CHECK(host.refusedDeletions || (tw5Run && divStoreCannotHold(docs)));
        return;
    }
    const std::string merged = run.newDocument();
    if (tw5Run) {
        checkTw5(run, host, merged);
    } else {
        checkEarly(run, host, merged);
    }

    if (run.save() == RunResult::Saved) {
        FUZZ_CHECK(fs.files["local"].data == merged && fs.files["remote"].data == merged);
        FUZZ_CHECK(fs.files[withUnedited ? "unedited" : "local.LastMerge"].data == merged);
        FUZZ_CHECK((fs.files["remote"].mode & 0222) == 0);
        FUZZ_CHECK(fs.files.size() == 3);  // no backup or temporary file left over
    }
}

}  // namespace korvane::fuzz
