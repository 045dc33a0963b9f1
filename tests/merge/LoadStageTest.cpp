#include <gtest/gtest.h>

#include "merge/MergeRun.h"
#include "merge/Messages.h"
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
    const RunDocuments& docs() const { return run->documents(); }
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
    const Shown identical{std::string(msg::kIdentical), MessageIcon::Information, "Identical"};
    const Shown format{std::string(msg::kFileFormat), MessageIcon::None, "Error"};
    const Shown cannotRead = stopped(msg::cannotRead(unreadable, "Injected failure"));
    const Shown isFolder =
        stopped(std::string(msg::kRemoteNotFound) + "\n\"" + folder + "\" is a folder, not a regular file.");
    std::string upper = test::readBytes(local);
    upper.replace(upper.find("mine"), 4, "MINE");
    const Case cases[] = {
        {none, none, none, {stopped(msg::kRemoteNotFound)}},
        {none, remote, "", {stopped(msg::kLocalNotFound)}},
        {local, remote, none, {stopped(msg::kUneditedNotFound)}},
        // A folder is not a file, and the message says what it is.
        {local, folder, "", {isFolder}},
        {local, remote, local, {stopped(msg::kUneditedSameFile)}},
        {local, remote, folder + "/./remote.html", {stopped(msg::kUneditedSameFile)}},
        {empty, dir.write("empty2.html", ""), "", {identical}},
        {local, empty, "", {{std::string(msg::kRemoteBlank), MessageIcon::Critical, "File error"}}},
        {local, unreadable, dir.write("u-unreadable", "y"), {cannotRead}},
        {local, dir.write("upper.html", upper), "", {}},
        // A short read shows the format message once per file and gives the empty text; with every read
        // short the two texts are equal.
        {local, remote, "", {format, format, identical}, true},
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
    EXPECT_EQ(run->paths().unedited, lastMerge);
    EXPECT_EQ(docs().unedited.colDivs.at(0).substr(docs().unedited.colDivs[0].find('>') + 1), "last");
    // No: the run goes on without an unedited copy.
    host.yesNoAnswers = {false};
    ASSERT_TRUE(load(local, remote, ""));
    EXPECT_EQ(host.log, std::vector<std::string>{"ask:Use .LastMerge file?"});
    EXPECT_TRUE(docs().unedited.empty() && docs().uneditedText.empty());
    // An accepted offer stays when the run stops later.
    EXPECT_FALSE(load(local, dir.write("same.html", test::readBytes(local)), ""));
    EXPECT_EQ(host.log, (std::vector<std::string>{"ask:Use .LastMerge file?", "unedited:" + lastMerge,
                                                  "message:" + std::string(msg::kIdentical)}));
}

TEST_F(LoadStage, DamagedDocumentsStopBeforeAnyQuestion) {
    // (Each kind of damage in each role: rows of programs.tsv.) A document cut after its store area:
    // only the local file's text outside the store area reaches the merged document, so only a local
    // file cut there is refused.
    const std::string good = test::readBytes(local);
    const std::string cut = dir.write("cut.html", good.substr(0, good.find("</body>")) + " \r\n");
    EXPECT_FALSE(load(cut, remote, unedited));
    EXPECT_EQ(host.messages, std::vector<Shown>{refused(msg::kEndCutShort, msg::kLocalRole, cut)});
    EXPECT_TRUE(load(local, cut, dir.write("cut2.html", test::readBytes(cut))));
    EXPECT_TRUE(load(dir.write("upper.html", good.substr(0, good.find("</html>")) + "</HTML>\t"), cut, ""));
    EXPECT_FALSE(load(local, dir.write("plain.html", "<html></html>"), unedited));
    EXPECT_EQ(host.messages,
              std::vector<Shown>{refused(msg::kNoStoreArea, msg::kRemoteRole, dir.path("plain.html"))});
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
