// Whole korvane-cli runs: the decisions printed, the exit status and the bytes of every file afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "app/CliMessages.h"
#include "merge/Messages.h"
#include "merge/run/MergeRun.h"
#include "merge/run/Policy.h"
#include "merge/run/Review.h"
#include "merge/run/RunMessages.h"
#include "merge/sync/SyncCopies.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;

TEST(Headless, MergeRunsOutputStatusAndFiles) {
    test::setEnvironment("SOURCE_DATE_EPOCH", "1765000000"), test::setEnvironment("TZ", "UTC");
    test::TempDir dir;
    // clang-format off
    const auto merged = [](const std::vector<std::string>& entries) { return test::earlyWiki(entries, true); };
    const std::string same = earlyTiddler("S", "s"), old = earlyTiddler("E", "old"), gone = earlyTiddler("G", "g");
    const std::string edited = earlyTiddler("E", "new", "200601021200"), added = earlyTiddler("M", "m");
    const std::string mine = earlyTiddler("B", "mine", "200601031200"), friends = earlyTiddler("T", "t");
    const std::string theirs = earlyTiddler("B", "theirs", "200601021200");
    const std::string u = test::earlyWiki({same, old, gone, earlyTiddler("B", "base")});
    const std::string l = test::earlyWiki({same, old, mine, added});
    const std::string r = test::earlyWiki({same, edited, gone, theirs, friends});
    const std::string note = "\\n\\nNote: There was a conflict while merging this item. See the following link "
                             "for the conflicting version: [[B (conflict 2025-12-06 05:46:40)]]";
    const std::string pair = earlyTiddler("B", "mine" + note, "200601031200") + "\r\n" +
                             earlyTiddler("B (conflict 2025-12-06 05:46:40)", "theirs", "200601021200");
    const std::string lines = "2\tG\tremote\tE\n3\tE\tdropped\tG\n4\tG\t%\tB\n5\tB\tlocal\tM\n6\tA\tremote\tT\n";
    const auto decided = [&](const char* both) { return std::string(lines).replace(lines.find('%'), 1, both); };
    using Files = std::vector<std::pair<std::string, std::string>>;
    const Files inputs = {{"l.html", l}, {"r.html", r}, {"u.html", u}};
    const std::string local = merged({same, old, mine, added}), remote = merged({same, edited, theirs, added, friends});
    const std::string summary = "Merged 6 titles: 5 differed, 1 of them conflicts settled by --conflicts ";
    // Without a rule typed, the conflicts that stayed are named instead.
    const std::string named = "Merged 6 titles: 5 differed, 0 of them merged inside the tiddler, 1 stayed a conflict: "
                              "\"B (conflict 2025-12-06 05:46:40)\"; ";
    struct Row {
        std::string args;  // %D is the folder of a fresh trio l.html, r.html, u.html
        int status;
        std::string out, errStart;
        Files files;  // every file of the folder afterwards
    };
    const Row rows[] = {
        {"/lastmerge %D/u.html --dry-run", 1, decided("both"), named + "nothing written (dry run).\n", inputs},
        {"/lastmerge %D/u.html --dry-run --no-field-merge", 1, decided("both"), summary + "both; nothing written (dry run).\n",
         inputs},
        {"/lastmerge %D/u.html --out %D/o.html", 1, decided("both"), named + "wrote \"%D/o.html\".\n",
         {inputs[0], {"o.html", merged({same, edited, pair, added, friends})}, inputs[1], inputs[2]}},
        // Three files, as the desktop program saves them.
        {"/lastmerge %D/u.html --conflicts remote", 1, decided("remote"),
         summary + "remote; wrote \"%D/l.html\", \"%D/r.html\" and \"%D/u.html\"; kept the files it replaced in \"",
         {{"l.html", remote}, {"r.html", remote}, {"u.html", remote}}},
        // Without an unedited copy every difference is a conflict; the .LastMerge copy is made.
        {"--conflicts local", 1, "2\tC\tlocal\tE\n3\tC\tlocal\tB\n4\tB\tlocal\tM\n5\tA\tdropped\tG\n6\tA\tdropped\tT\n",
         "Merged 6 titles: 5 differed, 5 of them", {{"l.html", local}, {"l.html.LastMerge", local}, {"r.html", local}, inputs[2]}},
        {"/lastmerge %D/u.html --out %D/l.html", 2, "", "Error: \"%D/l.html\" is one of the files", inputs},
        {"/lastmerge %D/u.html --conflicts theirs", 2, "",
         "korvane-cli: --conflicts takes one of both, local, remote or newer, not \"theirs\"\nUsage: "
         "korvane-cli merge ",
         inputs},
    };
    // clang-format on
    for (const Row& row : rows) {
        test::TempDir trio;
        trio.write("l.html", l), trio.write("r.html", r), trio.write("u.html", u);
        std::string args = "merge /local %D/l.html /remote %D/r.html " + row.args, err = row.errStart;
        for (std::string* text : {&args, &err}) {
            for (std::size_t at; (at = text->find("%D")) != std::string::npos;) {
                text->replace(at, 2, trio.dir().string());
            }
        }
        std::string out;
        EXPECT_EQ(test::runShell(std::string(KORVANE_CLI_PATH " ") + args, dir.path("err.txt"), &out),
                  row.status)
            << row.args;
        EXPECT_EQ(out, row.out) << row.args;
        EXPECT_EQ(test::readBytes(dir.path("err.txt")).substr(0, err.size()), err) << row.args;
        auto files = test::snapshot(trio.dir());
        for (auto& [name, bytes] : files) {
            name = std::filesystem::path(name).filename().string();
        }
        EXPECT_EQ(files, row.files) << row.args;
    }
}

