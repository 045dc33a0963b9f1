// Whole merges run from the rows of tests/data/merges.tsv, which says what they are.
#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include "merge/run/MergePlan.h"
#include "merge/run/MergeRun.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

class MergeStage : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::vector<std::pair<std::string, std::string>> named;  // name and element, the longest first

    // The text with every named element written "<div ENTRY</div>", and then every named entry, as $NAME.
    std::string symbolic(std::string text) const {
        for (const bool whole : {true, false}) {
            for (const auto& [name, element] : named) {
                const std::string entry = element.substr(4, element.size() - 10);
                const std::string from = whole ? "<div" + entry + "</div>" : entry;
                for (std::size_t at; (at = text.find(from)) != std::string::npos;) {
                    text.replace(at, from.size(), "$" + name);
                }
            }
        }
        return text;
    }
    std::string wiki(const std::string& file, const std::string& names, const std::string& after = "") {
        std::vector<std::string> elements;
        std::istringstream in(names);
        for (std::string name; in >> name;) {
            const auto it =
                std::find_if(named.begin(), named.end(), [&](const auto& n) { return n.first == name; });
            elements.push_back(it->second);
        }
        return dir.write(file, after + test::earlyWiki(elements));
    }
    std::vector<std::string> merge(const test::TableRow& r);
};

std::vector<std::string> MergeStage::merge(const test::TableRow& r) {
    test::ScriptedHost host;
    std::deque<std::string> answers;
    for (std::size_t i = 4; i < r.in.size(); ++i) {
        r.in[i] == "y" || r.in[i] == "n" ? host.yesNoAnswers.push_back(r.in[i] == "y")
                                         : answers.push_back(r.in[i]);
    }
    host.answerDialog = [&](const ConflictRequest& q) {
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
                std::string& box =
                    a.texts.of(static_cast<DialogBox>(std::string_view("LOS12").find(word[2])));
                box = (word[eq - 1] == '+' ? box : "") + word.substr(eq + 1);
            }
        }
        return a;
    };
    PosixFileSystem fs;
    // The remote document differs outside its store area too, so equal stores are not "Identical".
    MergeRun run(host, fs,
                 {wiki("local.html", r.in[1]), wiki("remote.html", r.in[2], "<!-- remote -->"),
                  r.in[3] == "-" ? "" : wiki("unedited.html", r.in[3])});
    EXPECT_TRUE(run.load()) << r.where;
    const bool merged = run.merge();
    const std::string store = merged ? run.strMergedStore() : "";
    for (std::size_t at = 0, end; (end = store.find("</div>\r\n", at)) != std::string::npos; at = end + 8) {
        host.log.push_back("+" + symbolic(store.substr(at, end + 6 - at)));
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

}  // namespace
}  // namespace korvane
