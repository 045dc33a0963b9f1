#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "merge/MergeRun.h"
#include "merge/Messages.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;
using test::earlyWiki;

unsigned modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class SaveStage : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::ScriptedHost host;
    test::InjectingFileSystem fs;
    std::string local =
        dir.write("local.html", earlyWiki({earlyTiddler("A", "mine"), earlyTiddler("B", "b")}));
    std::string remote =
        dir.write("remote.html", earlyWiki({earlyTiddler("A", "theirs"), earlyTiddler("B", "b")}));
    std::string unedited =
        dir.write("unedited.html", earlyWiki({earlyTiddler("A", "a"), earlyTiddler("B", "b")}));
    std::unique_ptr<MergeRun> run;

    // Loads and merges (recommended answers); the save is left to the test.
    void prepare(const std::string& u) {
        run = std::make_unique<MergeRun>(host, fs, MergePaths{local, remote, u});
        ASSERT_TRUE(run->load());
        ASSERT_TRUE(run->merge());
        host.log.clear();
        host.messages.clear();
    }
};

TEST(Rebuild, KeepsEverythingOutsideTheStoreAreaByteForByte) {
    struct Row {
        std::string head, tag, tail;
    };
    const Row rows[] = {
        {"<html>\r\n<body>\r\n", "<div id=\"storeArea\">", "</div>\r\n</body></html>"},
        {"<HTML>\n", "<DIV id=storeArea>", "</DIV>\n<script>var x = '<div>' + '</div>';</script>\n</HTML>"},
        {"", "<DIV ID=\"STOREAREA\">", "</div>"},
    };
    for (const Row& row : rows) {
        test::TempDir dir;
        test::ScriptedHost host;
        PosixFileSystem fs;
        const std::string a = earlyTiddler("A", "a");
        const std::string l = dir.write("l.html", row.head + row.tag + "\n" + a + "\n" + row.tail);
        const std::string r = dir.write("r.html", "<x><div id=\"storeArea\">" + a + "</div><other>");
        MergeRun run(host, fs, {l, r, ""});
        ASSERT_TRUE(run.load());
        ASSERT_TRUE(run.merge());
        EXPECT_EQ(run.newDocument(), row.head + "<div id=\"storeArea\">\r\n\r\n" + a + "\r\n\r\n" + row.tail);
    }
    // With nothing kept the store area holds three line breaks.
    test::TempDir dir;
    test::ScriptedHost host;
    host.answerDialog = [](const ConflictRequest&) { return ConflictAnswer{"o", {}}; };
    PosixFileSystem fs;
    MergeRun run(host, fs,
                 {dir.write("l.html", "H<div id=\"storeArea\"></div>T"),
                  dir.write("r.html", "<div id=\"storeArea\">" + earlyTiddler("New", "n") + "</div>"), ""});
    ASSERT_TRUE(run.load());
    ASSERT_TRUE(run.merge());
    EXPECT_EQ(run.newDocument(), "H<div id=\"storeArea\">\r\n\r\n\r\n</div>T");
}

TEST_F(SaveStage, AnsweringNoTouchesNothing) {
    prepare(unedited);
    const auto before = test::snapshot(dir.dir());
    host.yesNoAnswers = {false};
    EXPECT_EQ(run->save(), RunResult::NotSaved);
    EXPECT_EQ(test::snapshot(dir.dir()), before);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Save Files?");
    EXPECT_EQ(host.messages[0].text,
              "Save merged changes to Local, Remote and Unedited copy? Note Unedited copy will be created if "
              "missing using the extension .LastMerge");
}

TEST_F(SaveStage, SavedFilesAreEqualAndTheRemoteIsReadOnly) {
    ::chmod(local.c_str(), 0640);
    prepare(unedited);
    EXPECT_EQ(run->save(), RunResult::Saved);
    const std::string merged = run->newDocument();
    EXPECT_EQ(test::readBytes(local), merged);
    EXPECT_EQ(test::readBytes(remote), merged);
    EXPECT_EQ(test::readBytes(unedited), merged);
    EXPECT_EQ(modeOf(local), 0640u);  // permission bits kept
    EXPECT_EQ(modeOf(remote) & 0222, 0u);
    EXPECT_EQ(test::snapshot(dir.dir()).size(), 3u);  // no backup or temporary file left over
    EXPECT_TRUE(host.messages.size() == 1u);          // only the question

    // The next run renames and rewrites the read-only remote file without complaint.
    dir.write("local.html", earlyWiki({earlyTiddler("A", "again")}));
    host = {};
    prepare(unedited);
    EXPECT_EQ(run->save(), RunResult::Saved);
    EXPECT_EQ(test::readBytes(remote), run->newDocument());
}

TEST_F(SaveStage, WithoutAnUneditedCopyTheLastMergeFileIsCreated) {
    prepare("");
    EXPECT_EQ(run->save(), RunResult::Saved);
    EXPECT_EQ(test::readBytes(local + ".LastMerge"), run->newDocument());
    EXPECT_EQ(test::snapshot(dir.dir()).size(), 4u);
    for (const std::string& line : host.log) {
        EXPECT_EQ(line.rfind("unedited:", 0), std::string::npos) << "the window's field must stay as it was";
    }
}