// Every way through a merge decides alike: per title, what `plan` prints is what `merge` does, what git's
// driver writes and what the review window starts from; and all count the same differences and end with
// the same status. Both formats, with and without an unedited copy, a tiddler merged inside, a deletion
// against an edit, both sides deleting, an active tiddler both sides changed.
TEST(Headless, PlanMergeReviewAndDriverDecideAlike) {
    test::setEnvironment("SOURCE_DATE_EPOCH", "1765000000"), test::setEnvironment("TZ", "UTC");
    using V = std::vector<std::string>;
    const auto tw5 = [](const V& titlesAndTexts) {
        V entries;
        for (std::size_t i = 0; i + 1 < titlesAndTexts.size(); i += 2) {
            const bool style = titlesAndTexts[i] == "Css";  // a stylesheet: its copy would stay active
            entries.push_back(test::jsonTiddler(titlesAndTexts[i], titlesAndTexts[i + 1],
                                                style ? ",\"tags\":\"$:/tags/Stylesheet\"" : ""));
        }
        return test::jsonWiki(entries);
    };
    const auto classic = [](const V& titlesAndTexts) {
        V entries;
        for (std::size_t i = 0; i + 1 < titlesAndTexts.size(); i += 2) {
            entries.push_back(earlyTiddler(titlesAndTexts[i], titlesAndTexts[i + 1]));
        }
        return test::earlyWiki(entries);
    };
    // clang-format off
    const V u = {"Same", "s", "Mine", "a", "Theirs", "b", "Words", "one two three", "Clash", "x", "Gone", "g",
                 "Both gone", "d", "Css", "p"};
    const V l = {"Same", "s", "Mine", "a2", "Theirs", "b", "Words", "ONE two three", "Clash", "xl", "Css", "p1",
                 "New", "n"};
    const V r = {"Same", "s", "Mine", "a", "Theirs", "b2", "Words", "one two THREE", "Clash", "xr", "Gone", "g2",
                 "Css", "p2", "Added", "m"};
    struct Trio { std::string name, l, r, u, plan; int status; };
    const Trio trios[] = {
        {"TiddlyWiki 5", tw5(l), tw5(r), tw5(u), "1\tG\tkeep\tSame\n2\tG\tlocal\tMine\n3\tG\tremote\tTheirs\n"
         "4\tG\tmerge\tWords\n5\tG\task:b\tClash\n6\tE\task:s\tGone\n7\tD\tdropped\tBoth gone\n8\tG\task:b\tCss\n"
         "9\tB\tlocal\tNew\n10\tA\tremote\tAdded\n", 1},
        {"TiddlyWiki 5 without an unedited copy", tw5(l), tw5(r), "", "1\tC\tkeep\tSame\n2\tC\task:b\tMine\n"
         "3\tC\task:b\tTheirs\n4\tC\task:b\tWords\n5\tC\task:b\tClash\n6\tC\task:b\tCss\n7\tB\task:l\tNew\n"
         "8\tA\task:s\tGone\n9\tA\task:s\tAdded\n", 1},
        {"TiddlyWiki Classic", classic(l), classic(r), classic(u), "1\tG\tkeep\tSame\n2\tG\tlocal\tMine\n"
         "3\tG\tremote\tTheirs\n4\tG\tmerge\tWords\n5\tG\task:b\tClash\n6\tE\task:s\tGone\n7\tD\tdropped\tBoth gone\n"
         "8\tG\task:b\tCss\n9\tB\tlocal\tNew\n10\tA\tremote\tAdded\n", 1},
        {"one-sided changes only", tw5({"Same", "s", "Mine", "a2"}), tw5({"Same", "s", "Mine", "a", "Added", "m"}),
         tw5({"Same", "s", "Mine", "a"}), "1\tG\tkeep\tSame\n2\tG\tlocal\tMine\n3\tA\tremote\tAdded\n", 0},
    };
    // clang-format on
    // The word `merge` prints for a plan's ACTION; none for a title it does not report.
    const auto mergeWord = [](const std::string& action, char mergeCase) -> std::string {
        if (action == "keep" || mergeCase == 'D') {
            return "";
        }
        return action == "merge"   ? "merged"
               : action == "ask:b" ? "both"
               : action == "ask:l" ? "local"
               : action == "ask:s" ? "remote"
                                   : action;
    };
    for (const Trio& t : trios) {
        test::TempDir dir;
        const std::string local = dir.write("l.html", t.l), remote = dir.write("r.html", t.r);
        const std::string unedited = t.u.empty() ? "''" : dir.write("u.html", t.u);
        const std::string paths = " /local " + local + " /remote " + remote + " /lastmerge " + unedited;
        std::string plan, merged;
        const int planStatus =
            test::runShell(KORVANE_CLI_PATH " plan" + paths + " --no-find-base", dir.path("e"), &plan);
        const int mergeStatus =
            test::runShell(KORVANE_CLI_PATH " merge" + paths + " --no-find-base --out " + dir.path("o.html"),
                           dir.path("e"), &merged);
        dir.write("ours.html", t.l), dir.write("theirs.html", t.r), dir.write("base.html", t.u);
        const int driverStatus =
            test::runShell(std::string(KORVANE_CLI_PATH " merge-driver ") + dir.path("base.html") + " " +
                               dir.path("ours.html") + " " + dir.path("theirs.html") + " w.html",
                           dir.path("e"));
        EXPECT_EQ(plan, t.plan) << t.name;
        EXPECT_EQ(std::vector({planStatus, mergeStatus, driverStatus}), std::vector(3, t.status)) << t.name;
        EXPECT_EQ(test::readBytes(dir.path("ours.html")), test::readBytes(dir.path("o.html"))) << t.name;
        // The review, in the same run as the dialogs: its defaults and what needs a person.
        test::ScriptedHost host;
        MachineFileSystem fs;
        MergeRun run(host, fs, {local, remote, t.u.empty() ? "" : unedited});
        run.settings().mergeInside = true;
        run.settings().findCopy = false;
        ASSERT_TRUE(run.load()) << t.name;
        const VisitingList titles = run.titles();
        MergePlan defaults = run.plan(titles);
        Review review(run, defaults, titles);
        std::string fromPlan, fromReview;
        std::map<std::string, std::string> actions;  // by title
        for (std::size_t at = 0, end; (end = plan.find('\n', at)) != std::string::npos; at = end + 1) {
            std::vector<std::string> f(1);
            for (const char c : plan.substr(at, end - at)) {
                if (c == '\t') {
                    f.emplace_back();
                } else {
                    f.back().push_back(c);
                }
            }
            actions[f[3]] = f[2];
            if (const std::string word = mergeWord(f[2], f[1][0]); !word.empty()) {
                fromPlan += f[0] + '\t' + f[1] + '\t' + word + '\t' + f[3] + '\n';
            }
        }
        for (const PlanItem& i : review.items()) {
            fromReview += std::to_string(i.visit + 1) + '\t' + static_cast<char>(i.mergeCase) + '\t' +
                          std::string(decisionName(i.planned, i.mergeCase)) + '\t' + std::string(i.title) +
                          '\n';
            EXPECT_EQ(i.needsYou, actions[std::string(i.title)].starts_with("ask:")) << i.title;
        }
        EXPECT_EQ(merged, fromPlan) << t.name;
        EXPECT_EQ(fromReview, fromPlan) << t.name;
    }
}

