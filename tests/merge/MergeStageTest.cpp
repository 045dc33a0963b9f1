// Whole merges run from the rows of tests/data/merges.tsv, which says what they are.
#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include "document/Text.h"
#include "document/Tw5Store.h"
#include "merge/Messages.h"
#include "merge/format/BoxForm.h"
#include "merge/format/FormatMessages.h"
#include "merge/model/ConflictQuestion.h"
#include "merge/model/Visit.h"
#include "merge/run/MergeRun.h"
#include "merge/run/Review.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

class MergeStage : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::vector<std::pair<std::string, std::string>> named;  // name and element, the longest first

    // The text with every named element written "<div ENTRY</div>", and then every named entry (as the
    // store holds it, or as a dialog box shows it), as $NAME.
    std::string symbolic(std::string text) const {
        for (const int form : {0, 2, 1}) {
            for (const auto& [name, element] : named) {
                const std::string entry =
                    element[0] == '{' ? element : element.substr(4, element.size() - 10);
                const std::string from = form == 0   ? "<div" + entry + "</div>"
                                         : form == 1 ? entry
                                                     : toBoxForm(entry);
                for (std::size_t at; (at = text.find(from)) != std::string::npos;) {
                    text.replace(at, from.size(), "$" + name);
                }
            }
        }
        return text;
    }
    // An early wiki, or with `tw5` a TiddlyWiki 5 page with one JSON store block (its core from a file).
    std::string wiki(const std::string& file, const std::string& names, bool tw5,
                     const std::string& after = "") {
        std::vector<std::string> elements;
        std::string store;
        std::istringstream in(names);
        for (std::string name; in >> name;) {
            const auto it =
                std::find_if(named.begin(), named.end(), [&](const auto& n) { return n.first == name; });
            elements.push_back(it->second);
            store += (store.empty() ? "" : ",\n") + it->second;
        }
        return dir.write(file, after + (tw5 ? "<html><body>\n" + std::string(kTw5JsonStoreTag) + "[\n" +
                                                  store + "\n]</script>" + std::string(kTw5DivStoreTag) +
                                                  "</div>\n<script src=\"core.js\"></script></body></html>\n"
                                            : test::earlyWiki(elements)));
    }
    std::vector<std::string> merge(const test::TableRow& r);
    // Answers the run's questions in its own words ("merge-q"): "l", "r", "u", "b" or "-", with "=TEXT"
    // the chosen version's text as left.
    void answerInRunWords(test::ScriptedHost& host, std::deque<std::string>& answers) const;
    // Answers the dialogs as the row says, and logs what each showed.
    void answerAsDialog(test::ScriptedHost& host, std::deque<std::string>& answers,
                        const test::TableRow& r) const;
};

void MergeStage::answerInRunWords(test::ScriptedHost& host, std::deque<std::string>& answers) const {
    host.answerQuestion = [this, &host, &answers](const ConflictQuestion& q) {
        const auto letter = [](Outcome o) { return "lruMbdE"[static_cast<int>(o)]; };
        std::string keeps, texts;
        for (const Outcome o : {Outcome::Local, Outcome::Unedited, Outcome::Remote, Outcome::Both}) {
            keeps += "-nse"[static_cast<int>(q.choosing(o))];
        }
        for (const std::optional<std::string>& t : {q.localText, q.uneditedText, q.remoteText,
                                                    std::optional(q.keptText), std::optional(q.copyText)}) {
            texts += (texts.empty() ? "texts:" : "|") + (t ? symbolic(*t) : "~");
        }
        host.log.push_back("question:" + std::to_string(q.item) + " of " + std::to_string(q.items) + " " +
                           static_cast<char>(q.mergeCase) + " rec=" + letter(q.recommended) +
                           " keeps=" + keeps + " same=" + (q.localIsUnedited ? "l" : "") +
                           (q.remoteIsUnedited ? "r" : ""));
        host.log.push_back(texts);
        ConflictSettlement a{q.recommended, {}};
        if (!answers.empty()) {
            const std::string word = answers.front();
            answers.pop_front();
            const std::size_t at = std::string_view("lru-b").find(word[0]);
            a.chosen = word[0] == '-' ? std::nullopt : std::optional(static_cast<Outcome>(at));
            if (word.size() > 1) {
                a.texts = {word.substr(2)};
            }
        }
        return a;
    };
}

