#include <gtest/gtest.h>

#include <optional>

#include "merge/MergePlan.h"
#include "merge/MergeRun.h"
#include "merge/Messages.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;
using test::earlyWiki;
using B = DialogButton;
using X = DialogBox;

const std::string kLocal = earlyTiddler("T", "local\\nbody", "200601021200");
const std::string kRemote = earlyTiddler("T", "remote body", "200601031200");
const std::string kUnedited = earlyTiddler("T", "base", "200601011200");

std::string entry(const std::string& element) {
    return element.substr(4, element.size() - 10);
}

// Writes the three documents (a missing one becomes no file at all for the unedited copy), loads and
// merges them with the scripted host.
class MergeStage : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::ScriptedHost host;
    test::InjectingFileSystem fs;
    std::unique_ptr<MergeRun> run;

    bool merge(const std::vector<std::string>& local, const std::vector<std::string>& remote,
               const std::optional<std::vector<std::string>>& unedited) {
        // The remote document differs outside its store area too, so equal stores are not "Identical".
        const std::string l = dir.write("local.html", earlyWiki(local));
        const std::string r = dir.write("remote.html", earlyWiki(remote) + "<!-- remote -->");
        const std::string u = unedited ? dir.write("unedited.html", earlyWiki(*unedited)) : "";
        run = std::make_unique<MergeRun>(host, fs, MergePaths{l, r, u});
        EXPECT_TRUE(run->load());
        return run->merge();
    }
    std::string merged() const { return std::string(run->strMergedStore()); }
};

std::string store(const std::vector<std::string>& elements) {
    std::string s;
    for (const std::string& e : elements) {
        s += e + "\r\n";
    }
    return s;
}

// Which documents hold tiddler T, written "ulr" with a dot for an absent one ("u.r": unedited and
// remote). `extra` goes into every document; without extras the unedited document exists only when
// it holds T.
struct Holders {
    std::vector<std::string> local, remote;
    std::optional<std::vector<std::string>> unedited;
};

Holders holders(std::string_view ulr, const std::vector<std::string>& extra = {}) {
    Holders h{extra, extra, std::nullopt};
    if (ulr[0] == 'u' || !extra.empty()) {
        h.unedited = extra;
    }
    if (ulr[0] == 'u') {
        h.unedited->push_back(kUnedited);
    }
    if (ulr[1] == 'l') {
        h.local.push_back(kLocal);
    }
    if (ulr[2] == 'r') {
        h.remote.push_back(kRemote);
    }
    return h;
}

TEST_F(MergeStage, EachCaseShowsItsVersionsAndControls) {
    struct Row {
        const char* ulr;
        B bold;
        std::set<B> disabled;
        std::set<X> aside;
        std::set<X> takenBack;  // editable in the dialog; F and G append the stored versions
    };
    // clang-format off
    const Row rows[] = {
        {"..r", B::Server, {B::Original, B::Backup}, {X::Local, X::Original, X::Conflict1, X::Conflict2}, {X::Server}},  // A
        {".l.", B::Local, {B::Original, B::Backup}, {X::Server, X::Original, X::Conflict1, X::Conflict2}, {X::Local}},   // B
        {".lr", B::Server, {B::Original}, {X::Original}, {X::Local, X::Server, X::Conflict1, X::Conflict2}},            // C
        {"u..", B::Original, {B::Local, B::Backup}, {X::Local, X::Server, X::Conflict1, X::Conflict2}, {X::Original}},  // D
        {"u.r", B::Local, {B::Backup}, {X::Conflict1, X::Conflict2}, {X::Server, X::Original}},                         // E
        {"ul.", B::Server, {B::Backup}, {X::Conflict1, X::Conflict2}, {}},                                              // F
        {"ulr", B::Server, {}, {}, {}},                                                                                 // G
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ulr);
        host = {};
        const Holders h = holders(row.ulr, {earlyTiddler("Other", "same")});
        ASSERT_TRUE(merge(h.local, h.remote, h.unedited));
        ASSERT_EQ(host.requests.size(), 1u);
        const ConflictRequest& q = host.requests[0];
        EXPECT_EQ(q.caption, "Merging item 2 of 2");
        EXPECT_EQ(q.boldButton, row.bold);
        EXPECT_EQ(q.disabledButtons, row.disabled);
        EXPECT_EQ(q.setAsideBoxes, row.aside);
        EXPECT_EQ(q.takenBackBoxes, row.takenBack);
        const std::string_view ulr = row.ulr;
        EXPECT_EQ(q.texts.strLocal, ulr[1] == 'l' ? entry(kLocal) : "");
        EXPECT_EQ(q.texts.strServer, ulr[2] == 'r' ? entry(kRemote) : "");
        EXPECT_EQ(q.texts.strOriginal, ulr[0] == 'u' ? entry(kUnedited) : "");
        const bool pair = ulr.substr(1) == "lr";
        EXPECT_EQ(q.texts.strConflict1.empty(), !pair);
        EXPECT_EQ(q.texts.strConflict2.empty(), !pair);
    }
}

