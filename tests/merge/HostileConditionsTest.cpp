// Whole merge runs under hostile conditions: folders that refuse writes, a full disk, links, pipes,
// devices and awkward paths. In every case the user's data is complete on disk and any failure is
// reported clearly. (Files changed by another process and saves cut off: the save's tests; unusual
// bytes: the fuzz corpus.)
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <tuple>

#include "merge/Messages.h"
#include "merge/run/MergeRun.h"
#include "merge/save/Recovery.h"
#include "merge/save/SaveMessages.h"
#include "merge/sync/EarlierSaves.h"
#include "platform/Process.h"
#include "support/MemoryFileSystem.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using test::earlyTiddler;
using test::earlyWiki;
using test::Trio;

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

// A password that never comes ends within the limit: a command still running is killed, whether or not
// it closed its output; a named pipe that no one writes to is given up. A command reads no input.
TEST(HostileConditions, APasswordThatNeverComesEndsWithinTheLimit) {
    test::TempDir dir;
    const auto started = std::chrono::steady_clock::now();
    std::string out;
    EXPECT_EQ(programOutput({"sh", "-c", "echo partial; sleep 30"}, out, 1), kTimedOut);
    EXPECT_EQ(out, "partial\n");
    EXPECT_EQ(programOutput({"sh", "-c", "exec >&-; sleep 30"}, out, 1), kTimedOut);
    EXPECT_EQ(programOutput({"sh", "-c", "read line; echo \"[$line]\"; exit 3"}, out, 1), 3);
    EXPECT_EQ(out, "partial\n[]\n");
    ASSERT_EQ(::mkfifo(dir.path("pipe").c_str(), 0600), 0);
    std::string line;
    EXPECT_EQ(readFirstLine(dir.path("pipe"), line, 1), ETIMEDOUT);
    EXPECT_EQ(line, "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

TEST(HostileConditions, AReadOnlyFolderChangesNothing) {
    test::TempDir dir;
    const Trio t = test::writeTrio(dir);
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

// What an interrupted save of an output file left and the next save cannot remove is named, with why.
TEST(HostileConditions, AnOutputLeftoverThatCannotBeRemovedIsNamed) {
    test::TempDir dir;
    const std::string out = dir.path("o.html"), left = dir.write("o.html.korvane-7.tmp", "x");
    std::filesystem::last_write_time(left,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    test::InjectingFileSystem fs;
    fs.failWhen = [](const std::string& op) { return op.starts_with("remove:"); };
    EXPECT_EQ(removeOutputLeftovers(fs, out), msg::leftoverNotRemoved(left, out, "Injected failure"));
    EXPECT_EQ(test::readBytes(left), "x");
}

// The note of a save beside a wiki of a 250-byte name has a shortened name; a note of the long form
// (which a system that counts a name in UTF-16 units may hold) is found as well. A note is taken only
// whole: its header, its end mark, numbers where its fingerprints stand; a file whose content does not
// give the fingerprint the note holds for it is not what that save found.
TEST(HostileConditions, ANoteOfEitherFormIsFound) {
    const std::string local = "/w/" + std::string(250, 'n'), remote = "/w/r.html";
    EXPECT_LE(nameOf(saveNotePath(local)).size(), kNameMax);
    EXPECT_NE(saveNotePath(local), saveNotePath("/w/" + std::string(249, 'n') + "m"));
    const std::string theirs = earlyWiki({earlyTiddler("A", "theirs")}), head = "korvane save note 1";
    std::string changed = theirs;
    changed.back() ^= 1;  // the same size, one bit apart
    SaveNote note;
    note.merged = fingerprintOf({"merged"});
    note.targets[0] = {remote, remote + ".tmp", fingerprintOf({theirs})};
    const std::string whole = note.text(), shortNote = saveNotePath(local),
                      longNote = local + ".korvane-save";
    note.targets[0].before = fingerprintOf({changed});
    const std::string incomplete = msg::whereLine(shortNote, msg::kNoteIncomplete),
                      remoteIs = std::string(msg::kTargetNames[0]);
    const struct {
        std::string path, note, line;
    } rows[] = {
        {longNote, "cut off", msg::whereLine(longNote, msg::kNoteIncomplete)},
        {shortNote, "cut off", incomplete},
        {shortNote, whole, msg::whereLine(remote, remoteIs + std::string(msg::kAsThatSaveFound))},
        {shortNote, "korvane save note 2" + whole.substr(head.size()), incomplete},
        {shortNote, whole.substr(0, whole.size() - 4) + "and" + '\0', incomplete},
        {shortNote, head + '\0' + "6x" + whole.substr(head.size() + 2), incomplete},  // the merged size
        {shortNote, note.text(), msg::whereLine(remote, remoteIs + std::string(msg::kChangedSinceThatSave))},
    };
    for (const auto& row : rows) {
        test::MemoryFileSystem fs;
        fs.files[local].data = earlyWiki({earlyTiddler("A", "mine")});
        fs.files[remote].data = theirs;
        fs.files[row.path].data = row.note;
        test::ScriptedHost host;
        host.yesNoAnswers = {false};
        EXPECT_FALSE(MergeRun(host, fs, {local, remote, ""}).load());
        ASSERT_FALSE(host.messages.empty());
        EXPECT_NE(host.messages.back().text.find(row.line), std::string::npos) << host.messages.back().text;
    }
}

TEST(HostileConditions, KindsOfPath) {
    namespace fs = std::filesystem;
    for (const test::TableRow& row : test::tableRows("paths.tsv")) {
        SCOPED_TRACE(row.where);
        test::TempDir dir;
        const Trio t = test::writeTrio(dir, row.in.at(1));
        const auto shell = [&](const std::string& command) {
            const std::string line =
                "cd '" + dir.dir().string() + "' && " + (command.empty() ? ":" : command);
            EXPECT_EQ(test::runShell(line, "/dev/null"), 0);
        };
        shell(row.in.at(2));
        test::ScriptedHost host;
        PosixFileSystem realFs;
        // "saveall": with the unedited copy, which keeps its own owner and mode; else a new .LastMerge
        // copy that takes the local file's.
        const bool all = row.in[0] == "saveall";
        const std::string third = all ? t.unedited : lastMergePath(t.local);
        MergeRun run(host, realFs, {t.local, t.remote, all ? t.unedited : ""});
        ASSERT_TRUE(run.load() && run.merge());
        shell(row.in.at(3));
        const auto before = test::snapshot(dir.dir());
        const bool links[] = {fs::is_symlink(t.local), fs::is_symlink(t.remote)};
        const FileInfo was = realFs.inspect(t.local), wasThird = all ? realFs.inspect(third) : was;
        const RunResult result = run.save();
        EXPECT_EQ(fs::is_symlink(t.local), links[0]);
        EXPECT_EQ(fs::is_symlink(t.remote), links[1]);
        if (row.out.empty()) {
            EXPECT_EQ(result, RunResult::Saved);
            for (const std::string& p : {t.local, t.remote, third}) {
                EXPECT_EQ(test::readBytes(p), run.newDocument()) << p;
            }
            for (const auto& [p, w] : {std::pair{t.local, was}, {third, wasThird}}) {
                const FileInfo now = realFs.inspect(p);
                EXPECT_EQ(std::tie(now.owner.uid, now.owner.gid, now.mode),
                          std::tie(w.owner.uid, w.owner.gid, w.mode))
                    << p;
            }
            EXPECT_EQ(test::snapshot(dir.dir()).size(),
                      before.size() + (all ? 0 : 1));  // only a new .LastMerge
        } else {
            EXPECT_EQ(result, RunResult::SaveFailed);
            EXPECT_EQ(test::snapshot(dir.dir()), before);
            EXPECT_NE(host.messages.back().text.find(row.out[0]), std::string::npos)
                << host.messages.back().text;
        }
    }
}

}  // namespace
}  // namespace korvane
