#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include "merge/MergePlan.h"
#include "merge/MergeRun.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;
using B = DialogButton;
using X = DialogBox;
using Docs = std::vector<std::string>;

const std::string kLocal = earlyTiddler("T", "local\\nbody", "200601021200");
const std::string kRemote = earlyTiddler("T", "remote body", "200601031200");
const std::string kUnedited = earlyTiddler("T", "base", "200601011200");

std::string entry(const std::string& element) {
    return element.substr(4, element.size() - 10);
}

// The merged store area: every element followed by CR LF.
std::string store(const Docs& elements) {
    std::string s;
    for (const std::string& e : elements) {
        s += e + "\r\n";
    }
    return s;
}

// An answer with the given choice code; `edit` changes the texts the user leaves in the boxes.
std::function<ConflictAnswer(const ConflictRequest&)> answer(char code,
                                                             std::function<void(ConflictTexts&)> edit = {}) {
    return [code, edit](const ConflictRequest& q) {
        ConflictAnswer a{test::button(code), q.texts};
        if (edit) {
            edit(a.texts);
        }
        return a;
    };
}

// Writes the three documents (no unedited document: no file at all), loads and merges them with the
// scripted host.
class MergeStage : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::ScriptedHost host;
    test::InjectingFileSystem fs;
    std::unique_ptr<MergeRun> run;

    bool merge(const Docs& local, const Docs& remote, const std::optional<Docs>& unedited) {
        // The remote document differs outside its store area too, so equal stores are not "Identical".
        const std::string l = dir.write("local.html", test::earlyWiki(local));
        const std::string r = dir.write("remote.html", test::earlyWiki(remote) + "<!-- remote -->");
        const std::string u = unedited ? dir.write("unedited.html", test::earlyWiki(*unedited)) : "";
        run = std::make_unique<MergeRun>(host, fs, MergePaths{l, r, u});
        EXPECT_TRUE(run->load());
        return run->merge();
    }
    std::string merged() const { return run->strMergedStore(); }
    long keepEditsAsked() const { return std::count(host.log.begin(), host.log.end(), "ask:Keep Edits?"); }
};

// The conflict pair as appended: the kept version with the note, the other one under the conflict title.
Docs pairOf(const std::string& kept, std::string copied) {
    copied.replace(copied.find("\"T\""), 3, "\"T (conflict 12/5/2026 6:15:06 AM)\"");
    return {kept.substr(0, kept.size() - 6) +
                "\\n\\nNote: There was a conflict while merging this item. See the following link for the "
                "conflicting version: [[T (conflict 12/5/2026 6:15:06 AM)]]</div>",
            copied};
}

