// Whole merge runs under hostile conditions: folders that refuse writes, a full disk, links, pipes,
// devices and awkward paths, and large documents. In every case the user's data is complete on disk
// and any failure is reported clearly. (Files changed by another process and saves cut off: the save's
// tests; unusual bytes: the fuzz corpus.)
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <tuple>

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

Trio writeTrio(const test::TempDir& dir, const std::string& prefix = "") {
    return {dir.write(prefix + "local.html",
                      earlyWiki({earlyTiddler("A", "mine", "200601031200"), earlyTiddler("S", "same")})),
            dir.write(prefix + "remote.html",
                      earlyWiki({earlyTiddler("A", "theirs"), earlyTiddler("S", "same")})),
            dir.write(prefix + "unedited.html",
                      earlyWiki({earlyTiddler("A", "base"), earlyTiddler("S", "same")}))};
}

// Runs `body` in a child process without root's privileges, where the system can refuse it access.
// The child shares this process's state and makes nothing of its own, so it leaves nothing behind.
bool asOrdinaryUser(const std::function<bool()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::_Exit(::geteuid() == 0 && ::setuid(65534) != 0 ? 2 : body() ? 0 : 1);
    }
    int status = -1;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

TEST(HostileConditions, AReadOnlyFolderChangesNothing) {
    test::TempDir dir;
    const Trio t = writeTrio(dir);
    const auto before = test::snapshot(dir.dir());
    std::filesystem::permissions(dir.dir(), std::filesystem::perms(0555));
    EXPECT_TRUE(asOrdinaryUser([&] {
        test::ScriptedHost host;
        PosixFileSystem fs;
        MergeRun run(host, fs, {t.local, t.remote, t.unedited});
        const bool failed = run.run() == RunResult::SaveFailed;
        const std::string& shown = host.messages.back().text;
        return failed && shown.find("Permission denied") != std::string::npos &&
               shown.find("No file was changed.") != std::string::npos;
    }));
    std::filesystem::permissions(dir.dir(), std::filesystem::perms(0755));
    EXPECT_EQ(test::snapshot(dir.dir()), before);
}

// A disk too small for the merged copies: a small file system, where this test may mount one. The
// three copies are written at once, each failing on its own.
TEST(HostileConditions, AFullDiskChangesNothing) {
    test::TempDir dir;
    const std::string folder = dir.path("small");
    std::filesystem::create_directory(folder);
    if (::geteuid() != 0 || ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "no small file system can be mounted here";
    }
    // Three documents that fill most of the small disk, so the merged copies cannot all fit.
    const std::string filler(60000, 'x');
    const std::string local =
        dir.write("small/local.html", earlyWiki({earlyTiddler("A", filler + "mine", "200601031200")}));
    const std::string remote =
        dir.write("small/remote.html", earlyWiki({earlyTiddler("A", filler + "theirs")}));
    const std::string unedited = dir.write("small/unedited.html", earlyWiki({earlyTiddler("A", filler)}));
    const auto before = test::snapshot(folder);
    test::ScriptedHost host;
    PosixFileSystem fs;
    const RunResult result = MergeRun(host, fs, {local, remote, unedited}).run();
    const auto after = test::snapshot(folder);
    ::umount(folder.c_str());
    EXPECT_EQ(result, RunResult::SaveFailed);
    EXPECT_EQ(after, before);  // no file changed and no half-written copy left behind
    EXPECT_NE(host.messages.back().text.find("No space left on device"), std::string::npos);
    EXPECT_NE(host.messages.back().text.find("No file was changed."), std::string::npos);
}

