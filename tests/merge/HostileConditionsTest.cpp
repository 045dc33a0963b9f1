// Whole merge runs under hostile conditions: folders that refuse writes, a full disk, awkward paths,
// huge documents and unusual bytes. (Files changed by another process: the save's guard tests.) In every case
// the user's data is complete on disk and any failure is reported clearly.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "merge/MergeRun.h"
#include "merge/Messages.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;
using test::earlyWiki;

struct Trio {
    std::string local, remote, unedited;
};

Trio writeTrio(const std::string& folder, const std::string& prefix = "") {
    const auto put = [&](const std::string& name, const std::string& bytes) {
        const std::string path = folder + "/" + prefix + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    return {
        put("local.html", earlyWiki({earlyTiddler("A", "mine", "200601031200"), earlyTiddler("S", "same")})),
        put("remote.html", earlyWiki({earlyTiddler("A", "theirs"), earlyTiddler("S", "same")})),
        put("unedited.html", earlyWiki({earlyTiddler("A", "base"), earlyTiddler("S", "same")}))};
}

// Runs `body` in a child process without root's privileges, where the system can refuse it access.
void asOrdinaryUser(const std::function<bool()>& body) {
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && ::setuid(65534) != 0) {
                std::_Exit(2);
            }
            std::_Exit(body() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(HostileConditions, AReadOnlyFolderChangesNothing) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::TempDir dir;
    const Trio t = writeTrio(dir.dir().string());
    const auto before = test::snapshot(dir.dir());
    std::filesystem::permissions(dir.dir(), std::filesystem::perms(0555));
    asOrdinaryUser([&] {
        test::ScriptedHost host;
        PosixFileSystem fs;
        MergeRun run(host, fs, {t.local, t.remote, t.unedited});
        const bool failed = run.run() == RunResult::SaveFailed;
        const std::string& shown = host.messages.back().text;
        return failed && shown.find("Permission denied") != std::string::npos &&
               shown.find("No file was changed.") != std::string::npos;
    });
    std::filesystem::permissions(dir.dir(), std::filesystem::perms(0755));
    EXPECT_EQ(test::snapshot(dir.dir()), before);
}

TEST(HostileConditions, AFullDiskChangesNothing) {
    test::TempDir dir;
    const std::string mountPoint = dir.path("small");
    std::filesystem::create_directory(mountPoint);
    const bool realDisk =
        ::geteuid() == 0 && ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=256k") == 0;
    const std::string folder = realDisk ? mountPoint : dir.dir().string();
    // Three documents that fill most of the small disk, so the merged copies cannot all fit.
    const std::string filler(60000, 'x');
    const std::string local = folder + "/local.html", remote = folder + "/remote.html";
    std::ofstream(local, std::ios::binary) << earlyWiki({earlyTiddler("A", filler + "mine", "200601031200")});
    std::ofstream(remote, std::ios::binary) << earlyWiki({earlyTiddler("A", filler + "theirs")});
    std::ofstream(folder + "/unedited.html", std::ios::binary) << earlyWiki({earlyTiddler("A", filler)});
    const auto before = test::snapshot(folder);

    test::ScriptedHost host;
    PosixFileSystem realFs;  // writes the three copies at once, each failing on its own
    test::InjectingFileSystem injectingFs;
    injectingFs.failWhen = [](const std::string& op) {
        return op.rfind("writeNew:", 0) == 0 && op.find("local") != std::string::npos;
    };
    FileSystem& fs = realDisk ? static_cast<FileSystem&>(realFs) : injectingFs;
    MergeRun run(host, fs, {local, remote, folder + "/unedited.html"});
    const RunResult result = run.run();
    const auto after = test::snapshot(folder);
    if (realDisk) {
        ::umount(mountPoint.c_str());
    }
    EXPECT_EQ(result, RunResult::SaveFailed);
    EXPECT_EQ(after, before);  // no file changed and no half-written copy left behind
    EXPECT_NE(host.messages.back().text.find(realDisk ? "No space left on device" : "Injected failure"),
              std::string::npos);
    EXPECT_NE(host.messages.back().text.find("No file was changed."), std::string::npos);
}

TEST(HostileConditions, AwkwardPaths) {
    for (const std::string prefix : {"with spaces ", "n\xC3\xA4m\xC3\xAB ", "-dash "}) {
        test::TempDir dir;
        const Trio t = writeTrio(dir.dir().string(), prefix);
        test::ScriptedHost host;
        PosixFileSystem fs;
        MergeRun run(host, fs, {t.local, t.remote, ""});
        ASSERT_EQ(run.run(), RunResult::Saved) << prefix;
        const std::string merged = test::readBytes(t.local);
        EXPECT_EQ(test::readBytes(t.remote), merged);
        EXPECT_EQ(test::readBytes(t.local + ".LastMerge"), merged);
    }
}

TEST(HostileConditions, UnusualBytesSurviveTheMerge) {
    struct Row {
        std::string name, head, body, lineEnd;
    };
    const Row rows[] = {
        {"NUL bytes", std::string("<html>\0<p>", 9), std::string("a\0b", 3), "\n"},
        {"CR-only line ends", "<html>\r<body>\r", "line\\nline", "\r"},
        {"byte-order mark", "\xEF\xBB\xBF<html>\r\n", "caf\xC3\xA9", "\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        const auto wiki = [&](const std::string& a) {
            return row.head + "<div id=\"storeArea\">" + row.lineEnd + earlyTiddler("A", a) + row.lineEnd +
                   earlyTiddler("B", row.body) + row.lineEnd + "</div>" + row.lineEnd + "</html>" +
                   row.lineEnd;
        };
        const std::string local = dir.write("l.html", wiki("mine"));
        const std::string remote = dir.write("r.html", wiki("theirs"));
        test::ScriptedHost host;
        host.answerDialog = [](const ConflictRequest& q) { return ConflictAnswer{"l", q.texts}; };
        PosixFileSystem fs;
        MergeRun run(host, fs, {local, remote, ""});
        ASSERT_EQ(run.run(), RunResult::Saved);
        const std::string merged = test::readBytes(local);
        EXPECT_EQ(merged.substr(0, row.head.size()), row.head);
        EXPECT_NE(merged.find(earlyTiddler("B", row.body)), std::string::npos);
        EXPECT_NE(merged.find(earlyTiddler("A", "mine")), std::string::npos);
        EXPECT_EQ(test::readBytes(remote), merged);
    }
}

TEST(HostileConditions, A200MegabyteDocument) {
    test::TempDir dir;
    std::string huge = earlyTiddler("Huge", std::string(200u << 20, 'w'));
    const std::string local = dir.write("l.html", earlyWiki({huge, earlyTiddler("Small", "mine")}));
    const std::string remote = dir.write("r.html", earlyWiki({huge, earlyTiddler("Small", "theirs")}));
    huge.clear();
    huge.shrink_to_fit();
    test::ScriptedHost host;
    PosixFileSystem fs;
    MergeRun run(host, fs, {local, remote, ""});
    ASSERT_EQ(run.run(), RunResult::Saved);
    EXPECT_EQ(host.requests.size(), 1u);  // only the small tiddler needed a decision
    EXPECT_GT(std::filesystem::file_size(remote), 200u << 20);
    EXPECT_EQ(std::filesystem::file_size(remote), std::filesystem::file_size(local));
}

}  // namespace
}  // namespace korvane