TEST_F(MergeStage, EachCaseShowsItsVersionsAndControlsAndTakesEachAnswer) {
    const Docs remoteKept = pairOf(kRemote, kLocal);  // the remote stamp is the later one
    const std::string other = earlyTiddler("Other", "same");
    struct Row {
        const char* ulr;
        B bold;
        std::set<B> disabled;
        std::set<X> aside;
        std::set<X> takenBack;          // editable in the dialog; F and G append the stored versions
        std::map<char, Docs> appended;  // by the choice code of each enabled button; absent: nothing
    };
    // Which documents hold tiddler T, "ulr" with a dot for an absent one, so cases A to G in order ("..r"
    // new remotely ... "ulr" kept on both sides); an unedited 'L' or 'R' is the local or remote entry itself.
    // Tiddler "Other" is the same in all three.
    // clang-format off
    const Row rows[] = {
        {"..r", B::Server, {B::Original, B::Backup}, {X::Local, X::Original, X::Conflict1, X::Conflict2}, {X::Server},
         {{'s', {kRemote}}}},
        {".l.", B::Local, {B::Original, B::Backup}, {X::Server, X::Original, X::Conflict1, X::Conflict2}, {X::Local},
         {{'l', {kLocal}}}},
        {".lr", B::Server, {B::Original}, {X::Original}, {X::Local, X::Server, X::Conflict1, X::Conflict2},
         {{'l', {kLocal}}, {'s', {kRemote}}, {'b', remoteKept}}},
        {"u..", B::Original, {B::Local, B::Backup}, {X::Local, X::Server, X::Conflict1, X::Conflict2}, {X::Original},
         {{'o', {kUnedited}}}},
        {"u.r", B::Local, {B::Backup}, {X::Conflict1, X::Conflict2}, {X::Server, X::Original}, {{'s', {kRemote}}, {'o', {kUnedited}}}},
        {"R.r", B::Local, {B::Backup, B::Original}, {X::Conflict1, X::Conflict2, X::Original}, {X::Server},
         {{'s', {kRemote}}}},
        {"ul.", B::Server, {B::Backup}, {X::Conflict1, X::Conflict2}, {}, {{'l', {kLocal}}, {'o', {kUnedited}}}},
        {"ulr", B::Server, {}, {}, {},
         {{'l', {kLocal}}, {'s', {kRemote}}, {'o', {kUnedited}}, {'b', remoteKept}}},
        {"Llr", B::Server, {B::Original}, {X::Original}, {},
         {{'l', {kLocal}}, {'s', {kRemote}}, {'b', remoteKept}}},
        {"Rlr", B::Local, {B::Original}, {X::Original}, {},
         {{'l', {kLocal}}, {'s', {kRemote}}, {'b', pairOf(kLocal, kRemote)}}},
    };
    // clang-format on
    // Each row is answered with every button and with no button (the dialog closed). A button that was
    // not offered (in "R.r" Original, whose box holds "[Same as remote.]") ends the program as an
    // internal error, as closing the dialog ends it, with nothing kept.
    for (const Row& row : rows) {
        for (const char code : {'l', 'o', 's', 'b', '-'}) {
            SCOPED_TRACE(std::string(row.ulr) + " answer " + code);
            const bool refused = code != '-' && row.disabled.contains(*test::button(code));
            host = {};
            host.answerDialog = answer(code);
            const std::string_view ulr = row.ulr;
            const auto holding = [&other](bool holds, const std::string& t) {
                return holds ? Docs{other, t} : Docs{other};
            };
            const bool ended = code == '-' || refused;
            ASSERT_EQ(merge(holding(ulr[1] == 'l', kLocal), holding(ulr[2] == 'r', kRemote),
                            holding(ulr[0] != '.', ulr[0] == 'L'   ? kLocal
                                                   : ulr[0] == 'R' ? kRemote
                                                                   : kUnedited)),
                      !ended);
            ASSERT_EQ(host.requests.size(), 1u);
            const ConflictRequest& q = host.requests[0];
            EXPECT_EQ(q.caption, "Merging item 2 of 2");
            EXPECT_EQ(q.boldButton, row.bold);
            EXPECT_EQ(q.disabledButtons, row.disabled);
            EXPECT_EQ(q.setAsideBoxes, row.aside);
            EXPECT_EQ(q.takenBackBoxes, row.takenBack);
            EXPECT_EQ(q.texts.strLocal, ulr[1] == 'l' ? entry(kLocal) : "");
            EXPECT_EQ(q.texts.strServer, ulr[2] == 'r' ? entry(kRemote) : "");
            EXPECT_EQ(q.texts.strOriginal, ulr[0] == 'u'   ? entry(kUnedited)
                                           : ulr[0] == 'L' ? "[Same as local.]"
                                           : ulr[0] == 'R' ? "[Same as remote.]"
                                                           : "");
            const bool pair = ulr.substr(1) == "lr";
            EXPECT_EQ(q.texts.strConflict1.empty(), !pair);
            EXPECT_EQ(q.texts.strConflict2.empty(), !pair);
            // Nothing else is shown or asked: the versions go in untouched, so "Keep Edits?" never comes.
            std::vector<std::string> log = {"dialog:Merging item 2 of 2"};
            if (refused) {
                log.push_back("message:Error: Internal merge error. #9668736");
            }
            if (ended) {
                log.push_back("end");
            }
            EXPECT_EQ(host.log, log);
            if (ended) {
                continue;
            }
            const auto it = row.appended.find(code);
            EXPECT_EQ(merged(), store({other}) + store(it == row.appended.end() ? Docs{} : it->second));
        }
    }
}