TEST_F(SaveStage, GuardsFindFilesChangedByAnotherProcess) {
    struct Row {
        std::string* path;
        std::string_view message;
    };
    const Row rows[] = {
        {&remote, msg::kRemoteChanged}, {&local, msg::kLocalChanged}, {&unedited, msg::kOriginalChanged}};
    for (const Row& row : rows) {
        SCOPED_TRACE(*row.path);
        host = {};
        prepare(unedited);
        const std::string original = test::readBytes(*row.path);
        // Another process appends to the file between loading and saving.
        ASSERT_EQ(std::system(("printf ' ' >> '" + *row.path + "'").c_str()), 0);
        ::chmod(remote.c_str(), 0444);
        const auto before = test::snapshot(dir.dir());
        EXPECT_EQ(run->save(), RunResult::SaveFailed);
        EXPECT_EQ(test::snapshot(dir.dir()), before);  // the remote file is back under its own name
        EXPECT_EQ(modeOf(remote), 0444u);              // with the attributes it had
        ASSERT_EQ(host.messages.size(), 2u);
        EXPECT_EQ(host.messages[1],
                  (test::ShownMessage{std::string(row.message), MessageIcon::Critical, "Server Error"}));
        dir.write(std::filesystem::path(*row.path).filename().string(), original);
        ::chmod(remote.c_str(), 0644);
    }
}

TEST_F(SaveStage, ATakenBackupNameIsDrawnAgain) {
    prepare(unedited);
    dir.write("remote.html-50000000", "someone else's file");
    std::vector<double> draws = {0.5, 0.5, 0.25};
    run->setRandomSource([&] {
        const double r = draws.empty() ? 0.75 : draws.front();
        if (!draws.empty())
            draws.erase(draws.begin());
        return r;
    });
    std::vector<std::string> renames;
    fs.failWhen = [&](const std::string& op) {
        if (op.rfind("rename:" + remote + ">", 0) == 0)
            renames.push_back(op);
        return false;
    };
    EXPECT_EQ(run->save(), RunResult::Saved);
    EXPECT_EQ(renames, std::vector<std::string>{"rename:" + remote + ">" + remote + "-25000000"});
    EXPECT_EQ(test::readBytes(dir.path("remote.html-50000000")), "someone else's file");
}

// Makes every single file operation of the save fail in turn. Whatever fails, each original content
// or the merged document is complete on disk, and any file besides the three is named in the message.
TEST_F(SaveStage, AFaultAtAnyStepLosesNothing) {
    const std::map<std::string, std::string> originals = {{local, test::readBytes(local)},
                                                          {remote, test::readBytes(remote)},
                                                          {unedited, test::readBytes(unedited)}};
    const auto resetFiles = [&] {
        fs.failWhen = nullptr;
        for (const auto& f : std::filesystem::directory_iterator(dir.dir())) {
            std::filesystem::remove(f.path());
        }
        for (const auto& [path, bytes] : originals) {
            std::ofstream(path, std::ios::binary) << bytes;
        }
    };
    for (const std::string& u : {unedited, std::string()}) {
        SCOPED_TRACE(u.empty() ? "without unedited copy" : "with unedited copy");
        resetFiles();
        prepare(u);
        const std::string merged = run->newDocument();
        std::size_t steps = 0;
        fs.failWhen = [&](const std::string&) {
            ++steps;
            return false;
        };
        ASSERT_EQ(run->save(), RunResult::Saved);
        ASSERT_GT(steps, 10u);
        for (std::size_t k = 0; k < steps; ++k) {
            resetFiles();
            host = {};
            prepare(u);
            std::size_t count = 0;
            std::string failed;
            fs.failWhen = [&](const std::string& op) {
                if (count++ != k)
                    return false;
                failed = op;
                return true;
            };
            const RunResult result = run->save();
            SCOPED_TRACE("failing " + failed);
            const std::string shown = host.messages.size() > 1 ? host.messages.back().text : "";
            for (const auto& [path, bytes] : originals) {
                if (path == unedited && u.empty())
                    continue;
                const std::string now = std::filesystem::exists(path) ? test::readBytes(path) : "";
                if (now == bytes || now == merged)
                    continue;
                // Otherwise the original must stand in a file that the message names.
                bool named = false;
                for (const auto& f : std::filesystem::directory_iterator(dir.dir())) {
                    named |= test::readBytes(f.path().string()) == bytes &&
                             shown.find(f.path().string()) != std::string::npos;
                }
                EXPECT_TRUE(named) << path << " lost; message: " << shown;
            }
            for (const auto& f : std::filesystem::directory_iterator(dir.dir())) {
                const std::string name = f.path().string();
                if (originals.count(name) == 0 && name != local + ".LastMerge") {
                    EXPECT_NE(shown.find(name), std::string::npos)
                        << "stray file " << name << "; message: " << shown;
                }
            }
            if (result != RunResult::Saved) {
                EXPECT_FALSE(shown.empty());
                EXPECT_EQ(host.messages.back().icon, MessageIcon::Critical);
            }
        }
    }
}

}  // namespace
}  // namespace korvane