TEST_F(MergeStage, EachAnswerAppendsWhatItStandsFor) {
    // Remote stamp is later: in C and G the friend's version keeps the title in the conflict pair.
    const std::string pair1 =
        "<div" + entry(kRemote) +
        "\\n\\nNote: There was a conflict while merging this item. See the following link "
        "for the conflicting version: [[T (conflict 12/5/2026 6:15:06 AM)]]</div>";
    std::string pair2 = kLocal;
    pair2.replace(pair2.find("\"T\""), 3, "\"T (conflict 12/5/2026 6:15:06 AM)\"");
    using Appended = std::map<char, std::vector<std::string>>;  // by choice code; absent: nothing
    // clang-format off
    const std::pair<const char*, Appended> rows[] = {
        {"..r", {{'s', {kRemote}}}},                                                                   // A
        {".l.", {{'l', {kLocal}}}},                                                                    // B
        {".lr", {{'l', {kLocal}}, {'s', {kRemote}}, {'o', {pair1, pair2}}, {'b', {pair1, pair2}}}},     // C
        {"u..", {{'o', {kUnedited}}}},                                                                 // D
        {"u.r", {{'s', {kRemote}}, {'o', {kUnedited}}}},                                               // E
        {"ul.", {{'l', {kLocal}}, {'o', {kUnedited}}}},                                                // F
        {"ulr", {{'l', {kLocal}}, {'s', {kRemote}}, {'o', {kUnedited}}, {'b', {pair1, pair2}}}},       // G
    };
    // clang-format on
    for (const auto& [ulr, appended] : rows) {
        for (char code : std::string("losb")) {
            SCOPED_TRACE(std::string(ulr) + " answer " + code);
            host = {};
            host.answerDialog = [code](const ConflictRequest& q) {
                return ConflictAnswer{std::string(1, code), q.texts};
            };
            const Holders h = holders(ulr);
            ASSERT_TRUE(merge(h.local, h.remote, h.unedited));
            const auto it = appended.find(code);
            EXPECT_EQ(merged(), store(it == appended.end() ? std::vector<std::string>{} : it->second));
            EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "ask:Keep Edits?"), 0);
        }
    }
}

TEST(VisitingList, OrderAndFirstEntriesMatchAFrontToBackScan) {
    // Many titles with duplicates and near misses, so the hash table collides and grows.
    std::vector<std::string> owned;
    const auto list = [&owned](int count, int modulo, int offset) {
        TiddlerList l;
        for (int i = 0; i < count; ++i) {
            owned.push_back("Title " + std::to_string((i * 7 + offset) % modulo));
        }
        for (int i = 0; i < count; ++i) {
            const std::string_view title = owned[owned.size() - count + i];
            l.colTitles.push_back(title);
            l.colDivs.push_back(title.substr(0, 6));  // the entry itself only needs an address
            l.colModified.push_back({});
        }
        return l;
    };
    owned.reserve(12000);
    const TiddlerList unedited = list(3000, 2500, 0), local = list(5000, 3700, 11),
                      remote = list(4000, 5200, 5);
    const VisitingList visits(local, remote, unedited);
    std::vector<std::string_view> expected;
    for (const TiddlerList* l : {&unedited, &local, &remote}) {
        for (std::string_view t : l->colTitles) {
            if (findTiddlerIndex(t, expected) < 0) {
                expected.push_back(t);
            }
        }
    }
    ASSERT_EQ(visits.size(), expected.size());
    const auto first = [](const TiddlerList& l, std::string_view t) -> std::optional<std::string_view> {
        const int i = findTiddlerIndex(t, l.colTitles);
        return i < 0 ? std::nullopt : std::optional(l.colDivs[static_cast<std::size_t>(i - 1)]);
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Visit v = visits.visit(i);
        ASSERT_EQ(v.title, expected[i]);
        // Same address: the very first entry, not an equal-looking later one.
        const auto same = [](std::optional<std::string_view> a, std::optional<std::string_view> b) {
            return a.has_value() == b.has_value() && (!a || a->data() == b->data());
        };
        EXPECT_TRUE(same(v.local, first(local, v.title))) << v.title;
        EXPECT_TRUE(same(v.remote, first(remote, v.title))) << v.title;
        EXPECT_TRUE(same(v.unedited, first(unedited, v.title))) << v.title;
    }
}