// A side that would delete most of what the other side and the unedited copy both hold (at least 20,
// more than half) stops a merge without a person unless allowed, and a person is asked once, No the
// default, before any dialog.
TEST(Headless, MassDeletionsStopUnlessAllowed) {
    using Row = std::tuple<std::size_t, std::size_t, bool, bool>;  // held, deleted, by the remote side, stops
    for (const auto& [held, deleted, byRemote, stops] :
         {Row{39, 20, true, true}, Row{40, 20, true, false}, Row{37, 19, true, false},
          Row{39, 20, false, true}, Row{2106, 1606, true, true}}) {
        test::TempDir dir;
        std::vector<std::string> all;
        for (std::size_t i = 0; i < held; ++i) {
            all.push_back(earlyTiddler("T" + std::to_string(i), "t"));
        }
        const std::string whole = test::earlyWiki(all),
                          cut = test::earlyWiki({all.begin() + deleted, all.end()});
        const std::string l = dir.write("l.html", byRemote ? whole : cut), u = dir.write("u.html", whole);
        const std::string r = dir.write("r.html", byRemote ? cut : whole);
        for (const std::string allow : {"", " --allow-deletions"}) {
            const std::string cmd =
                " merge --dry-run /local " + l + " /remote " + r + " /lastmerge " + u + allow;
            const bool stopped = stops && allow.empty();
            EXPECT_EQ(test::runShell(KORVANE_CLI_PATH + cmd, dir.path("err")), stopped ? 2 : 0) << cmd;
            EXPECT_EQ(test::readBytes(dir.path("err"))
                          .starts_with(msg::massDeletionStopped(byRemote, deleted, held, byRemote ? r : l)),
                      stopped);
            // The driver stops the same way, in the form git-setup writes as well.
            const std::string ours = dir.write("a.html", test::readBytes(l));
            const std::string driver =
                " merge-driver" + allow + " " + u + " " + ours + " " + r + " w.html 7 %X %Y";
            EXPECT_EQ(test::runShell(KORVANE_CLI_PATH + driver, dir.path("err")), stopped ? 2 : 0) << driver;
        }
        test::ScriptedHost host;
        host.yesNoAnswers = {false};
        MachineFileSystem fs;
        MergeRun run(host, fs, {l, r, u});
        ASSERT_TRUE(run.load());
        EXPECT_EQ(run.merge(), !stops);
        EXPECT_EQ(host.log.at(0) == "ask:Merge Anyway?" &&
                      host.messages.at(0).text == msg::massDeletion(byRemote, deleted, held),
                  stops);
    }
    EXPECT_EQ(msg::massDeletion(true, 1606, 2106),
              "The friend's file would delete 1,606 of your 2,106 "
              "tiddlers. It may be cut short or damaged. Merge anyway?");
}

