#include <gtest/gtest.h>

#include <chrono>

#include "document/Tw5Store.h"
#include "merge/Messages.h"
#include "merge/format/FormatMessages.h"
#include "merge/run/Ancestry.h"
#include "merge/run/MergeRun.h"
#include "merge/run/RunMessages.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;
using test::earlyWiki;
using Shown = test::ShownMessage;

Shown stopped(std::string_view text) {
    return {std::string(text), MessageIcon::Exclamation, std::string(kAppTitle)};
}
Shown refused(std::string_view problem, std::string_view role, const std::string& path) {
    return {msg::documentRefused(problem, role, path), MessageIcon::Critical, std::string(kAppTitle)};
}

// Three files in a temporary folder and a scripted host; every test also checks that loading never
// changes a file.
class LoadStage : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::ScriptedHost host;
    test::InjectingFileSystem fs;
    const test::Trio trio = test::writeTrio(dir);
    std::string local = trio.local, remote = trio.remote, unedited = trio.unedited;
    std::unique_ptr<MergeRun> run;

    bool load(const std::string& l, const std::string& r, const std::string& u) {
        host.log.clear();
        host.messages.clear();
        const auto before = test::snapshot(dir.dir());
        run = std::make_unique<MergeRun>(host, fs, MergePaths{l, r, u});
        const bool ok = run->load();
        EXPECT_EQ(test::snapshot(dir.dir()), before) << "loading changed a file";
        return ok;
    }
    const RunDocuments& docs() const { return run->trio().docs; }
};

TEST_F(LoadStage, ChecksInTheirOrder) {
    // The paths first, then the contents; each failed check shows one message and stops the run. The
    // first file in the order local, remote, unedited that cannot be read stops the run with its path
    // and the system's reason. Texts that differ only in letter case are not the same.
    fs.failWhen = [](const std::string& op) {
        return op.starts_with("read:") && op.ends_with("-unreadable");
    };
    const std::string unreadable = dir.write("r-unreadable", "x");
    struct Case {
        std::string local, remote, unedited;
        std::vector<Shown> messages;  // none: the run goes on
        bool shortReads = false;      // every read delivers fewer bytes than the file holds
    };
    const std::string none = dir.path("none.html"), folder = dir.dir().string();
    const std::string empty = dir.write("empty.html", "");
    const auto blank = [](const std::string& path) {
        return Shown{std::string(msg::kRemoteBlank) + msg::pathLine(path), MessageIcon::Critical,
                     "File error"};
    };
    const std::string noneLine = msg::pathLine(none);
    const Shown format{std::string(msg::kFileFormat), MessageIcon::None, "Error"};
    const Shown cannotRead = stopped(msg::cannotRead(unreadable, "Injected failure"));
    const Shown isFolder =
        stopped(std::string(msg::kRemoteNotFound) + "\n\"" + folder + "\" is a folder, not a regular file.");
    std::string upper = test::readBytes(local);
    upper.replace(upper.find("mine"), 4, "MINE");
    const Case cases[] = {
        {none, none, none, {stopped(std::string(msg::kRemoteNotFound) + noneLine)}},
        {none, remote, "", {stopped(std::string(msg::kLocalNotFound) + noneLine)}},
        {local, remote, none, {stopped(std::string(msg::kUneditedNotFound) + noneLine)}},
        // A folder is not a file, and the message says what it is.
        {local, folder, "", {isFolder}},
        {local, remote, local, {stopped(msg::kUneditedSameFile)}},
        {local, remote, folder + "/./remote.html", {stopped(msg::kUneditedSameFile)}},
        // Two empty files are no wiki, equal or not.
        {empty, dir.write("empty2.html", ""), "", {blank(dir.path("empty2.html"))}},
        {local, empty, "", {blank(empty)}},
        {local, unreadable, dir.write("u-unreadable", "y"), {cannotRead}},
        {local, dir.write("upper.html", upper), "", {}},
        // A short read shows the format message once per file and gives the empty text.
        {local, remote, "", {format, format, blank(remote)}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.local + " " + c.remote + " " + c.unedited);
        fs.shortReads = c.shortReads;
        EXPECT_EQ(load(c.local, c.remote, c.unedited), c.messages.empty());
        EXPECT_EQ(host.messages, c.messages);
    }
}

