#include <gtest/gtest.h>

#include "merge/MergeRun.h"
#include "merge/Messages.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;
using test::earlyWiki;

// Three files in a temporary folder and a scripted host; every test also checks that loading never
// changes a file.
class LoadStage : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::ScriptedHost host;
    test::InjectingFileSystem fs;
    std::string local = dir.write("local.html", earlyWiki({earlyTiddler("A", "mine")}));
    std::string remote = dir.write("remote.html", earlyWiki({earlyTiddler("A", "theirs")}));
    std::string unedited = dir.write("unedited.html", earlyWiki({earlyTiddler("A", "start")}));

    bool load(const std::string& l, const std::string& r, const std::string& u) {
        const auto before = test::snapshot(dir.dir());
        run = std::make_unique<MergeRun>(host, fs, MergePaths{l, r, u});
        const bool ok = run->load();
        EXPECT_EQ(test::snapshot(dir.dir()), before) << "loading changed a file";
        return ok;
    }
    std::unique_ptr<MergeRun> run;
    const RunDocuments& docs() const { return run->documents(); }

    void expectOnlyMessage(std::string_view text, MessageIcon icon, std::string_view title) {
        ASSERT_EQ(host.messages.size(), 1u) << host.log.front();
        EXPECT_EQ(host.messages[0], (test::ShownMessage{std::string(text), icon, std::string(title)}));
    }
};

TEST_F(LoadStage, ExistenceChecksInOrder) {
    struct Case {
        std::string local, remote, unedited;
        std::string message;
    };
    const std::string none = dir.path("none.html");
    const Case cases[] = {
        {none, none, none, std::string(msg::kRemoteNotFound)},
        {none, remote, "", std::string(msg::kLocalNotFound)},
        {local, remote, none, std::string(msg::kUneditedNotFound)},
        {local, dir.dir().string(), "",  // a folder is not a file, and the message says what it is
         std::string(msg::kRemoteNotFound) + "\n\"" + dir.dir().string() +
             "\" is a folder, not a regular file."},
        {local, remote, local, std::string(msg::kUneditedSameFile)},
        {local, remote, dir.dir().string() + "/./remote.html", std::string(msg::kUneditedSameFile)},
    };
    for (const Case& c : cases) {
        host = {};
        EXPECT_FALSE(load(c.local, c.remote, c.unedited));
        expectOnlyMessage(c.message, MessageIcon::Exclamation, kAppTitle);
    }
}

TEST_F(LoadStage, LastMergeOfferIsMadeOnlyWithoutAnUneditedPath) {
    const std::string lastMerge = dir.write("local.html.LastMerge", earlyWiki({earlyTiddler("A", "base")}));
    // Given unedited path: no offer.
    ASSERT_TRUE(load(local, remote, unedited));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(docs().unedited.size(), 1u);

    // Spaces only count as no path: the offer is made; Yes takes the file and sets the window's field.
    host = {};
    ASSERT_TRUE(load(local, remote, "   "));
    EXPECT_EQ(host.log, (std::vector<std::string>{"ask:Use .LastMerge file?", "unedited:" + lastMerge}));
    EXPECT_EQ(host.messages[0].text, msg::kUseLastMerge);
    EXPECT_EQ(run->paths().unedited, lastMerge);
    EXPECT_EQ(docs().unedited.colDivs[0].substr(docs().unedited.colDivs[0].find('>') + 1), "base");

    // No: the run goes on without an unedited copy.
    host = {};
    host.yesNoAnswers = {false};
    ASSERT_TRUE(load(local, remote, ""));
    EXPECT_EQ(host.log, std::vector<std::string>{"ask:Use .LastMerge file?"});
    EXPECT_TRUE(docs().unedited.empty());
    EXPECT_TRUE(docs().uneditedText.empty());
}

TEST_F(LoadStage, AcceptedOfferStaysWhenTheRunStopsLater) {
    dir.write("local.html.LastMerge", "x");
    const std::string same = dir.write("same.html", test::readBytes(local));
    EXPECT_FALSE(load(local, same, ""));
    EXPECT_EQ(host.log,
              (std::vector<std::string>{"ask:Use .LastMerge file?", "unedited:" + local + ".LastMerge",
                                        "message:" + std::string(msg::kIdentical)}));
    EXPECT_EQ(host.messages.back().icon, MessageIcon::Information);
    EXPECT_EQ(host.messages.back().title, "Identical");
}

