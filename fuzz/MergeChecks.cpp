// The input is split into a local, a remote and an unedited document and a script of answers: buttons,
// edits that add plain words or blank a box, and Yes or No to every question. A whole merge run with
// the save never faults, and:
// - every title whose local and remote entries are equal stands in the merged document exactly once;
// - where no edit removed an element's markup, the merged document splits back into exactly the
//   elements the merge appended, in order;
// - after the save the three files hold the merged document.
#include <algorithm>
#include <iterator>

#include "FuzzCheck.h"
#include "merge/format/BoxForm.h"
#include "merge/run/MergeRun.h"
#include "support/MemoryFileSystem.h"

namespace korvane::fuzz {
namespace {

class ScriptedAnswers : public MergeHost {
  public:
    explicit ScriptedAnswers(Script& script) : m_script(script) {}
    bool blankedABox = false;

    void showMessage(const std::string&, MessageIcon, const std::string&) override {}
    bool ask(const Question& q) override {
        return m_script.remaining() == 0 ? q.yesIsDefault : m_script.flag();
    }
    ConflictAnswer settleConflict(const ConflictRequest& r) override {
        ConflictAnswer a;
        a.texts = {toBoxForm(r.texts.strLocal), toBoxForm(r.texts.strOriginal), toBoxForm(r.texts.strServer),
                   toBoxForm(r.texts.strConflict1), toBoxForm(r.texts.strConflict2)};
        if (m_script.remaining() == 0) {
            a.choice = r.boldButton.value_or(DialogButton::Local);
            return a;
        }
        // Only an enabled button can be pressed.
        std::vector<DialogButton> enabled;
        std::ranges::copy_if(kDialogButtons, std::back_inserter(enabled),
                             [&r](DialogButton b) { return r.isEnabled(b); });
        a.choice = enabled[m_script.number(0, enabled.size() - 1)];
        if (m_script.flag()) {
            std::string& box = a.texts.of(static_cast<DialogBox>(m_script.number(0, 4)));
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

}  // namespace

void checkMerge(const std::uint8_t* data, std::size_t size) {
    Script script(data, size);
    test::MemoryFileSystem fs;
    // Only documents that end as a whole wiki does are merged.
    fs.files["local"].data = script.text(4096) + "</html>";
    fs.files["remote"].data = script.text(4096) + "</html>";
    const bool withUnedited = script.flag();
    if (withUnedited) {
        fs.files["unedited"].data = script.text(4096) + "</html>";
    }
    ScriptedAnswers host(script);
    MergeRun run(host, fs, {"local", "remote", withUnedited ? "unedited" : ""});
    if (!run.load() || !run.merge()) {
        return;
    }
    const RunDocuments& docs = run.documents();
    const std::string merged = run.newDocument();
    TiddlerList out;
    FUZZ_CHECK(ParseStoreArea(merged, out).hasEnd());

    const VisitingList visits(docs.local, docs.remote, docs.unedited);
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

    if (run.save() == RunResult::Saved) {
        FUZZ_CHECK(fs.files["local"].data == merged && fs.files["remote"].data == merged);
        FUZZ_CHECK(fs.files[withUnedited ? "unedited" : "local.LastMerge"].data == merged);
        FUZZ_CHECK((fs.files["remote"].mode & 0222) == 0);
        FUZZ_CHECK(fs.files.size() == 3);  // no backup or temporary file left over
    }
}

}  // namespace korvane::fuzz