TEST_F(LoadStage, LastMergeIsOfferedOnlyWithoutAnUneditedPath) {
    const std::string lastMerge = dir.write("local.html.LastMerge", earlyWiki({earlyTiddler("A", "last")}));
    ASSERT_TRUE(load(local, remote, unedited));
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(docs().unedited.colDivs.at(0).substr(docs().unedited.colDivs[0].find('>') + 1), "base");
    // Spaces only count as no path: Yes takes the file and sets the window's field.
    ASSERT_TRUE(load(local, remote, "   "));
    EXPECT_EQ(host.log, (std::vector<std::string>{"ask:Use .LastMerge file?", "unedited:" + lastMerge}));
    const Shown offer{std::string(msg::kUseLastMerge), MessageIcon::None, "Use .LastMerge file?"};
    EXPECT_EQ(host.messages, std::vector<Shown>{offer});
    EXPECT_EQ(run->trio().paths.unedited, lastMerge);
    EXPECT_EQ(docs().unedited.colDivs.at(0).substr(docs().unedited.colDivs[0].find('>') + 1), "last");
    // No: the run goes on without an unedited copy.
    host.yesNoAnswers = {false};
    ASSERT_TRUE(load(local, remote, ""));
    EXPECT_EQ(host.log, std::vector<std::string>{"ask:Use .LastMerge file?"});
    EXPECT_TRUE(docs().unedited.empty() && docs().uneditedText.empty());
    // Then an earlier save that settles the difference (TiddlyDesktop's backup folder) is offered; Yes
    // reads it as the unedited copy but leaves the unedited path, the save's target, empty.
    std::filesystem::create_directory(dir.path("local.html_backup"));
    const std::string backup = dir.write(
        "local.html_backup/local.20060102120000000.html",
        earlyWiki({earlyTiddler("A", "theirs"), earlyTiddler("S", "same"), earlyTiddler("X", "gone")}));
    host.yesNoAnswers = {false};
    ASSERT_TRUE(load(local, remote, ""));
    EXPECT_EQ(host.log, (std::vector<std::string>{"ask:Use .LastMerge file?", "ask:Use earlier save?"}));
    const std::string offered = host.messages.back().text,
                      found = std::filesystem::canonical(dir.dir()).string() +
                              "/local.html_backup/local.20060102120000000.html";
    EXPECT_TRUE(
        offered.starts_with("Korvane found an earlier save of your file, " + found + ", from ") &&
        offered.ends_with(", that settles 1 of the 1 differences: 1 of yours, 0 of your friend's. Use it "
                          "as the unedited copy?"))
        << offered;
    EXPECT_EQ(run->trio().foundCopy, found);
    EXPECT_EQ(run->trio().paths.unedited, "");
    EXPECT_EQ(std::string_view(docs().uneditedText), test::readBytes(backup));
    EXPECT_EQ(docs().unedited.size(), 3u);
    std::filesystem::remove_all(dir.path("local.html_backup"));
    // An accepted offer stays when the run stops later.
    EXPECT_FALSE(load(local, dir.write("same.html", test::readBytes(local)), ""));
    EXPECT_EQ(host.log, (std::vector<std::string>{"ask:Use .LastMerge file?", "unedited:" + lastMerge,
                                                  "message:" + std::string(msg::kIdentical)}));
}