TEST_F(LoadStage, ContentChecks) {
    // Equal texts are "Identical", two empty files too (an empty remote file alone: see below); texts
    // that differ only in letter case are not.
    for (const std::string text : {"", "same"}) {
        host = {};
        EXPECT_FALSE(load(dir.write("l.html", text), dir.write("r.html", text), ""));
        expectOnlyMessage(msg::kIdentical, MessageIcon::Information, "Identical");
    }
    host = {};
    EXPECT_TRUE(load(dir.write("l.html", earlyWiki({earlyTiddler("A", "x")})),
                     dir.write("r.html", earlyWiki({earlyTiddler("A", "X")})), ""));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(LoadStage, DamagedOrForeignDocumentsStopBeforeAnyQuestion) {
    // Each kind of document in each of the three roles: one message that names the problem and the
    // file, then the run ends with no question asked and no file changed.
    const std::string good = earlyWiki({earlyTiddler("A", "start"), earlyTiddler("B", "b")});
    const char kBinary[] = "\x7f\x45LF\x02\x01\0\0\xff\xfe<div id=\"storeArea";
    const std::pair<std::string, std::string_view> kinds[] = {
        {"<html><body><p>A plain page</p></body></html>", msg::kNoStoreArea},
        {"<script class=\"tiddlywiki-tiddler-store\">[]</script><div id=\"storeArea\" style=\"\"></div>",
         msg::kNoStoreArea},
        {good.substr(0, good.find("<div tiddler=\"B\"")), msg::kStoreAreaCutShort},  // between tiddlers
        {good.substr(0, good.find(">b</div>") + 2), msg::kStoreAreaCutShort},        // inside the last one
        {std::string(kBinary, sizeof kBinary - 1), msg::kNoStoreArea},
        {"", msg::kNoStoreArea},
    };
    const std::string_view roles[] = {msg::kLocalRole, msg::kRemoteRole, msg::kUneditedRole};
    for (const auto& [bytes, problem] : kinds) {
        for (std::size_t role = 0; role < 3; ++role) {
            std::string paths[] = {local, remote, unedited};
            paths[role] = dir.write("damaged.html", bytes);
            SCOPED_TRACE(std::string(roles[role]) + " " + bytes.substr(0, 40));
            host = {};
            const auto before = test::snapshot(dir.dir());
            run = std::make_unique<MergeRun>(host, fs, MergePaths{paths[0], paths[1], paths[2]});
            EXPECT_EQ(run->run(), RunResult::Stopped);
            EXPECT_EQ(test::snapshot(dir.dir()), before);
            if (bytes.empty() && role == 1) {  // an empty remote file is refused before the split
                expectOnlyMessage(msg::kRemoteBlank, MessageIcon::Critical, "File error");
                continue;
            }
            expectOnlyMessage(msg::documentRefused(problem, roles[role], paths[role]), MessageIcon::Critical,
                              kAppTitle);
            EXPECT_EQ(host.log.size(), 1u);  // no question, no dialog
        }
    }
    EXPECT_EQ(msg::documentRefused(msg::kNoStoreArea, msg::kRemoteRole, "/w/r.html"),
              "Error: Current document has no storeArea.\nRemote file: \"/w/r.html\". No file was changed.");
}

TEST_F(LoadStage, ReadFailures) {
    // A file that exists but cannot be read stops the run with the path and the system's reason.
    fs.failWhen = [&](const std::string& op) { return op == "read:" + remote; };
    EXPECT_FALSE(load(local, remote, unedited));
    expectOnlyMessage(msg::cannotRead(remote, "Injected failure"), MessageIcon::Exclamation, kAppTitle);

    // A short read shows the format message (no icon, "Error") once per file and gives the empty text;
    // with every read short the two texts are equal and the run stops as identical.
    host = {};
    fs.failWhen = nullptr;
    fs.shortReads = true;
    EXPECT_FALSE(load(local, remote, ""));
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[0],
              (test::ShownMessage{std::string(msg::kFileFormat), MessageIcon::None, "Error"}));
    EXPECT_EQ(host.messages[1], host.messages[0]);
    EXPECT_EQ(host.messages[2].text, msg::kIdentical);
}

TEST_F(LoadStage, ReadsInOrderAndSplitsAllThree) {
    ASSERT_TRUE(load(local, remote, unedited));
    std::vector<std::string> reads;
    for (const std::string& op : fs.ops) {
        if (op.rfind("read:", 0) == 0) {
            reads.push_back(op.substr(5));
        }
    }
    EXPECT_EQ(reads, (std::vector<std::string>{local, remote, unedited}));
    EXPECT_EQ(docs().local.size(), 1u);
    EXPECT_EQ(docs().remote.size(), 1u);
    EXPECT_EQ(docs().unedited.size(), 1u);
    EXPECT_TRUE(docs().localArea.hasEnd());
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
    ASSERT_EQ(docs().remote.size(), tiddlers.size());
    for (auto col : {&TiddlerList::colDivs, &TiddlerList::colTitles, &TiddlerList::colModifiers,
                     &TiddlerList::colModified, &TiddlerList::colCreated}) {
        EXPECT_EQ(docs().remote.*col, expected.*col);
    }
    EXPECT_EQ(docs().local.size(), tiddlers.size() - 1);
    EXPECT_EQ(docs().unedited.size(), 1u);

    // A large remote and an unedited copy without store areas: only the first in the order local,
    // remote, unedited is reported.
    host = {};
    const std::string plain = "<html>" + std::string(2 * kParallelSplitSize, 'p') + "</html>";
    const std::string r = dir.write("r.html", plain);
    EXPECT_FALSE(load(local, r, dir.write("u.html", "<html>no store</html>")));
    expectOnlyMessage(msg::documentRefused(msg::kNoStoreArea, msg::kRemoteRole, r), MessageIcon::Critical,
                      kAppTitle);
}

}  // namespace
}  // namespace korvane