void MergeStage::answerAsDialog(test::ScriptedHost& host, std::deque<std::string>& answers,
                                const test::TableRow& r) const {
    host.answerDialog = [this, &host, &answers, &r](const ConflictRequest& q) {
        std::string buttons, boxes[2], texts;
        std::transform(q.disabledButtons.begin(), q.disabledButtons.end(), std::back_inserter(buttons),
                       choiceCode);
        for (int k = 0; k < 2; ++k) {
            for (const DialogBox b : k == 0 ? q.setAsideBoxes : q.takenBackBoxes) {
                boxes[k] += "LOS12"[static_cast<int>(b)];
            }
        }
        host.log.back() += std::string(" bold=") + (q.boldButton ? choiceCode(*q.boldButton) : '-') +
                           " off=" + buttons + " aside=" + boxes[0] + " back=" + boxes[1];
        // TiddlyWiki 5 tiddlers are marked field by field, an early entry as one text.
        EXPECT_EQ(q.fieldForm, r.in[0] == "merge5") << r.where;
        ConflictAnswer a{q.boldButton.value_or(DialogButton::Local), q.texts};
        for (const DialogBox b : {DialogBox::Local, DialogBox::Original, DialogBox::Server,
                                  DialogBox::Conflict1, DialogBox::Conflict2}) {
            texts += (texts.empty() ? "texts:" : "|") + symbolic(a.texts.of(b));
        }
        host.log.push_back(texts);
        if (!answers.empty()) {  // "s", "s S=TEXT" or "b 2+=TEXT"
            const std::string word = answers.front();
            answers.pop_front();
            a.choice = test::button(word[0]);
            if (const std::size_t eq = word.find('='); eq != std::string::npos) {
                const auto edited = static_cast<DialogBox>(std::string_view("LOS12").find(word[2]));
                std::string& box = a.texts.of(edited);
                box = (word[eq - 1] == '+' ? box : "") + word.substr(eq + 1);
                if (q.isTakenBack(edited) && q.checkBox && !q.checkBox(box).empty()) {
                    host.log.push_back("refused");  // the dialog would stay open with the reason
                }
            }
        }
        return a;
    };
}

std::vector<std::string> MergeStage::merge(const test::TableRow& r) {
    test::ScriptedHost host;
    std::deque<std::string> answers;
    for (std::size_t i = 4; i < r.in.size(); ++i) {
        r.in[i] == "y" || r.in[i] == "n" ? host.yesNoAnswers.push_back(r.in[i] == "y")
                                         : answers.push_back(r.in[i]);
    }
    if (r.in[0] == "merge-q") {
        answerInRunWords(host, answers);
    }
    answerAsDialog(host, answers, r);
    MachineFileSystem fs;
    // The remote document differs outside its store area too, so equal stores are not "Identical".
    const bool tw5 = r.in[0] == "merge5";
    MergeRun run(host, fs,
                 {wiki("local.html", r.in[1], tw5), wiki("remote.html", r.in[2], tw5, "<!-- remote -->"),
                  r.in[3] == "-" ? "" : wiki("unedited.html", r.in[3], tw5)});
    EXPECT_TRUE(run.load()) << r.where;
    const bool merged = run.merge();
    const std::string store = merged ? run.strMergedStore() : "";
    for (std::size_t at = 0, end; (end = store.find("</div>\r\n", at)) != std::string::npos; at = end + 8) {
        host.log.push_back("+" + symbolic(store.substr(at, end + 6 - at)));
    }
    // A JSON store: one entry a line, a comma after all but the last.
    std::istringstream lines(tw5 ? store : "");
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("{")) {
            host.log.push_back("+" + symbolic(line.substr(0, line.rfind('}') + 1)));
        }
    }
    return host.log;
}