TEST_F(LoadStage, AnEarlierSaveIsTakenOnlyWhereItCanBeWhereBothStarted) {
    // Ann edited A, added L and deleted N after the two parted; Ben added R1 to R3, then edited B last.
    // The true base settles all seven differences; a save of either side made after they parted, a
    // backup of either current file, or a pair of saves that would decide a tiddler the opposite way
    // must not settle anything.
    const auto t = [](const std::string& title, const std::string& body, const std::string& stamp) {
        return earlyTiddler(title, body, stamp);
    };
    const std::string c = t("C", "c", "200601011200"), n = t("N", "n", "200601021100");
    std::vector<std::string> l = {t("A", "a1", "200601041200"), t("B", "b0", "200601011200"), c,
                                  t("L", "l", "200601041300")},
                             r = {t("A", "a0", "200601011200"), t("B", "b1", "200601051200"), c, n};
    const std::vector<std::string> added = {t("R1", "r", "200601031000"), t("R2", "r", "200601031000"),
                                            t("R3", "r", "200601031000")};
    r.insert(r.end(), added.begin(), added.end());
    std::vector<std::string> base = {t("A", "a0", "200601011200"), t("B", "b0", "200601011200"), c, n},
                             older = {t("A", "a-1", "200512011200"), t("B", "b0", "200601011200"), c, n},
                             ofLocal = {t("A", "a1", "200601041200"), t("B", "b0", "200601011200"), c},
                             ofRemote = base;
    ofRemote.insert(ofRemote.end(), added.begin(), added.end());
    std::vector<std::string> withLate = base;
    withLate.push_back(t("Z", "z", "200601060000"));
    const std::string wl = earlyWiki(l), wr = earlyWiki(r);
    std::vector<std::string> padded = base;
    padded.push_back(t("Old", std::string(5 * (wl.size() + wr.size()), 'o'), "200512011200"));
    const std::string lp = dir.write("w.html", wl), rp = dir.write("friend.html", wr);
    const std::string folder = std::filesystem::canonical(dir.dir()).string() + "/w.html_backup/";
    struct Save {
        std::string stamp, text;  // the name's stamp (also its age), its content
    };
    struct Row {
        std::vector<Save> saves;
        std::string offered;  // the save asked about, none: no question
        std::string said;     // the question's end, or why no save is used
    };
    const auto path = [&](const std::string& stamp) { return folder + "w." + stamp + "000.html"; };
    const Row rows[] = {
        {{{"20060102120000", earlyWiki(base)}, {"20060101120000", earlyWiki(older)}},
         "20060102120000",
         "that settles 7 of the 7 differences: 3 of yours, 4 of your friend's. Use it as the unedited copy?"},
        // Two saves alike: the older.
        {{{"20060102130000", earlyWiki(base)}, {"20060102120000", earlyWiki(base)}}, "20060102120000", ""},
        {{{"20060104123000", earlyWiki(ofLocal)}, {"20060102120000", earlyWiki(base)}}, "20060102120000", ""},
        {{{"20060104123000", earlyWiki(ofLocal)}},
         "",
         msg::notAnAncestor(path("20060104123000"), AncestryDoubt::NewerThanRemote, 1)},
        {{{"20060103103000", earlyWiki(ofRemote)}, {"20060102120000", earlyWiki(base)}},
         "",
         msg::savesDisagree(path("20060102120000"), path("20060103103000"))},
        // The true base, but more than four times the larger side: passed over unread.
        {{{"20060102120000", earlyWiki(padded)}}, "", ""},
        // A tiddler that neither side holds, stamped after anything on the remote side.
        {{{"20060106000000", earlyWiki(withLate)}},
         "",
         msg::notAnAncestor(path("20060106000000"), AncestryDoubt::NewerThanRemote, 1)},
        {{{"20060106000000", wl}},
         "",
         msg::notAnAncestor(path("20060106000000"), AncestryDoubt::SameAsLocal, 0)},
        {{{"20060106000000", wr}},
         "",
         msg::notAnAncestor(path("20060106000000"), AncestryDoubt::SameAsRemote, 0)},
    };
    struct Refusals : test::ScriptedHost {
        std::string refused;
        void foundCopyRefused(const std::string& why) override { refused = why; }
    };
    for (const Row& row : rows) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
        for (const Save& s : row.saves) {
            // Written when its name says: the later in January, the younger.
            const auto age = std::chrono::hours(24 * 30 - 24 * std::stoi(s.stamp.substr(6, 2)) -
                                                std::stoi(s.stamp.substr(8, 2)));
            std::filesystem::last_write_time(dir.write("w.html_backup/w." + s.stamp + "000.html", s.text),
                                             std::filesystem::file_time_type::clock::now() - age);
        }
        SCOPED_TRACE(row.saves.front().stamp + " " + std::to_string(row.saves.size()));
        Refusals h;
        MergeRun r2(h, fs, MergePaths{lp, rp, ""});
        ASSERT_TRUE(r2.load());
        EXPECT_EQ(r2.trio().foundCopy, row.offered.empty() ? "" : path(row.offered));
        EXPECT_EQ(h.log, row.offered.empty() ? std::vector<std::string>{}
                                             : std::vector<std::string>{"ask:Use earlier save?"});
        if (!row.offered.empty() && !row.said.empty()) {
            EXPECT_TRUE(h.messages.at(0).text.ends_with(row.said)) << h.messages[0].text;
        }
        EXPECT_EQ(h.refused, row.offered.empty() ? row.said : "");
    }
}

