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
        std::string_view message;
    };
    const std::string none = dir.path("none.html");
    const Case cases[] = {
        {none, none, none, msg::kRemoteNotFound},
        {none, remote, "", msg::kLocalNotFound},
        {local, remote, none, msg::kUneditedNotFound},
        {local, dir.dir().string(), "", msg::kRemoteNotFound},  // a folder is not a file
        {local, remote, local, msg::kUneditedSameFile},
        {local, remote, dir.dir().string() + "/./remote.html", msg::kUneditedSameFile},
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
    struct Case {
        std::string local, remote;
        std::string_view message;
        MessageIcon icon;
        std::string_view title;
    };
    const Case cases[] = {
        {"", "", msg::kIdentical, MessageIcon::Information, "Identical"},  // two empty files are identical
        {"same", "same", msg::kIdentical, MessageIcon::Information, "Identical"},
        {"local", "", msg::kRemoteBlank, MessageIcon::Critical, "File error"},
    };
    for (const Case& c : cases) {
        host = {};
        EXPECT_FALSE(load(dir.write("l.html", c.local), dir.write("r.html", c.remote), ""));
        expectOnlyMessage(c.message, c.icon, c.title);
    }
    // Documents that differ only in letter case are not identical.
    host = {};
    EXPECT_TRUE(load(dir.write("l.html", earlyWiki({earlyTiddler("A", "x")})),
                     dir.write("r.html", earlyWiki({earlyTiddler("A", "X")})), ""));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(LoadStage, StoreAreaProblems) {
    // Remote without a store area: reported, merged as a document without tiddlers.
    EXPECT_TRUE(load(local, dir.write("r.html", "<html>plain</html>"), ""));
    expectOnlyMessage(msg::kNoStoreArea, MessageIcon::Critical, kAppTitle);
    EXPECT_TRUE(docs().remote.empty());

    // Local without one (an empty local file too): the parser's message, then the run ends.
    host = {};
    EXPECT_FALSE(load(dir.write("l.html", ""), remote, ""));
    expectOnlyMessage(msg::kNoStoreArea, MessageIcon::Critical, kAppTitle);

    // Local store area without any closing tag: one clear message, nothing else.
    host = {};
    EXPECT_FALSE(load(dir.write("l.html", "<div id=\"storeArea\"><div tiddler=\"A\">cut"), remote, ""));
    expectOnlyMessage(msg::kLocalStoreAreaUnclosed, MessageIcon::Critical, kAppTitle);
}

TEST_F(LoadStage, ReadFailures) {
    // A file that exists but cannot be read stops the run with the path and the system's reason.
    fs.failWhen = [&](const std::string& op) { return op == "read:" + remote; };
    EXPECT_FALSE(load(local, remote, unedited));
    expectOnlyMessage(msg::cannotRead(remote, "Injected failure"), MessageIcon::Exclamation, kAppTitle);
    EXPECT_NE(host.messages[0].text.find(remote), std::string::npos);

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
    EXPECT_EQ(docs().remote.colDivs, expected.colDivs);
    EXPECT_EQ(docs().remote.colTitles, expected.colTitles);
    EXPECT_EQ(docs().remote.colModifiers, expected.colModifiers);
    EXPECT_EQ(docs().remote.colModified, expected.colModified);
    EXPECT_EQ(docs().remote.colCreated, expected.colCreated);
    EXPECT_EQ(docs().local.size(), tiddlers.size() - 1);
    EXPECT_EQ(docs().unedited.size(), 1u);

    // A large remote and an unedited copy without store areas: one message each, in that order.
    host = {};
    const std::string plain = "<html>" + std::string(2 * kParallelSplitSize, 'p') + "</html>";
    EXPECT_TRUE(load(local, dir.write("r.html", plain), dir.write("u.html", "<html>no store</html>")));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], (test::ShownMessage{std::string(msg::kNoStoreArea), MessageIcon::Critical,
                                                    std::string(kAppTitle)}));
    EXPECT_EQ(host.messages[1], host.messages[0]);

    // Large documents that stop the run before the split: only their message.
    host = {};
    EXPECT_FALSE(load(dir.write("l.html", big), dir.write("r.html", big), ""));
    expectOnlyMessage(msg::kIdentical, MessageIcon::Information, "Identical");
    host = {};
    fs.failWhen = [&](const std::string& op) { return op == "read:" + remote; };
    EXPECT_FALSE(load(dir.write("l.html", big), remote, ""));
    expectOnlyMessage(msg::cannotRead(remote, "Injected failure"), MessageIcon::Exclamation, kAppTitle);
}

}  // namespace
}  // namespace korvane