TEST_F(MergeStage, RunsGiveWhatTheirRowsSay) {
    for (const test::TableRow& row : test::tableRows("merges.tsv")) {
        if (row.in.at(0) == "let") {
            named.emplace_back(row.in.at(1), row.in.at(2));
            std::sort(named.begin(), named.end(),
                      [](const auto& a, const auto& b) { return a.second.size() > b.second.size(); });
        } else {
            EXPECT_EQ(merge(row), row.out) << row.where;
        }
    }
}

// The review takes an edited early-format result back only as one whole entry of its title: plain text
// and another title are refused with the reason and change nothing; a whole entry is written as edited.
TEST(EarlyReview, AnEditIsTakenOnlyAsOneWholeEntryOfItsTitle) {
    test::TempDir dir;
    test::ScriptedHost host;
    MachineFileSystem fs;
    const std::string same = test::earlyTiddler("S", "same"), base = test::earlyTiddler("A", "base");
    MergeRun run(
        host, fs,
        {dir.write("l.html", test::earlyWiki({test::earlyTiddler("A", "mine", "200601031200"), same})),
         dir.write("r.html", test::earlyWiki({base, same})),
         dir.write("u.html", test::earlyWiki({base, same}))});
    ASSERT_TRUE(run.load());
    const VisitingList titles = run.titles();
    MergePlan plan = run.plan(titles);
    Review review(run, plan, titles);
    ASSERT_EQ(review.items().size(), 1u);
    const std::string shown = review.resultText(0);
    const std::string edited = replaceAll(shown, ">mine", ">mine\r\nand more");
    EXPECT_EQ(review.edit(0, "Just my new text"), msg::entryRefused(msg::kNotOneEntry));
    EXPECT_EQ(review.edit(0, replaceAll(edited, "\"A\"", "\"B\"")), msg::entryRefused(msg::kTitleChanged));
    EXPECT_EQ(review.items()[0].outcome, Outcome::Local);
    EXPECT_FALSE(review.items()[0].decided);
    EXPECT_EQ(review.resultText(0), shown);
    EXPECT_EQ(review.edit(0, edited), std::nullopt);
    EXPECT_EQ(review.items()[0].outcome, Outcome::Edited);
    ASSERT_TRUE(review.apply());
    EXPECT_EQ(run.strMergedStore(),
              "<div" + replaceAll(edited, "\r\n", "\\n") + "</div>\r\n" + same + "\r\n");
    EXPECT_TRUE(host.log.empty());
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// A format of the test's own, "<notes>" then one "TITLE|TEXT" line per tiddler, then "</notes>": once
// registered, it is told, listed, compared, merged and saved without any other change to the program.
class NotesRun : public FormatRun {
  public:
    explicit NotesRun(const FormatContext& c) : m_local(c.texts[0]) {}
    SplitOutcome split(std::size_t, std::string_view doc, TiddlerList& list) override {
        return cut(doc, list);
    }
    static SplitOutcome cut(std::string_view doc, TiddlerList& list) {
        const std::size_t end = doc.find("</notes>");
        for (std::size_t at = 8, eol; at < end && (eol = doc.find('\n', at)) < end; at = eol + 1) {
            list.format = "notes";
            list.colDivs.push_back(doc.substr(at, eol - at));
            list.colTitles.push_back(doc.substr(at, doc.find('|', at) - at));
            list.colModifiers.push_back({}), list.colModified.push_back({}), list.colCreated.push_back({});
        }
        return end == npos ? SplitOutcome{PageProblem::StoreCutShort, "The notes never close."}
                           : SplitOutcome();
    }
    void begin(const VisitingList&) override {
        m_document = PieceText();
        m_document.append("<notes>\n");
    }
    void append(std::string_view entry) override { appendEdited(std::string(entry)); }
    void appendEdited(std::string entry) override { m_document.appendOwned(entry + "\n"); }
    bool finish() override {
        m_document.append(m_local.substr(m_local.find("</notes>")));
        return true;
    }
    std::string boxText(const Visit&, std::string_view entry) const override { return std::string(entry); }
    std::optional<std::string> fromBox(const std::string& box, std::string_view stored) override {
        return box == stored ? std::nullopt : std::optional(box);
    }
    ConflictPair buildPair(const Visit& v, std::string_view kept, std::string_view copied) override {
        const std::string title = std::string(v.title) + " (copy)";
        return {title, std::string(kept), title + std::string(copied.substr(copied.find('|')))};
    }

  private:
    std::string_view m_local;
};

class NotesFormat : public WikiFormat {
    std::string_view name() const override { return "notes"; }
    std::string_view displayName() const override { return "Notes"; }
    bool claims(std::string_view doc) const override { return doc.starts_with("<notes>"); }
    SplitOutcome list(std::string_view doc, TiddlerList& list) const override {
        return NotesRun::cut(doc, list);
    }
    void compare(Visit& v) const override {
        v.localIsRemote = v.local == v.remote, v.localIsUnedited = v.local == v.unedited;
        v.remoteIsUnedited = v.remote == v.unedited;
    }
    std::unique_ptr<FormatRun> startRun(const FormatContext& c) const override {
        return std::make_unique<NotesRun>(c);
    }
};

TEST(WikiFormats, AFormatOfItsOwnRunsThroughListPlanMergeAndSave) {
    static const NotesFormat notes;
    registerFormat(notes);
    test::TempDir dir;
    const auto wiki = [&](const char* name, const std::string& lines) {
        return dir.write(name, "<notes>\n" + lines + "</notes></html>\n");
    };
    const MergePaths paths{wiki("l", "A|1\nB|2\nK|l\n"), wiki("r", "A|1\nB|3\nK|r\nC|4\n"),
                           wiki("u", "A|1\nB|2\nK|u\n")};
    TiddlerList listed;
    const std::string remote = test::readBytes(paths.remote);
    EXPECT_EQ(formatOf(remote).list(remote, listed).problem, PageProblem::None);
    EXPECT_EQ(listed.colTitles, (std::vector<std::string_view>{"A", "B", "K", "C"}));
    test::ScriptedHost host;
    MachineFileSystem fs;
    MergeRun run(host, fs, paths);
    ASSERT_TRUE(run.load());
    std::string plan;
    for (std::size_t i = 0; i < run.titles().size(); ++i) {
        const Visit v = run.titles().visit(i);
        plan += std::string(v.title) + static_cast<char>(v.mergeCase) + (v.passesSilently() ? "=" : "?");
    }
    EXPECT_EQ(plan, "AG=BG?KG?CA?");
    host.answerDialog = [](const ConflictRequest& q) {
        return ConflictAnswer{q.title == "K" ? DialogButton::Backup : *q.boldButton, q.texts};
    };
    ASSERT_TRUE(run.merge());
    EXPECT_EQ(run.save(), RunResult::Saved);
    for (const std::string& path : {paths.local, paths.remote, paths.unedited}) {
        EXPECT_EQ(test::readBytes(path), "<notes>\nA|1\nB|3\nK|l\nK (copy)|r\nC|4\n</notes></html>\n");
    }
    // The format words what keeps its document from taking part; the run adds the file's role and path.
    const std::string cut = dir.write("c", "<notes>\nA|1\n");
    MergeRun cutShort(host, fs, {paths.local, cut, ""});
    EXPECT_FALSE(cutShort.load());
    EXPECT_EQ(host.messages.back().text,
              msg::documentRefused("The notes never close.", msg::kRemoteRole, cut));
    // A document of another format beside it is named with both formats.
    MergeRun mixed(host, fs, {paths.local, dir.write("e", test::earlyWiki({})), ""});
    EXPECT_FALSE(mixed.load());
    EXPECT_NE(host.messages.back().text.find("is a TiddlyWiki Classic file, Local file"), std::string::npos);
}

}  // namespace
}  // namespace korvane