TEST(VisitingList, OrderAndFirstEntriesMatchAFrontToBackScan) {
    // Many titles with duplicates and near misses (letter case), so the hash table collides and grows. Each
    // entry is its own title's text, so an address tells the very first entry from an equal-looking later
    // one.
    std::deque<std::string> owned;
    TiddlerList lists[3];  // unedited, local, remote: the visiting order
    const int shapes[3][3] = {{3000, 2500, 0}, {5000, 3700, 11}, {4000, 5200, 5}};  // count, modulo, offset
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < shapes[k][0]; ++i) {
            const std::string_view title = owned.emplace_back(
                (i % 5 ? "Title " : "title ") + std::to_string((i * 7 + shapes[k][2]) % shapes[k][1]));
            lists[k].colTitles.push_back(title);
            lists[k].colDivs.push_back(title);
            lists[k].colModified.push_back({});
        }
    }
    const VisitingList visits(lists[1], lists[2], lists[0]);
    // A front-to-back scan: every title once, the first seen first.
    std::vector<std::string_view> expected;
    for (const TiddlerList& l : lists) {
        for (std::string_view t : l.colTitles) {
            if (std::find(expected.begin(), expected.end(), t) == expected.end()) {
                expected.push_back(t);
            }
        }
    }
    ASSERT_EQ(visits.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Visit v = visits.visit(i);
        ASSERT_EQ(v.title, expected[i]);
        const std::optional<std::string_view> got[3] = {v.unedited, v.local, v.remote};
        for (int k = 0; k < 3; ++k) {
            const std::vector<std::string_view>& titles = lists[k].colTitles;
            const auto at = std::find(titles.begin(), titles.end(), v.title);
            EXPECT_EQ(got[k] ? got[k]->data() : nullptr,
                      at == titles.end() ? nullptr : lists[k].colDivs[at - titles.begin()].data())
                << v.title << " in list " << k;
        }
    }
}

TEST_F(MergeStage, EqualEntriesPassSilentlyInVisitingOrder) {
    const std::string a = earlyTiddler("A", "a"), c = earlyTiddler("C", "c"), d = earlyTiddler("D", "d");
    const std::string g = earlyTiddler("G", "g");
    // A version that differs only in its modified stamp is a different version: the only question.
    const std::string s1 = earlyTiddler("S", "x", "200601011200"),
                      s2 = earlyTiddler("S", "x", "200601011201");
    // Unedited order first, then local titles the unedited lacks, then the remote's; G's unedited
    // entry differs but local and remote agree.
    // A later duplicate title is never used. An element written in other letters is written anew in
    // the usual ones, with its entry whole, whether it passes silently (U) or is chosen (W, new remotely).
    const std::string u = "<DIV tiddler=\"U\">u</DIV>", w = "<div tiddler=\"W\">w</Div>";
    ASSERT_TRUE(merge({d, c, g, a, s1, u, earlyTiddler("A", "never used")}, {a, s2, c, g, d, w, u},
                      Docs{earlyTiddler("G", "old"), a}));
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_EQ(host.requests[0].caption, "Merging item 5 of 7");
    EXPECT_EQ(merged(), store({g, a, d, c, s2, "<div tiddler=\"U\">u</div>", "<div tiddler=\"W\">w</div>"}));
}

