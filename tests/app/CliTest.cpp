// Runs the built korvane-cli and checks its output, error lines and exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "merge/Messages.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

TEST(Cli, OutputErrorsAndExitStatus) {
    // Values are printed byte for byte, escaped so that one tiddler is one line. Read-only commands say
    // what is wrong on standard error, never that no file was changed, and write nothing.
    test::TempDir dir;
    using test::earlyTiddler;
    const std::string same = earlyTiddler("Same", "s"), gone = earlyTiddler("Gone", "g");
    const std::string mine = earlyTiddler("Both", "mine", "200601031200");
    const std::string pl = dir.write("pl.html", test::earlyWiki({same, mine, earlyTiddler("Mine", "m")}));
    const std::string pr =
        dir.write("pr.html", test::earlyWiki({gone, same, earlyTiddler("Both", "theirs", "200601021200")}));
    const std::string pu = dir.write("pu.html", test::earlyWiki({gone, same, mine}));
    dir.write("pl.html.LastMerge", test::readBytes(pu));
    // Only the friend changed "Both": that version is recommended although its stamp is older.
    const std::string plan = "1\tE\task:l\tGone\n2\tG\tkeep\tSame\n3\tG\task:s\tBoth\n4\tB\task:l\tMine\n";
    const std::string l = dir.write("l.html", test::earlyWiki({}));
    const std::string a = earlyTiddler("Caf\xC3\xA9 &amp; co", "x\\ny", "200601021200", "Ann");
    const std::string b = "<div tiddler=\"Tab\there\r\nback\\slash\">body</div>";
    const std::string c = test::laterTiddler("Later", "l\nm");
    const std::string w = dir.write("w.html", test::earlyWiki({a, b, c}));
    const std::string whole = test::earlyWiki({earlyTiddler("A", "a"), earlyTiddler("B", "b")});
    const std::string cut = dir.write("cut.html", whole.substr(0, whole.find(">b</div>") + 2));
    const std::string length = std::to_string(earlyTiddler("A", "a").size() - 10);  // B's, cut before </div>
    const std::string cutShort = std::string(msg::kStoreAreaCutShort) + "\n";
    // Nothing waits on a named pipe: it is refused at once, and said to be no file.
    const std::string pipe = dir.path("pipe.html"), fifo = "is a named pipe (FIFO), not a regular file";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::string usage =
        "Usage: korvane-cli list FILE\n"
        "       korvane-cli plan /local LOCAL /remote REMOTE [/lastmerge UNEDITED]\n"
        "       korvane-cli --help | --version\n";
    struct Row {
        std::string args;
        int status;
        std::string out, err;
    };
    const Row rows[] = {
        {"list '" + dir.write("plain.html", "<html></html>") + "'", 2, "",
         "Error: Current document has no storeArea.\n"},
        {"list '" + dir.path("missing.html") + "'", 2, "",
         "Error: Could not read the file \"" + dir.path("missing.html") + "\": No such file or directory.\n"},
        {"list '" + l + "'", 0, "", ""},
        {"list '" + w + "'", 0,
         "1\tCaf\xC3\xA9 &amp; co\tAnn\t200601021200\t200501011200\t" + std::to_string(a.size() - 10) +
             "\n2\tTab\\there\\r\\nback\\\\slash\t tiddler=\t tiddler=\t tiddler=\t" +
             std::to_string(b.size() - 10) + "\n3\tLater\tBob\t200601011200\t200501011200\t" +
             std::to_string(c.size() - 10) + "\n",
         ""},
        {"plan /local '" + pl + "' /remote '" + pr + "' /lastmerge '" + pu + "'", 1, plan, ""},
        // Without /lastmerge the local file's .LastMerge copy is used when there is one.
        {"plan /remote '" + pr + "' /local '" + pl + "'", 1, plan, ""},
        {"plan /local '" + pu + "' /remote '" + dir.write("pu2.html", test::readBytes(pu) + "\n") + "'", 0,
         "1\tC\tkeep\tGone\n2\tC\tkeep\tSame\n3\tC\tkeep\tBoth\n", ""},  // nothing to ask
        {"plan /local '" + l + "' /remote '" + w + "' /lastmerge ''", 1,
         "1\tA\task:s\tCaf\xC3\xA9 &amp; "
         "co\n2\tA\task:s\tTab\\there\\r\\nback\\\\slash\n3\tA\task:s\tLater\n",
         ""},
        // A file cut short: what could be read is listed, and the file does not pass for whole.
        {"list '" + cut + "'", 2,
         "1\tA\tAnn\t200601011200\t200501011200\t" + length + "\n2\tB\tAnn\t200601011200\t200501011200\t" +
             length + "\n",
         cutShort + "File: \"" + cut + "\".\n"},
        {"plan /local '" + l + "' /remote '" + cut + "'", 2, "",
         cutShort + "Remote file: \"" + cut + "\".\n"},
        {"plan /local '" + l + "' /remote '" + dir.path("none") + "'", 2, "", "Remote file was not found.\n"},
        {"list '" + pipe + "'", 2, "",
         "Error: Could not read the file \"" + pipe + "\": I" + fifo.substr(1) + ".\n"},
        {"plan /local '" + l + "' /remote '" + pipe + "'", 2, "",
         "Remote file was not found.\n\"" + pipe + "\" " + fifo + ".\n"},
        {"plan /local '" + l + "' /remote '" + l + "'", 2, "",
         "The content of the remote and local files are the same.\n"},
        {"plan /local '" + l + "'", 2, "", usage},
        {"plan /local", 2, "", usage},
        {"bogus", 2, "", usage},
        {"", 2, "", usage},
        {"--help", 0, usage, ""},
        {"--version", 0, "korvane-cli " KORVANE_VERSION "\n", ""},
    };
    const auto before = test::snapshot(dir.dir());
    for (const Row& row : rows) {
        std::string out;
        EXPECT_EQ(test::runCli(row.args, dir.path("stderr.txt"), &out), row.status) << row.args;
        EXPECT_EQ(out, row.out) << row.args;
        EXPECT_EQ(test::readBytes(dir.path("stderr.txt")), row.err) << row.args;
    }
    std::filesystem::remove(dir.path("stderr.txt"));
    EXPECT_EQ(test::snapshot(dir.dir()), before);
}

}  // namespace
}  // namespace korvane