TEST_F(LoadStage, ALastMergeThatCannotBeWhereBothStartedIsNamedBeforeTheOffer) {
    // The result of a merge with another copy equals the local file: the desktop says so, then offers it
    // with No as the default.
    const std::string lastMerge = dir.write("local.html.LastMerge", test::readBytes(local));
    struct Defaults : test::ScriptedHost {
        std::vector<bool> yesDefaults;
        bool ask(const Question& q) override {
            yesDefaults.push_back(q.yesIsDefault);
            return ScriptedHost::ask(q);
        }
    } h;
    MergeRun r2(h, fs, MergePaths{local, remote, ""});
    ASSERT_TRUE(r2.load());
    const Shown doubt{msg::notAnAncestor(lastMerge, AncestryDoubt::SameAsLocal, 0), MessageIcon::Exclamation,
                      "Use .LastMerge file?"};
    EXPECT_EQ(h.messages.at(0), doubt);
    EXPECT_EQ(h.yesDefaults, std::vector<bool>{false});
    // Taken all the same, it was read once with the others.
    EXPECT_EQ(std::string_view(r2.trio().docs.uneditedText), test::readBytes(local));
}

TEST_F(LoadStage, DamagedDocumentsStopBeforeAnyQuestion) {
    // A page cut short or damaged after its store, in any role, is refused: a later store block, the
    // boot code or `$:/core` would be missing from what the merge takes for a whole wiki. (Damage
    // inside a store: rows of programs.tsv.)
    const auto tw5 = [&](const std::string& text) {
        const std::string json(kTw5JsonStoreTag), body = "<div id=\"bootKernel\"><script>b</script></div>\n";
        return dir.write(text, "<html><body>\n" + json + "[{\"title\":\"$:/core\"}]</script>" + json +
                                   "[{\"title\":\"" + text + "\"}]</script>" + std::string(kTw5DivStoreTag) +
                                   "</div>\n" + body + "</body></html>\n");
    };
    const auto cut = [](std::string before) {
        return [=](std::string d) { return d.substr(0, d.rfind(before)); };
    };
    const auto swap = [](std::string from, std::string to) {
        return [=](std::string d) { return d.replace(d.find(from), from.size(), to); };
    };
    struct Row {
        bool isTw5;
        std::function<std::string(std::string)> damage;
        std::string_view problem;  // empty: a whole page
    };
    const std::string coreScript = "<script src=\"core.js\"></script>";
    const Row rows[] = {
        {false, cut("</body>"), msg::kEndCutShort},
        {false, swap("</html>", "</HTML>\t"), {}},
        {true, cut("<script class"), msg::kEndCutShort},
        {true, cut("<div id=\"storeArea"), msg::kEndCutShort},
        {true, cut("<div id=\"boot"), msg::kEndCutShort},
        {true, cut("</html>"), msg::kEndCutShort},
        {true, swap(std::string(kTw5DivStoreTag) + "</div>", ""), msg::kNoBoot},
        {true, swap("bootKernel", "splash"), msg::kNoBoot},
        {true, swap("$:/core", "$:/kore"), msg::kNoCore},
        {true, swap("\"$:/core\"}]", "\"$:/kore\"}]</script>" + coreScript + "<!--"), msg::kNoCore},
        {true, [&](std::string d) { return swap("</body>", coreScript)(swap("$:/core", "$:/kore")(d)); }, {}},
    };
    for (const Row& row : rows) {
        for (std::size_t role = 0; role < 3; ++role) {
            std::string paths[] = {local, remote, unedited};
            if (row.isTw5) {
                paths[0] = tw5("L"), paths[1] = tw5("R"), paths[2] = tw5("U");
            }
            paths[role] = dir.write("damaged.html", row.damage(test::readBytes(paths[role])));
            SCOPED_TRACE(test::readBytes(paths[role]));
            EXPECT_EQ(load(paths[0], paths[1], paths[2]), row.problem.empty());
            const std::string_view roles[] = {msg::kLocalRole, msg::kRemoteRole, msg::kUneditedRole};
            const std::vector<Shown> refusal = {refused(row.problem, roles[role], paths[role])};
            EXPECT_EQ(host.messages, row.problem.empty() ? std::vector<Shown>{} : refusal);
        }
    }
}