TEST_F(MergeStage, EqualEntriesPassSilentlyInVisitingOrder) {
    const std::string a = earlyTiddler("A", "a"), b = earlyTiddler("B", "b"), c = earlyTiddler("C", "c");
    const std::string d = earlyTiddler("D", "d"), g = earlyTiddler("G", "g");
    // Unedited order first, then local titles the unedited lacks, then the remote's; G's unedited
    // entry differs but local and remote agree.
    ASSERT_TRUE(merge({d, c, g, a}, {a, c, g, d}, std::vector{earlyTiddler("G", "old"), a}));
    EXPECT_TRUE(host.requests.empty());
    EXPECT_EQ(merged(), store({g, a, d, c}));
}

TEST_F(MergeStage, ReplacedPlaceholdersForOneSidedChanges) {
    // Only the friend changed the tiddler: local equals unedited.
    ASSERT_TRUE(merge({kUnedited}, {kRemote}, std::vector{kUnedited}));
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].texts.strOriginal, "[Same as local.]");
    EXPECT_EQ(host.requests[0].disabledButtons, std::set<B>{B::Original});
    EXPECT_EQ(host.requests[0].setAsideBoxes, std::set<X>{X::Original});

    host = {};
    ASSERT_TRUE(merge({kLocal}, {kUnedited}, std::vector{kUnedited}));
    EXPECT_EQ(host.requests[0].texts.strOriginal, "[Same as remote.]");

    // Deleted locally, unchanged remotely.
    host = {};
    ASSERT_TRUE(merge({}, {kUnedited}, std::vector{kUnedited}));
    EXPECT_EQ(host.requests[0].texts.strOriginal, "[Same as remote.]");
    EXPECT_EQ(host.requests[0].disabledButtons, (std::set<B>{B::Backup, B::Original}));
    EXPECT_EQ(host.requests[0].setAsideBoxes, (std::set<X>{X::Conflict1, X::Conflict2, X::Original}));
    EXPECT_EQ(host.requests[0].takenBackBoxes, std::set<X>{X::Server});  // "o" cannot be chosen
}

TEST_F(MergeStage, RecommendedSideOfAConflict) {
    // Kept on both sides (G): when the unedited entry is one side's, the other side changed the
    // tiddler and is recommended, whatever the stamps; otherwise the later stamp, a tie to the local
    // side. New on both sides (C): the later stamp, a tie to the remote side. The recommended side
    // keeps the title in the conflict pair.
    struct Row {
        char unedited;  // the unedited entry: 'l' the local one, 'r' the remote one, 'u' its own, '.' none
        B equalStamps, localOlder, localNewer;
    };
    const Row rows[] = {
        {'l', B::Server, B::Server, B::Server},
        {'r', B::Local, B::Local, B::Local},
        {'u', B::Local, B::Server, B::Local},
        {'.', B::Server, B::Server, B::Local},
    };
    for (const Row& row : rows) {
        const std::pair<const char*, B> stamps[] = {{"200601021200", row.equalStamps},
                                                    {"200601011200", row.localOlder},
                                                    {"200601031200", row.localNewer}};
        for (const auto& [stamp, bold] : stamps) {
            SCOPED_TRACE(std::string(1, row.unedited) + " local stamp " + stamp);
            host = {};
            const std::string l = earlyTiddler("T", "mine", stamp);
            const std::string r = earlyTiddler("T", "theirs", "200601021200");
            const std::string u = row.unedited == 'l' ? l : row.unedited == 'r' ? r : kUnedited;
            ASSERT_TRUE(merge({l}, {r}, row.unedited == '.' ? std::nullopt : std::optional(std::vector{u})));
            ASSERT_EQ(host.requests.size(), 1u);
            EXPECT_EQ(host.requests[0].boldButton, bold);
            const std::string kept = entry(bold == B::Local ? l : r);
            EXPECT_EQ(host.requests[0].texts.strConflict1.substr(0, kept.size()), kept);
        }
    }
    // A version that differs only in its modified stamp is a different version.
    host = {};
    ASSERT_TRUE(merge({earlyTiddler("T", "x", "200601011200")}, {earlyTiddler("T", "x", "200601011201")},
                      std::nullopt));
    EXPECT_EQ(host.requests.size(), 1u);
}

