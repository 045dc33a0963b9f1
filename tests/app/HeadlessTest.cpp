// Whole korvane-cli runs: the decisions printed, the exit status and the bytes of every file afterwards.
#include <gtest/gtest.h>

#include <cstdlib>

#include "merge/Messages.h"
#include "merge/run/MergeRun.h"
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