TEST_F(LoadStage, LargeDocumentsSplitAsSmallOnes) {
    // From kParallelSplitSize on, a document is split on a thread of its own while the others are
    // split; the lists and the messages must be those of splitting one document after another.
    std::vector<std::string> tiddlers;
    for (std::size_t bytes = 0; bytes < 2 * kParallelSplitSize; bytes += tiddlers.back().size()) {
        tiddlers.push_back(earlyTiddler("T" + std::to_string(tiddlers.size()),
                                        std::string(600, static_cast<char>('a' + tiddlers.size() % 26))));
    }
    const std::string big = earlyWiki(tiddlers);
    tiddlers.insert(tiddlers.begin() + 7, earlyTiddler("New", "x"));
    const std::string bigger = earlyWiki(tiddlers);
    ASSERT_TRUE(load(dir.write("l.html", big), dir.write("r.html", bigger), unedited));
    EXPECT_TRUE(host.messages.empty());
    TiddlerList expected;
    ParseStoreArea(bigger, expected);
    for (auto col : {&TiddlerList::colDivs, &TiddlerList::colTitles, &TiddlerList::colModifiers,
                     &TiddlerList::colModified, &TiddlerList::colCreated}) {
        EXPECT_EQ(docs().remote.*col, expected.*col);
    }
    EXPECT_EQ(std::tuple(docs().remote.size(), docs().local.size(), docs().unedited.size()),
              std::tuple(tiddlers.size(), tiddlers.size() - 1, std::size_t{2}));
    // A large remote and an unedited copy without store areas: only the first in the order local,
    // remote, unedited is reported.
    const std::string r =
        dir.write("r.html", "<html>" + std::string(2 * kParallelSplitSize, 'p') + "</html>");
    EXPECT_FALSE(load(local, r, dir.write("u.html", "<html>no store</html>")));
    EXPECT_EQ(host.messages, std::vector<Shown>{refused(msg::kNoStoreArea, msg::kRemoteRole, r)});
}

}  // namespace
}  // namespace korvane