// A row per kind of path the user may name. A link stays a link and the file it names gets the merged
// document; a path the save cannot replace safely stops it before any change.
TEST(HostileConditions, KindsOfPath) {
    namespace fs = std::filesystem;
    struct Row {
        std::string name, prefix;
        std::function<void(const test::TempDir&, Trio&)> setUp;  // before the run
        std::function<void(const Trio&)> meanwhile;              // while "Save Files?" is open
        std::string refusal;                                     // empty: saved
    };
    const auto link = [](const std::string& target, const std::string& path) {
        fs::rename(path, target);
        fs::create_symlink(target, path);
    };
    const Row rows[] = {
        {"spaces, UTF-8 and a dash", "-dash n\xC3\xA4m\xC3\xAB with spaces ", nullptr, nullptr, ""},
        // Root merging another user's wiki keeps the owner, group and permission bits.
        {"another user's file", "",
         [](auto&, Trio& t) {
             ::chmod(t.local.c_str(), 0600);
             (void)(::geteuid() == 0 && ::chown(t.local.c_str(), 65534, 65534) == 0);
         },
         nullptr, ""},
        {"symbolic link", "", [&](auto& d, Trio& t) { link(d.path("synced-local.html"), t.local); }, nullptr,
         ""},
        {"link to a link", "",
         [&](auto& d, Trio& t) {
             link(d.path("synced-remote.html"), t.remote);
             link(d.path("middle"), t.remote);
         },
         nullptr, ""},
        {"linked remote changed meanwhile", "",
         [&](auto& d, Trio& t) { link(d.path("synced.html"), t.remote); },
         [](const Trio& t) { std::ofstream(t.remote, std::ios::app) << ' '; }, "Remote file changed."},
        {"hard link", "", [](auto& d, Trio& t) { fs::create_hard_link(t.local, d.path("other-name.html")); },
         nullptr, "is one of 2 names (hard links) of the same file"},
        {"folder as .LastMerge", "", [](auto&, Trio& t) { fs::create_directory(t.local + ".LastMerge"); },
         nullptr, "is a folder, not a regular file. No file was changed."},
        {"device as .LastMerge", "",
         [](auto&, Trio& t) { fs::create_symlink("/dev/null", t.local + ".LastMerge"); }, nullptr,
         "is a device, not a regular file. No file was changed."},
        {"broken link as .LastMerge", "",
         [](auto& d, Trio& t) { fs::create_symlink(d.path("gone"), t.local + ".LastMerge"); }, nullptr,
         "is a symbolic link to a file that does not exist. No file was changed."},
        {"local removed meanwhile", "", nullptr, [](const Trio& t) { fs::remove(t.local); },
         "is no longer there. No file was changed."},
        {"remote becomes a FIFO", "", nullptr,
         [](const Trio& t) {
             fs::rename(t.remote, t.remote + ".kept");
             ::mkfifo(t.remote.c_str(), 0644);
         },
         "is a named pipe (FIFO), not a regular file. No file was changed."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        Trio t = writeTrio(dir, row.prefix);
        if (row.setUp) {
            row.setUp(dir, t);
        }
        test::ScriptedHost host;
        PosixFileSystem realFs;
        MergeRun run(host, realFs, {t.local, t.remote, ""});
        ASSERT_TRUE(run.load());
        ASSERT_TRUE(run.merge());
        if (row.meanwhile) {
            row.meanwhile(t);
        }
        const auto before = test::snapshot(dir.dir());
        const bool links[] = {fs::is_symlink(t.local), fs::is_symlink(t.remote)};
        const FileInfo was = realFs.inspect(t.local);
        const RunResult result = run.save();
        EXPECT_EQ(fs::is_symlink(t.local), links[0]);
        EXPECT_EQ(fs::is_symlink(t.remote), links[1]);
        if (row.refusal.empty()) {
            EXPECT_EQ(result, RunResult::Saved);
            for (const std::string& p : {t.local, t.remote, t.local + ".LastMerge"}) {
                EXPECT_EQ(test::readBytes(p), run.newDocument()) << p;
            }
            for (const std::string& p : {t.local, t.local + ".LastMerge"}) {
                const FileInfo now = realFs.inspect(p);
                EXPECT_EQ(std::tie(now.owner.uid, now.owner.gid, now.mode),
                          std::tie(was.owner.uid, was.owner.gid, was.mode));
            }
            EXPECT_EQ(test::snapshot(dir.dir()).size(),
                      before.size() + 1);  // the new .LastMerge, nothing else
        } else {
            EXPECT_EQ(result, RunResult::SaveFailed);
            EXPECT_EQ(test::snapshot(dir.dir()), before);
            EXPECT_NE(host.messages.back().text.find(row.refusal), std::string::npos)
                << host.messages.back().text;
        }
    }
}

// A tiddler larger than the large-block size, in documents split on threads of their own.
TEST(HostileConditions, ALargeDocument) {
    test::TempDir dir;
    const std::string huge = earlyTiddler("Huge", std::string(kLargeBlock + kParallelSplitSize, 'w'));
    const std::string local = dir.write("l.html", earlyWiki({huge, earlyTiddler("Small", "mine")}));
    const std::string remote = dir.write("r.html", earlyWiki({huge, earlyTiddler("Small", "theirs")}));
    test::ScriptedHost host;
    PosixFileSystem fs;
    MergeRun run(host, fs, {local, remote, ""});
    ASSERT_EQ(run.run(), RunResult::Saved);
    EXPECT_EQ(host.requests.size(), 1u);  // only the small tiddler needed a decision
    // (Compared whole, but never printed.)
    EXPECT_TRUE(run.newDocument().find("\r\n" + huge + "\r\n") != std::string::npos);
    for (const std::string& p : {local, remote, local + ".LastMerge"}) {
        EXPECT_TRUE(test::readBytes(p) == run.newDocument()) << p;
    }
}

}  // namespace
}  // namespace korvane