TEST(Headless, SyncToolConflictCopies) {
    // A name beside wiki.html, and the moment in it; empty when it is no conflict copy of wiki.html.
    const std::pair<const char*, const char*> rows[] = {
        {"wiki.sync-conflict-20261206-101500-ABCDEFG.html", "20261206101500"},
        {"wiki (conflicted copy 2026-12-06 101500).html", "20261206101500"},
        {"wiki (conflicted copy Ann Lee 2026-12-05 235959).html", "20261205235959"},
        {"wiki_conflict-20261204-080000.html", "20261204080000"},
        {"wiki (Ann's conflicted copy 2026-12-06).html", "20261206000000"},
        {"wiki (Ann\xE2\x80\x99s conflicted copy 2026-12-03).html", "20261203000000"},
        {"wiki.sync-conflict-20261206-101500-abcdefg.html", ""},
        {"wiki.sync-conflict-20261306-101500-ABCDEFG.html", ""},
        {"wiki (conflicted copyAnn 2026-12-06 101500).html", ""},
        {"wiki2 (conflicted copy 2026-12-06 101500).html", ""},
        {"wiki_conflict-20261204-0800.html", ""},
        {"wiki (A\tB\\C\r\nD's conflicted copy 2026-12-02).html", "20261202000000"},
    };
    test::TempDir dir;
    for (const auto& [name, time] : rows) {
        EXPECT_EQ(syncCopyTime("wiki.html", name).value_or(""), time) << name;
        dir.write(name, "x");
    }
    dir.write("wiki.html", "x");
    // A sync tool writes regular files: a folder, a named pipe or a link of a copy's name is none.
    std::filesystem::create_directory(dir.path("wiki_conflict-20261201-000000.html"));
    // (Windows keeps no named pipe in a folder, and may refuse to make a link.)
    test::makeNamedPipe(dir.path("wiki_conflict-20261201-000001.html"));
    test::makeLink(dir.path("wiki.html"), dir.path("wiki_conflict-20261201-000002.html"));
    std::string out, expected, folder;
    EXPECT_EQ(
        test::runShell(KORVANE_CLI_PATH " conflicts '" + dir.path("wiki.html") + "'", dir.path("err"), &out),
        0);
    for (const char c : dir.path("")) {  // the folder as given, a backslash (Windows) escaped like any
        folder += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    for (const int i : {11, 5, 3, 2, 4, 1, 0}) {  // a name is escaped as `list` escapes values
        if (i == 11 && test::kOnWindows) {
            continue;  // a Windows name holds no tab, backslash or line break
        }
        expected += folder +
                    (i == 11 ? "wiki (A\\tB\\\\C\\r\\nD's conflicted copy 2026-12-02).html" : rows[i].first) +
                    "\n";
    }
    EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace korvane
