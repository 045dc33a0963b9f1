// Whole runs of `korvane-cli merge` and `korvane-cli conflicts` on trios written here: the decisions
// printed, the exit status, and the bytes of every file afterwards.
#include <gtest/gtest.h>

#include <cstdlib>

#include "merge/SyncCopies.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;

// The merged document as the run rebuilds it around these entries.
std::string merged(const std::vector<std::string>& entries) {
    std::string doc = test::earlyWiki({});
    std::string store = "\r\n";
    for (const std::string& e : entries) {
        store += e + "\r\n";
    }
    return doc.insert(doc.find("</div>\r\n</body>"), store + "\r\n");
}

TEST(Headless, MergeRunsOutputStatusAndFiles) {
    ::setenv("SOURCE_DATE_EPOCH", "1765000000", 1);
    ::setenv("TZ", "UTC", 1);
    test::TempDir dir;
    const std::string same = earlyTiddler("Same", "s"), old = earlyTiddler("Edited", "old");
    const std::string edited = earlyTiddler("Edited", "new", "200601021200"),
                      gone = earlyTiddler("Gone", "g");
    const std::string mine = earlyTiddler("Both", "mine", "200601031200");
    const std::string theirs = earlyTiddler("Both", "theirs", "200601021200");
    const std::string added = earlyTiddler("Mine", "m"), friends = earlyTiddler("Theirs", "t");
    const std::string u = test::earlyWiki({same, old, gone, earlyTiddler("Both", "base")});
    const std::string l = test::earlyWiki({same, old, mine, added});
    const std::string r = test::earlyWiki({same, edited, gone, theirs, friends});
    const std::string conflict = "Both (conflict 2025-12-06 05:46:40)";
    const std::string pair = earlyTiddler("Both",
                                          "mine\\n\\nNote: There was a conflict while merging this item. "
                                          "See the following link for the conflicting version: [[" +
                                              conflict + "]]",
                                          "200601031200") +
                             "\r\n" + earlyTiddler(conflict, "theirs", "200601021200");
    const std::string lines =
        "2\tG\tremote\tEdited\n3\tE\tdropped\tGone\n4\tG\t%\tBoth\n5\tB\tlocal\tMine\n"
        "6\tA\tremote\tTheirs\n";
    const auto decided = [&](const std::string& both) {
        return std::string(lines).replace(lines.find('%'), 1, both);
    };
    struct Row {
        std::string args;  // %D is the folder of a fresh trio l.html, r.html, u.html
        int status;
        std::string out;
        std::vector<std::pair<std::string, std::string>> files;  // every file of the folder afterwards
    };
    const std::string kept = merged({same, old, mine, added});
    const Row rows[] = {
        {"/lastmerge %D/u.html --dry-run", 1, decided("both"), {{"l.html", l}, {"r.html", r}, {"u.html", u}}},
        {"/lastmerge %D/u.html --out %D/o.html",
         1,
         decided("both"),
         {{"l.html", l},
          {"o.html", merged({same, edited, pair, added, friends})},
          {"r.html", r},
          {"u.html", u}}},
        {"/lastmerge %D/u.html --conflicts newer --out %D/o.html",
         1,
         decided("local"),
         {{"l.html", l},
          {"o.html", merged({same, edited, mine, added, friends})},
          {"r.html", r},
          {"u.html", u}}},
        // Three files, as the desktop program saves them.
        {"/lastmerge %D/u.html --conflicts remote",
         1,
         decided("remote"),
         {{"l.html", merged({same, edited, theirs, added, friends})},
          {"r.html", merged({same, edited, theirs, added, friends})},
          {"u.html", merged({same, edited, theirs, added, friends})}}},
        // Without an unedited copy every difference is a conflict; the .LastMerge copy is made.
        {"--conflicts local",
         1,
         "2\tC\tlocal\tEdited\n3\tC\tlocal\tBoth\n4\tB\tlocal\tMine\n5\tA\tdropped\tGone\n6\tA\tdropped\tThei"
         "rs\n",
         {{"l.html", kept}, {"l.html.LastMerge", kept}, {"r.html", kept}, {"u.html", u}}},
        {"/lastmerge %D/u.html --out %D/l.html", 2, "", {{"l.html", l}, {"r.html", r}, {"u.html", u}}},
        {"/lastmerge %D/missing.html", 2, "", {{"l.html", l}, {"r.html", r}, {"u.html", u}}},
        {"/lastmerge %D/u.html --conflicts theirs", 2, "", {{"l.html", l}, {"r.html", r}, {"u.html", u}}},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        test::TempDir trio;
        trio.write("l.html", l), trio.write("r.html", r), trio.write("u.html", u);
        std::string args = "merge /local %D/l.html /remote %D/r.html " + row.args;
        for (std::size_t at; (at = args.find("%D")) != std::string::npos;) {
            args.replace(at, 2, trio.dir().string());
        }
        std::string out;
        EXPECT_EQ(test::runCli(args, dir.path("err.txt"), &out), row.status)
            << i << test::readBytes(dir.path("err.txt"));
        EXPECT_EQ(out, row.out) << i;
        auto files = test::snapshot(trio.dir());
        for (auto& [name, bytes] : files) {
            name = std::filesystem::path(name).filename().string();
        }
        EXPECT_EQ(files, row.files) << i;
    }
}

TEST(Headless, SyncToolConflictCopies) {
    struct Row {
        const char* name;
        const char* time;  // empty: not a conflict copy of wiki.html
    };
    const Row rows[] = {
        {"wiki.sync-conflict-20261206-101500-ABCDEFG.html", "20261206101500"},
        {"wiki (conflicted copy 2026-12-06 101500).html", "20261206101500"},
        {"wiki (conflicted copy Ann Lee 2026-12-05 235959).html", "20261205235959"},
        {"wiki_conflict-20261204-080000.html", "20261204080000"},
        {"wiki (Ann's conflicted copy 2026-12-06).html", "20261206000000"},
        {"wiki (Ann\xE2\x80\x99s conflicted copy 2026-12-03).html", "20261203000000"},
        {"wiki.sync-conflict-20261206-101500-abcdefg.html", ""},
        {"wiki.sync-conflict-20261306-101500-ABCDEFG.html", ""},
        {"wiki (conflicted copy 2026-12-06 101500).htm", ""},
        {"wiki (conflicted copyAnn 2026-12-06 101500).html", ""},
        {"wiki2 (conflicted copy 2026-12-06 101500).html", ""},
        {"wiki ('s conflicted copy 2026-12-06).html", ""},
        {"wiki_conflict-20261204-0800.html", ""},
        {"wiki.html", ""},
    };
    test::TempDir dir;
    std::vector<std::string> names;
    for (const Row& row : rows) {
        EXPECT_EQ(syncCopyTime("wiki.html", row.name).value_or(""), row.time) << row.name;
        names.push_back(dir.write(row.name, "x").substr(dir.dir().string().size() + 1));
    }
    std::string out;
    EXPECT_EQ(test::runCli("conflicts '" + dir.path("wiki.html") + "'", dir.path("err"), &out), 0);
    const std::string p = dir.dir().string() + "/";
    EXPECT_EQ(out, p + rows[5].name + "\n" + p + rows[3].name + "\n" + p + rows[2].name + "\n" + p +
                       rows[4].name + "\n" + p + rows[1].name + "\n" + p + rows[0].name + "\n");
}

}  // namespace
}  // namespace korvane