TEST_F(MergeStage, EditedTextsAreTakenBackAfterAQuestion) {
    struct Row {
        std::string boxText;
        std::deque<bool> answers;
        bool asked;
        std::string appended;
    };
    const std::string edited = " tiddler=\"T\" modifier=\"Ann\">line one\r\nline two";
    const Row rows[] = {
        {entry(kRemote), {}, false, kRemote},                                                     // untouched
        {edited, {true}, true, "<div tiddler=\"T\" modifier=\"Ann\">line one\\nline two</div>"},  // Yes keeps
        {edited, {false}, true, kRemote},  // No restores
        {"   ", {true}, true, ""},         // spaces only: dropped
        {"   ", {false}, true, kRemote},
        {"\r\n", {true}, true, "<div\\n</div>"},  // a line break alone is not empty
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.boxText);
        host = {};
        host.yesNoAnswers = row.answers;
        host.answerDialog = [&](const ConflictRequest& q) {
            ConflictAnswer a{"s", q.texts};
            a.texts.strServer = row.boxText;
            return a;
        };
        ASSERT_TRUE(merge({}, {kRemote}, std::nullopt));  // case A
        EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "ask:Keep Edits?"), row.asked ? 1 : 0);
        EXPECT_EQ(merged(), row.appended.empty() ? "" : row.appended + "\r\n");
    }
    // Case F ignores edits: the stored entry is appended and nothing is asked.
    host = {};
    host.answerDialog = [](const ConflictRequest& q) {
        ConflictAnswer a{"l", q.texts};
        a.texts.strLocal = "edited";
        return a;
    };
    ASSERT_TRUE(merge({kLocal}, {}, std::vector{kUnedited}));
    EXPECT_EQ(merged(), store({kLocal}));
    EXPECT_EQ(host.log, std::vector<std::string>{"dialog:Merging item 1 of 1"});
}

TEST_F(MergeStage, ConflictPairIsTakenBackWithOneQuestion) {
    for (const bool keep : {false, true}) {  // the second text edited: No restores it, Yes keeps it
        host = {};
        host.answerDialog = [](const ConflictRequest& q) {
            ConflictAnswer a{"b", q.texts};
            a.texts.strConflict2 += "!";
            return a;
        };
        host.yesNoAnswers = {keep};
        ASSERT_TRUE(merge({kLocal}, {kRemote}, std::nullopt));
        const ConflictTexts& built = host.requests[0].texts;
        EXPECT_EQ(merged(), "<div" + built.strConflict1 + "</div>\r\n<div" + built.strConflict2 +
                                (keep ? "!" : "") + "</div>\r\n");
        EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "ask:Keep Edits?"), 1);
    }
}

TEST_F(MergeStage, LaterFormatEntriesComeBackUntouched) {
    const std::string l = test::laterTiddler("P", "one\ntwo", "200601021200");
    const std::string r = test::laterTiddler("P", "one\nthree", "200601011200");
    // The dialog hands back box texts with CR LF line breaks.
    host.answerDialog = [](const ConflictRequest& q) {
        ConflictAnswer a{"l", q.texts};
        std::string& t = a.texts.strLocal;
        for (std::size_t p = 0; (p = t.find('\n', p)) != std::string::npos; p += 2) {
            t.insert(p, "\r");
        }
        return a;
    };
    ASSERT_TRUE(merge({l}, {r}, std::nullopt));
    EXPECT_EQ(merged(), store({l}));
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "ask:Keep Edits?"), 0);
}

TEST_F(MergeStage, DuplicateTitlesAndCaptionCounting) {
    std::vector<std::string> same;
    for (int i = 1; i <= 42; ++i) {
        same.push_back(earlyTiddler("N" + std::to_string(i), "x"));
    }
    std::vector<std::string> local = same, remote = same;
    local[6] = earlyTiddler("N7", "mine");
    local.push_back(earlyTiddler("N1", "a later duplicate is never used"));
    ASSERT_TRUE(merge(local, remote, std::nullopt));
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].caption, "Merging item 7 of 42");
    EXPECT_EQ(merged().find("never used"), std::string::npos);
}

TEST_F(MergeStage, ClosingTheDialogEndsTheProgram) {
    host.answerDialog = [](const ConflictRequest&) { return ConflictAnswer{}; };
    EXPECT_FALSE(merge({kLocal}, {kRemote}, std::nullopt));
    EXPECT_EQ(host.log.back(), "end");
}

}  // namespace
}  // namespace korvane
