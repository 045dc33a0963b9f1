// Runs the built korvane-cli and checks its output, error lines and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "support/TestSupport.h"

namespace korvane {
namespace {

struct CliResult {
    std::string out;
    std::string err;
    int status = -1;
};

CliResult runCli(const test::TempDir& dir, const std::string& args) {
    const std::string errPath = dir.path("stderr.txt");
    const std::string command = std::string(KORVANE_CLI_PATH) + " " + args + " 2>'" + errPath + "'";
    CliResult r;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) {
        r.out.append(buf, n);
    }
    const int raw = ::pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = test::readBytes(errPath);
    return r;
}

TEST(CliList, PrintsOneLinePerEntryByteForByte) {
    test::TempDir dir;
    const std::string a = test::earlyTiddler("Caf\xC3\xA9 &amp; co", "x\\ny", "200601021200", "Ann");
    const std::string b = "<div tiddler=\"NoStamps\">body</div>";
    const std::string path =
        dir.write("w.html", test::earlyWiki({a, b, test::laterTiddler("Later", "l\nm")}));
    const CliResult r = runCli(dir, "list '" + path + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string expected =
        "1\tCaf\xC3\xA9 &amp; co\tAnn\t200601021200\t200501011200\t" + std::to_string(a.size() - 10) + "\n" +
        "2\tNoStamps\t tiddler=\t tiddler=\t tiddler=\t" + std::to_string(b.size() - 10) + "\n" +
        "3\tLater\tBob\t200601011200\t200501011200\t" +
        std::to_string(test::laterTiddler("Later", "l\nm").size() - 10) + "\n";
    EXPECT_EQ(r.out, expected);
}

TEST(CliList, FailuresExitWithStatusTwo) {
    test::TempDir dir;
    const CliResult noStore = runCli(dir, "list '" + dir.write("plain.html", "<html></html>") + "'");
    EXPECT_EQ(noStore.status, 2);
    EXPECT_EQ(noStore.out, "");
    EXPECT_EQ(noStore.err, "Error: Current document has no storeArea.\n");

    const CliResult missing = runCli(dir, "list '" + dir.path("missing.html") + "'");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "Error: Could not read the file \"" + dir.path("missing.html") +
                               "\": No such file or directory. No file was changed.\n");

    EXPECT_EQ(runCli(dir, "bogus").status, 2);
    EXPECT_EQ(runCli(dir, "").status, 2);
}

TEST(CliList, EmptyStoreAreaPrintsNothing) {
    test::TempDir dir;
    const CliResult r = runCli(dir, "list '" + dir.write("w.html", test::earlyWiki({})) + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST(CliPlan, PrintsOneLinePerVisitedTitle) {
    test::TempDir dir;
    using test::earlyTiddler;
    const std::string same = earlyTiddler("Same", "s");
    const std::string l = dir.write(
        "l.html",
        test::earlyWiki({same, earlyTiddler("Both", "mine", "200601031200"), earlyTiddler("Mine", "m")}));
    const std::string r = dir.write(
        "r.html",
        test::earlyWiki({earlyTiddler("Gone", "g"), same, earlyTiddler("Both", "theirs", "200601021200")}));
    const std::string u = dir.write("u.html", test::earlyWiki({earlyTiddler("Gone", "g"), same}));
    const auto before = test::snapshot(dir.dir());
    const CliResult withBase =
        runCli(dir, "plan /local '" + l + "' /remote '" + r + "' /lastmerge '" + u + "'");
    EXPECT_EQ(withBase.status, 1);
    EXPECT_EQ(withBase.out, "1\tE\task:l\tGone\n2\tG\tkeep\tSame\n3\tC\task:l\tBoth\n4\tB\task:l\tMine\n");
    std::filesystem::remove(dir.path("stderr.txt"));
    EXPECT_EQ(test::snapshot(dir.dir()), before);  // nothing written

    // Without /lastmerge the local file's .LastMerge copy is used when there is one.
    dir.write("l.html.LastMerge", test::readBytes(u));
    const CliResult lastMerge = runCli(dir, "plan /remote '" + r + "' /local '" + l + "'");
    EXPECT_EQ(lastMerge.out, withBase.out);

    // Nothing to ask: exit 0.
    const std::string l2 = dir.write("l2.html", test::earlyWiki({same}));
    const std::string r2 =
        dir.write("r2.html", test::earlyWiki({same}) + "<!-- differs outside the store -->");
    const CliResult quiet = runCli(dir, "plan /local '" + l2 + "' /remote '" + r2 + "' /lastmerge ''");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "1\tC\tkeep\tSame\n");
}

TEST(CliPlan, ChecksStopWithTheirMessages) {
    test::TempDir dir;
    const std::string l = dir.write("l.html", test::earlyWiki({}));
    struct Row {
        std::string args;
        std::string err;
    };
    const Row rows[] = {
        {"plan /local '" + l + "' /remote '" + dir.path("none") + "'", "Remote file was not found.\n"},
        {"plan /local '" + l + "' /remote '" + l + "'",
         "The content of the remote and local files are the same.\n"},
        {"plan /local '" + l + "'", ""},
        {"plan /local", ""},
    };
    for (const Row& row : rows) {
        const CliResult r = runCli(dir, row.args);
        EXPECT_EQ(r.status, 2) << row.args;
        EXPECT_EQ(r.out, "");
        if (!row.err.empty()) {
            EXPECT_EQ(r.err, row.err);
        }
    }
}

}  // namespace
}  // namespace korvane