TEST_F(MergeStage, RecommendedSideOfAConflict) {
    // Kept on both sides (G): when the unedited entry is one side's, the other side changed the
    // tiddler and is recommended, whatever the stamps; otherwise the later stamp, a tie to the local
    // side. New on both sides (C): the later stamp, a tie to the remote side. The recommended side
    // keeps the title in the conflict pair.
    // The unedited entry ('l' the local one, 'r' the remote one, 'u' its own, '.' none) and the
    // recommended side ('l' or 's') for local stamps equal to, older and newer than the remote one.
    const std::pair<char, std::string> rows[] = {{'l', "sss"}, {'r', "lll"}, {'u', "lsl"}, {'.', "ssl"}};
    const char* const stamps[] = {"200601021200", "200601011200", "200601031200"};
    for (const auto& [unedited, sides] : rows) {
        for (int i = 0; i < 3; ++i) {
            const char* const stamp = stamps[i];
            const B bold = sides[i] == 'l' ? B::Local : B::Server;
            SCOPED_TRACE(std::string(1, unedited) + " local stamp " + stamp);
            host = {};
            const std::string l = earlyTiddler("T", "mine", stamp);
            const std::string r = earlyTiddler("T", "theirs", "200601021200");
            const std::string u = unedited == 'l' ? l : unedited == 'r' ? r : kUnedited;
            ASSERT_TRUE(merge({l}, {r}, unedited == '.' ? std::nullopt : std::optional(Docs{u})));
            ASSERT_EQ(host.requests.size(), 1u);
            EXPECT_EQ(host.requests[0].boldButton, bold);
            const std::string kept = entry(bold == B::Local ? l : r);
            EXPECT_EQ(host.requests[0].texts.strConflict1.substr(0, kept.size()), kept);
        }
    }
}

TEST_F(MergeStage, EditedTextsAreTakenBackAfterAQuestion) {
    // Case A: the remote version is chosen with the given text left in its box.
    struct Row {
        std::string remote, boxText;
        std::deque<bool> answers;
        bool asked;
        std::string appended;
    };
    const std::string edited = " tiddler=\"T\" modifier=\"Ann\">line one\r\nline two";
    const std::string later = test::laterTiddler("P", "one\ntwo");
    std::string laterBox;  // the box hands back CR LF line breaks
    for (char c : entry(later)) {
        laterBox += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const Row rows[] = {
        {kRemote, entry(kRemote), {}, false, kRemote},  // untouched
        {kRemote, edited, {true}, true, "<div tiddler=\"T\" modifier=\"Ann\">line one\\nline two</div>"},
        {kRemote, edited, {false}, true, kRemote},  // No restores
        {kRemote, "   ", {true}, true, ""},         // spaces only: dropped
        {kRemote, "   ", {false}, true, kRemote},
        {kRemote, "\r\n", {true}, true, "<div\\n</div>"},  // a line break alone is not empty
        {later, laterBox, {}, false, later},               // an entry with real line feeds, untouched
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.boxText);
        host = {};
        host.yesNoAnswers = row.answers;
        host.answerDialog = answer('s', [&row](ConflictTexts& t) { t.strServer = row.boxText; });
        ASSERT_TRUE(merge({}, {row.remote}, std::nullopt));
        EXPECT_EQ(keepEditsAsked(), row.asked ? 1 : 0);
        EXPECT_EQ(merged(), row.appended.empty() ? "" : row.appended + "\r\n");
    }
    // Case F ignores edits: the stored entry is appended and nothing is asked.
    host = {};
    host.answerDialog = answer('l', [](ConflictTexts& t) { t.strLocal = "edited"; });
    ASSERT_TRUE(merge({kLocal}, {}, Docs{kUnedited}));
    EXPECT_EQ(merged(), store({kLocal}));
    EXPECT_EQ(host.log, std::vector<std::string>{"dialog:Merging item 1 of 1"});
    // The conflict pair of case C is taken back with one question: No restores, Yes keeps the edit.
    for (const bool keep : {false, true}) {
        host = {};
        host.answerDialog = answer('b', [](ConflictTexts& t) { t.strConflict2 += "!"; });
        host.yesNoAnswers = {keep};
        ASSERT_TRUE(merge({kLocal}, {kRemote}, std::nullopt));
        const ConflictTexts& built = host.requests[0].texts;
        EXPECT_EQ(merged(), store({"<div" + built.strConflict1 + "</div>",
                                   "<div" + built.strConflict2 + (keep ? "!" : "") + "</div>"}));
        EXPECT_EQ(keepEditsAsked(), 1);
    }
}

}  // namespace
}  // namespace korvane
