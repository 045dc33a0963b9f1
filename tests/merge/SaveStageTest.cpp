#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <functional>
#include <map>

#include "merge/Messages.h"
#include "merge/run/MergeRun.h"
#include "merge/save/Backups.h"
#include "merge/save/SaveMessages.h"
#include "platform/Process.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

class SaveStage : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::ScriptedHost host;
    test::InjectingFileSystem fs;
    const test::Trio trio = test::writeTrio(dir);
    std::string local = trio.local, remote = trio.remote, unedited = trio.unedited;
    std::map<std::string, std::string> originals = {{local, test::readBytes(local)},
                                                    {remote, test::readBytes(remote)},
                                                    {unedited, test::readBytes(unedited)}};
    std::unique_ptr<MergeRun> run;
    test::TempDir keptDir;
    const std::string backups = keptDir.path("backups");
    bool keepBackups = false;

    // Puts back the three files as they were at the start, and nothing else (and no backup).
    void resetFiles() {
        fs.failWhen = nullptr;
        std::filesystem::remove_all(backups);
        for (const auto& f : std::filesystem::directory_iterator(dir.dir())) {
            (void)MachineFileSystem().remove(f.path().string());  // read-only ones too, on Windows as well
        }
        for (const auto& [path, bytes] : originals) {
            std::ofstream(path, std::ios::binary) << bytes;
        }
    }

    // With a fresh host, loads and merges (recommended answers); the save is left to the test.
    void prepare(const std::string& u) {
        host = {};
        run = std::make_unique<MergeRun>(host, fs, MergePaths{local, remote, u});
        run->settings().backupFolder = keepBackups ? backups : std::string();
        ASSERT_TRUE(run->load() && run->merge());
        host.log.clear();
        host.messages.clear();
    }
};

// Another program appends to one of the files at a chosen moment of the save: the guards, which run
// right before the renames, find it, and every file stays as that program left it.
TEST_F(SaveStage, GuardsFindFilesChangedByAnotherProcess) {
    const std::pair<std::string*, std::string_view> rows[] = {
        {&remote, msg::kRemoteChanged}, {&local, msg::kLocalChanged}, {&unedited, msg::kOriginalChanged}};
    // While "Save Files?" is open; once the copies are written and flushed; while the local guard reads
    // (the remote file then stands under its backup name).
    const std::function<bool(const std::string&)> moments[] = {
        [](const std::string&) { return true; },
        [&](const std::string& op) { return op.rfind("rename:" + remote + ">", 0) == 0; },
        [&](const std::string& op) { return op == "read:" + local; },
        // After the checks, as the first file is replaced: the exchanges bring the change to light.
        [&](const std::string& op) { return op.starts_with("rename:" + remote + "."); }};
    for (const auto& moment : moments) {
        if (test::kOnWindows && &moment == &moments[3]) {
            continue;  // Windows has no atomic exchange: a change at the last moment is not caught there
        }
        for (const auto& [path, message] : rows) {
            SCOPED_TRACE(*path + " at moment " + std::to_string(&moment - moments));
            // At the last moment the remote file stands under its backup name, and another program
            // writes a new one: that file stays, and the message says where the old one is.
            const bool newRemote = &moment >= &moments[2] && path == &remote;
            prepare(unedited);
            const std::string original = test::readBytes(*path);
            std::filesystem::permissions(remote, std::filesystem::perms(0444));
            bool changed = false;
            fs.failWhen = [&](const std::string& op) {
                if (!changed && moment(op)) {
                    changed = true;
                    std::ofstream(*path, std::ios::app) << ' ';
                }
                return false;
            };
            fs.ops.clear();
            EXPECT_EQ(run->save(), RunResult::SaveFailed);
            fs.failWhen = nullptr;
            ASSERT_TRUE(changed);
            // A change made before the checks (the unedited copy's too) stops the save before any file
            // is exchanged.
            EXPECT_TRUE(&moment == &moments[3] ||
                        std::none_of(fs.ops.begin(), fs.ops.end(),
                                     [](const std::string& op) { return op.starts_with("exchange:"); }));
            EXPECT_EQ(test::readBytes(*path), newRemote ? " " : original + " ");
            if (newRemote) {
                EXPECT_NE(host.messages[1].text.find("failed: File exists."), std::string::npos);
                EXPECT_NE(host.messages[1].text.find("it is now \"" + remote + "-"), std::string::npos);
                EXPECT_EQ(host.messages[1].text.find(msg::kNoFileChanged), std::string::npos);
                std::filesystem::remove(remote);
                MergeRun(host, fs, {local, remote, unedited}).load();  // puts the old one back
            }
            EXPECT_EQ(test::snapshot(dir.dir()).size(), 3u);  // the remote file is back, nothing left over
            EXPECT_EQ(fs.inspect(remote).mode, 0444u);        // with the attributes it had
            EXPECT_EQ(host.messages[1],
                      (test::ShownMessage{newRemote ? host.messages[1].text : std::string(message),
                                          MessageIcon::Critical, newRemote ? "Korvane" : "Server Error"}));
            dir.write(std::filesystem::path(*path).filename().string(), original);
            std::filesystem::permissions(remote, std::filesystem::perms(0644));
        }
    }
}

// No to "Save Files?" touches nothing. On Yes, the save's system calls in order: the note, every copy
// written and flushed, the renames (exchanges for the local and unedited files), each flushed into its
// folder, and the backup, the files exchanged out and the note removed last. A taken backup name is drawn
// again.
TEST_F(SaveStage, FlushesBeforeItRenamesAndRemovesTheBackupLast) {
    if (test::kOnWindows) {
        GTEST_SKIP() << "Windows offers no way to record the system's own calls";
    }
    prepare(unedited);
    const auto before = test::snapshot(dir.dir());
    host.yesNoAnswers = {false};
    EXPECT_EQ(run->save(), RunResult::NotSaved);
    EXPECT_EQ(test::snapshot(dir.dir()), before);
    EXPECT_EQ(
        host.messages,
        (std::vector<test::ShownMessage>{{std::string(msg::kSaveFiles), MessageIcon::None, "Save Files?"}}));
    const std::string folder = dir.dir().string(), taken = dir.write("remote.html-50000000", "another's");
    std::deque<double> draws = {0.5, 0.5, 0.25};  // then 0.75 for every temporary file
    run->settings().random = [&] {
        const double r = draws.empty() ? 0.75 : draws.front();
        draws.empty() ? void() : draws.pop_front();
        return r;
    };
    const std::string backup = remote + "-25000000", temp = ".korvane-75000000.tmp";
    const std::string note = local + ".korvane-save";
    std::vector<std::string> calls;
    {
        const test::SyscallRecord record;
        ASSERT_EQ(run->save(), RunResult::Saved);
        calls = record.calls();
    }
    ASSERT_GT(calls.size(), 4u);
    std::sort(calls.begin() + 1, calls.begin() + 4);  // the three copies are flushed at the same time
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "fsync:" + note, "fsync:" + local + temp, "fsync:" + remote + temp,
                         "fsync:" + unedited + temp, "rename:" + remote + ">" + backup, "fsync:" + folder,
                         "rename:" + remote + temp + ">" + remote, "fsync:" + folder,
                         "rename:" + local + temp + ">" + local, "fsync:" + folder,
                         "rename:" + unedited + temp + ">" + unedited, "fsync:" + folder, "unlink:" + backup,
                         "unlink:" + local + temp, "unlink:" + unedited + temp, "unlink:" + note}));
    EXPECT_EQ(test::readBytes(taken), "another's");
    for (const std::string& p : {local, remote, unedited}) {
        EXPECT_EQ(test::readBytes(p), run->newDocument()) << p;
    }
}

// A save through a link to the local file, killed with the remote file under its backup name, is found
// by a run given the linked file's own path, which names the backup.
TEST_F(SaveStage, AKilledSaveThroughALinkIsFoundFromTheLinkedFile) {
    const std::string linked = dir.path("synced.html");
    std::filesystem::rename(local, linked);
    if (!test::makeLink(linked, local) || !MachineFileSystem().inspect(local).link ||
        std::string_view(MachineFileSystem().readWhole(local).text) != test::readBytes(linked)) {
        GTEST_SKIP() << "this system made no symbolic link that leads to its file (wine, or Windows "
                        "without the right to make one)";
    }
    prepare(unedited);
    run->settings().random = [] { return 0.5; };
    fs.failWhen = [&](const std::string& op) {
        return op.starts_with("rename:" + remote + ".") ? throw 0 : false;
    };
    EXPECT_THROW(run->save(), int);
    host.yesNoAnswers = {false};
    EXPECT_FALSE(MergeRun(host, fs, {linked, remote, unedited}).load());
    EXPECT_NE(host.messages.back().text.find(msg::whereLine(remote + "-50000000", msg::kBackupAsFound)),
              std::string::npos);
}

// Saved, but the old copies exchanged out stay: the message names each, the first after "Saved, but".
TEST_F(SaveStage, OldCopiesThatCannotBeRemovedAreEachNamed) {
    if (test::kOnWindows) {
        GTEST_SKIP() << "Windows has no atomic exchange, so no old copy is exchanged out";
    }
    prepare(unedited);
    run->settings().random = [] { return 0.5; };
    fs.failWhen = [](const std::string& op) { return op.starts_with("remove:") && op.ends_with(".tmp"); };
    EXPECT_EQ(run->save(), RunResult::Saved);
    const std::string temp = ".korvane-50000000.tmp", failure = "Injected failure";
    EXPECT_EQ(host.messages.back(),
              (test::ShownMessage{
                  msg::oldCopyNotRemoved(true, local + temp, msg::kTargetNames[1], failure) +
                      msg::oldCopyNotRemoved(false, unedited + temp, msg::kTargetNames[2], failure) +
                      msg::saveNoteKept(local + ".korvane-save"),
                  MessageIcon::Exclamation, "Korvane"}));
}

// A rename that fails once the first target is replaced: the message says, file by file, what each
// holds, and the files hold just that.
TEST_F(SaveStage, APartlyDoneSaveSaysWhereEveryDocumentIs) {
    struct Row {
        bool withUnedited;
        std::size_t failing;            // the target whose rename fails: 1 local, 2 unedited copy
        std::vector<std::string> held;  // remote, local, unedited copy: "" the merged document
    };
    const Row rows[] = {{true, 1, {"", "your local file, unchanged", "the unedited copy, unchanged"}},
                        {true, 2, {"", "", "the unedited copy, unchanged"}},
                        {false, 2, {"", "", "not created yet"}}};
    for (const Row& row : rows) {
        prepare(row.withUnedited ? unedited : "");
        run->settings().random = [] { return 0.5; };
        const std::string targets[] = {remote, local, row.withUnedited ? unedited : local + ".LastMerge"};
        const std::string temp = ".korvane-50000000.tmp", backup = remote + "-50000000";
        const std::string failing = (row.withUnedited ? "exchange:" : "rename:") + targets[row.failing] +
                                    temp + ">" + targets[row.failing];
        fs.failWhen = [&](const std::string& op) { return op == failing; };
        EXPECT_EQ(run->save(), RunResult::SaveFailed);
        fs.failWhen = nullptr;
        std::string expected = "Error: The merged document could not be saved to every file: renaming \"" +
                               targets[row.failing] + temp + "\" to \"" + targets[row.failing] +
                               "\" failed: Injected failure.\n\nWhere your documents are now:";
        for (std::size_t i = 0; i < 3; ++i) {
            expected +=
                "\n\"" + targets[i] + "\": " + (row.held[i].empty() ? "the merged document" : row.held[i]);
            EXPECT_EQ(test::readBytes(targets[i]),
                      row.held[i].empty() ? run->newDocument() : originals[targets[i]]);
        }
        expected += "\n\"" + backup + "\": the remote file as it was before this merge";
        for (std::size_t i = 1; i < 3; ++i) {  // a file exchanged out stays at its copy's name
            const bool old = i < row.failing;
            if (old && test::kOnWindows) {  // no exchange there: the file was replaced by a rename
                EXPECT_FALSE(std::filesystem::exists(targets[i] + temp));
                continue;
            }
            expected += "\n\"" + targets[i] + temp + "\": " +
                        (old ? std::string(msg::kTargetNames[i]) + std::string(msg::kAsItWas)
                             : "the merged document");
            EXPECT_EQ(test::readBytes(targets[i] + temp), old ? originals[targets[i]] : run->newDocument());
        }
        EXPECT_EQ(test::readBytes(backup), originals[remote]);
        EXPECT_EQ(host.messages.back(),
                  (test::ShownMessage{expected + msg::saveNoteKept(local + ".korvane-save"),
                                      MessageIcon::Critical, "Korvane"}));
        resetFiles();
    }
}

// A sync tool's conflict copy as the remote file is no target of the save. "Delete conflict copy?" comes
// after the save, No leaves the copy byte for byte with its mode, and no .LastMerge copy is made; Yes
// deletes it, but not once it changed since the run read it. With every single file operation failing
// in turn, or cut off there as a kill would, the copy stays as it was unless it was deleted after the
// merged document was saved, and the next start puts the local file and the unedited copy in order (both
// as they were, or both merged) and leaves nothing else behind.
TEST_F(SaveStage, ASyncToolsCopyStaysAsItWasUntilTheUserDeletesIt) {
    struct Killed {};
    const std::string copy = dir.path("local.sync-conflict-20260101-120000-ABCDEFG.html");
    originals[copy] = originals.at(remote);
    originals.erase(remote);
    remote = copy;
    unsigned copyMode = 0;  // 0640 where the system keeps permission bits (Windows shows 0666)
    const auto start = [&](const std::string& u) {
        resetFiles();
        std::filesystem::permissions(copy, std::filesystem::perms(0640));
        copyMode = fs.inspect(copy).mode;
        prepare(u);
        host.yesNoAnswers = {true, true};  // Save Files?, Delete conflict copy?
    };
    const auto copyAsItWas = [&] {
        return test::readBytes(copy) == originals.at(copy) && fs.inspect(copy).mode == copyMode;
    };
    for (const std::string& u : {unedited, std::string()}) {
        SCOPED_TRACE(u.empty() ? "without unedited copy" : "with unedited copy");
        start(u);
        const std::string merged = run->newDocument();
        host.yesNoAnswers = {true, false};
        ASSERT_EQ(run->save(), RunResult::Saved);
        EXPECT_EQ(host.log, (std::vector<std::string>{"ask:Save Files?", "ask:Delete conflict copy?"}));
        EXPECT_TRUE(copyAsItWas());
        EXPECT_EQ(test::readBytes(local), merged);
        EXPECT_EQ(test::readBytes(unedited), u.empty() ? originals.at(unedited) : merged);
        EXPECT_EQ(test::snapshot(dir.dir()).size(), 3u);  // no .LastMerge, backup or note
        start(u);
        std::ofstream(copy, std::ios::app) << ' ';
        ASSERT_EQ(run->save(), RunResult::Saved);
        EXPECT_EQ(host.messages.back().text,
                  msg::syncCopyNotDeleted(copy, std::string(msg::kCopyChangedSinceRead)));
        EXPECT_EQ(test::readBytes(copy), originals.at(copy) + " ");
        start(u);
        fs.ops.clear();
        ASSERT_EQ(run->save(), RunResult::Saved);
        EXPECT_FALSE(std::filesystem::exists(copy));
        const std::vector<std::string> steps = fs.ops;
        // A save cut off before its first replacement is undone, one cut off later is finished.
        const std::size_t firstReplacement = static_cast<std::size_t>(
            std::find_if(steps.begin(), steps.end(),
                         [](const std::string& op) {
                             return op.starts_with("exchange:") || op.starts_with("rename:");
                         }) -
            steps.begin());
        for (std::size_t k = 0; k < 2 * steps.size(); ++k) {
            const bool kill = k >= steps.size();
            const std::string& at = steps[k % steps.size()];
            if (kill && at.starts_with("remove:") && at.ends_with(".lock")) {
                continue;  // the lock goes after the save, in a destructor: a kill there ends nothing
            }
            SCOPED_TRACE((kill ? "killed at " : "failing ") + at);
            start(u);
            std::size_t count = 0;
            fs.failWhen = [&](const std::string& op) {
                if (count++ != k % steps.size())
                    return false;
                if (!kill)
                    return true;
                if (op.starts_with("writeNew:"))
                    std::ofstream(op.substr(9), std::ios::binary) << merged.substr(0, 20);
                throw Killed{};
            };
            RunResult result = RunResult::Stopped;
            try {
                result = run->save();
            } catch (const Killed&) {
            }
            fs.failWhen = nullptr;
            if (kill) {
                test::ScriptedHost next;
                EXPECT_TRUE(MergeRun(next, fs, {local, copy, u}).load());
            }
            // Deleted only after the merged document is saved; otherwise as it was.
            const bool deleted = !std::filesystem::exists(copy);
            EXPECT_TRUE(deleted ? result == RunResult::Saved && test::readBytes(local) == merged
                                : copyAsItWas());
            EXPECT_FALSE(std::filesystem::exists(local + ".LastMerge"));
            if (kill) {
                // Cut off before its first replacement, the save is undone; later, it is finished. On
                // Windows a file is replaced in two renames (the original aside, then the new one in),
                // and a save cut off between them may be put back as it was instead.
                const bool done = k % steps.size() > firstReplacement;
                const bool finished = test::readBytes(local) == merged;
                EXPECT_TRUE(finished ? done : !done || test::kOnWindows);
                EXPECT_EQ(test::readBytes(local), finished ? merged : originals.at(local));
                EXPECT_EQ(test::readBytes(unedited),
                          finished && !u.empty() ? merged : originals.at(unedited));
                EXPECT_EQ(test::snapshot(dir.dir()).size(), 3u - (deleted ? 1 : 0));
            }
        }
    }
}

// Makes every single file operation of the save fail in turn, and then cuts the save off at that same
// operation as a kill would (a file being written is left half written). A failure leaves each original
// content or the merged document complete on disk, and names any file besides the three. After a kill,
// the next start finds what the save left: korvane-cli reports it and changes nothing, and Yes puts the
// three files in order (all as they were, or all merged) and leaves nothing else behind. When another
// program changed the local file (and the unedited copy) after a kill before the renames, the save is
// not finished and the changes stay; when it wrote a new remote file, nothing is touched.
// With backups kept (as hard links, or as copies where no link can be made), every complete entry holds
// the originals, a save holds one, and a save that changed no file leaves none.
TEST_F(SaveStage, AFaultOrAKillAtAnyStepLosesNothing) {
    struct Killed {};
    enum class Kept { None, Linked, Copied };
    for (const auto& [u, keeping] :
         {std::pair{unedited, Kept::None}, {std::string(), Kept::Linked}, {unedited, Kept::Copied}}) {
        SCOPED_TRACE((u.empty() ? "without unedited copy, " : "with unedited copy, ") +
                     std::to_string(static_cast<int>(keeping)));
        keepBackups = keeping != Kept::None;
        const auto noLink = [&](const std::string& op) {
            return keeping == Kept::Copied && op.starts_with("link:");
        };
        const std::string third = u.empty() ? local + ".LastMerge" : unedited;
        resetFiles();
        prepare(u);
        const std::string merged = run->newDocument();
        fs.ops.clear();
        fs.failWhen = noLink;
        ASSERT_EQ(run->save(), RunResult::Saved);
        EXPECT_EQ(std::count_if(fs.ops.begin(), fs.ops.end(),
                                [&](const std::string& op) {
                                    return op.starts_with("writeNew:" + backups) && !op.ends_with(".lock");
                                }),
                  keeping == Kept::Copied   ? 4
                  : keeping == Kept::Linked ? 1
                                            : 0);
        const std::vector<std::string> steps = fs.ops;
        ASSERT_GT(steps.size(), 10u);
        // Each step: failing alone, failing with the putting back of the remote file failing too, killed.
        for (std::size_t k = 0; k < 3 * steps.size(); ++k) {
            const bool kill = k >= 2 * steps.size();
            const std::string& at = steps[k % steps.size()];
            if (kill && at.starts_with("remove:") && at.ends_with(".lock")) {
                continue;  // the lock goes after the save, in a destructor: a kill there ends nothing
            }
            resetFiles();
            prepare(u);
            std::size_t count = 0;
            fs.failWhen = [&](const std::string& op) {
                if (count++ != k % steps.size())
                    return noLink(op) || (count > k % steps.size() && k >= steps.size() &&
                                          op.rfind("rename:" + remote + "-", 0) == 0);
                if (!kill)
                    return true;
                if (op.rfind("writeNew:", 0) == 0)
                    std::ofstream(op.substr(9), std::ios::binary) << merged.substr(0, 20);
                throw Killed{};
            };
            SCOPED_TRACE((kill ? "killed at " : "failing ") + at);
            RunResult result = RunResult::Stopped;
            try {
                result = run->save();
            } catch (const Killed&) {
                ASSERT_TRUE(kill);
            }
            fs.failWhen = nullptr;
            // Every complete entry holds the originals as the run read them.
            const std::vector<KeptMerge> entries = Backups(fs, backups).merges(local);
            for (const KeptMerge& m : entries) {
                for (const KeptFile& f : m.files) {
                    EXPECT_EQ(f.kept.empty() ? "" : test::readBytes(m.folder + "/" + f.kept),
                              originals.count(f.path) ? originals.at(f.path) : "")
                        << f.path;
                }
            }
            const bool noFileChanged =
                host.messages.size() > 1 &&
                host.messages.back().text.find("No file was changed") != std::string::npos;
            EXPECT_EQ(entries.size(), keepBackups && result == RunResult::Saved ? 1u
                                      : kill || !noFileChanged                  ? entries.size()
                                                                                : 0u);
            if (kill) {
                const bool localChanged =
                    at.rfind("read:" + remote + "-", 0) == 0 || at.rfind("writeNew:", 0) == 0;
                const bool newRemote = at == "read:" + local;
                if (localChanged || newRemote)
                    std::ofstream(localChanged ? local : remote, std::ios::app) << ' ';
                if (localChanged && !u.empty())
                    std::ofstream(u, std::ios::app) << ' ';
                const auto left = test::snapshot(dir.dir());
                const std::string paths = "/local '" + local + "' /remote '" + remote + "'" +
                                          (u.empty() ? "" : " /lastmerge '" + u + "'");
                const std::string err = dir.dir().string() + ".err";
                const int status = test::runShell(KORVANE_CLI_PATH " plan " + paths, err);
                const std::string survey = test::readBytes(err);
                const bool found = survey.rfind(msg::kInterruptedFound, 0) == 0;
                std::filesystem::remove(err);
                // The local file and the third are never missing (a new .LastMerge is not created yet),
                // and, once changed, never taken for what the save found.
                for (const auto& [p, name] :
                     {std::pair{local, msg::kTargetNames[1]}, {third, msg::kTargetNames[2]}}) {
                    const std::string asFound = std::string(name) + std::string(msg::kAsThatSaveFound);
                    EXPECT_EQ(survey.find(msg::whereLine(p, msg::kMissing)), std::string::npos) << survey;
                    EXPECT_TRUE(!localChanged || survey.find(msg::whereLine(p, asFound)) == std::string::npos)
                        << survey;
                }
                EXPECT_EQ(found, left.size() != 3u || test::readBytes(remote) != originals.at(remote));
                EXPECT_TRUE(!found || status == 2);
                EXPECT_EQ(test::snapshot(dir.dir()), left);
                // Putting things in order can fail too: it stops, keeping the note for the next start.
                test::ScriptedHost failing;
                fs.failWhen = [](const std::string& op) {
                    return op.rfind("rename:", 0) == 0 || op.rfind("remove:", 0) == 0;
                };
                EXPECT_FALSE(MergeRun(failing, fs, {local, remote, u}).load() && found);
                fs.failWhen = nullptr;
                EXPECT_EQ(failing.messages.size() > 1 &&
                              failing.messages[1].text.rfind(
                                  "Error: Putting the files of the interrupted save", 0) == 0,
                          found && !newRemote);
                EXPECT_TRUE(std::filesystem::exists(local + ".korvane-save") || !found);
                test::ScriptedHost next;
                MergeRun(next, fs, {local, remote, u}).load();
                EXPECT_EQ(!next.messages.empty() && next.messages[0].title == msg::kInterruptedTitle, found);
                if (newRemote) {
                    EXPECT_EQ(test::snapshot(dir.dir()), left);
                    EXPECT_NE(next.messages[0].text.find(msg::kNoOffer), std::string::npos);
                    continue;
                }
                const bool done = !localChanged && test::readBytes(remote) == merged;
                EXPECT_EQ(test::snapshot(dir.dir()).size(), u.empty() && done ? 4u : 3u);
                for (const std::string& p : {local, remote, third}) {
                    const std::string was =
                        originals.count(p) ? originals.at(p) + (p != remote && localChanged ? " " : "") : "";
                    EXPECT_EQ(test::readBytes(p), done ? merged : was) << p;
                }
                continue;
            }
            const std::string shown = host.messages.size() > 1 ? host.messages.back().text : "";
            for (const auto& [path, bytes] : originals) {
                if (path == unedited && u.empty())
                    continue;
                const std::string now = std::filesystem::exists(path) ? test::readBytes(path) : "";
                // Or else the original must stand in a file that the message names.
                bool named = now == bytes || now == merged;
                for (const auto& f : std::filesystem::directory_iterator(dir.dir())) {
                    named |= test::readBytes(f.path().string()) == bytes &&
                             shown.find(f.path().string()) != std::string::npos;
                }
                EXPECT_TRUE(named) << path << " lost; message: " << shown;
            }
            for (const auto& f : std::filesystem::directory_iterator(dir.dir())) {
                const std::string name = f.path().string();
                EXPECT_TRUE(originals.count(name) || name == third || shown.find(name) != std::string::npos)
                    << "stray file " << name << "; message: " << shown;
            }
            if (result != RunResult::Saved) {
                EXPECT_EQ(shown.starts_with("Error: The merged document was not saved: keeping a backup of "),
                          at.starts_with("mkdir:") || at.starts_with("writeNew:" + backups))
                    << shown;
                EXPECT_FALSE(shown.empty());
                EXPECT_EQ(host.messages.back().icon, MessageIcon::Critical);
                const bool unchanged =
                    test::snapshot(dir.dir()).size() == 3u && test::readBytes(remote) == originals.at(remote);
                EXPECT_EQ(shown.find("No file was changed") != std::string::npos, unchanged) << shown;
                EXPECT_TRUE(unchanged || !at.starts_with("writeNew:")) << "a copy not written; " << shown;
            }
        }
    }
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// An undo after each kind of save puts back every file it replaced (a new .LastMerge copy is removed,
// the remote file gets its permissions back), and a second undo takes the first back. A file changed
// since the merge wrote it makes the undo refuse and change nothing.
TEST_F(SaveStage, AnUndoPutsBackWhatEachKindOfSaveReplaced) {
    keepBackups = true;
    const std::string out = dir.write("out.html", "what the output held");
    for (const std::string& u : {unedited, std::string(), std::string("out")}) {
        SCOPED_TRACE(u);
        resetFiles();
        std::ofstream(out, std::ios::binary) << "what the output held";
        const bool toOutput = u == "out";
        host = {};
        run = std::make_unique<MergeRun>(host, fs, MergePaths{local, remote, toOutput ? unedited : u});
        run->settings().backupFolder = backups;
        if (toOutput) {
            run->settings().outputPath = out;
        }
        ASSERT_TRUE(run->load() && run->merge());
        ASSERT_EQ(run->save(), RunResult::Saved);
        const std::string wiki = toOutput ? out : local;
        EXPECT_EQ(run->keptFor(), wiki);
        const auto saved = test::snapshot(dir.dir());
        Backups kept(fs, backups);
        const auto [undone, text] = kept.undo(wiki);
        EXPECT_TRUE(undone) << text;
        auto expected = originals;
        if (toOutput) {
            expected = {{out, "what the output held"}};
        }
        for (const auto& [path, bytes] : expected) {
            if (path != unedited || !u.empty()) {
                EXPECT_EQ(test::readBytes(path), bytes) << path;
            }
        }
        EXPECT_FALSE(std::filesystem::exists(local + ".LastMerge"));
        EXPECT_EQ(fs.inspect(remote).mode, test::kOnWindows ? 0666u : 0644u);  // no longer read-only
        EXPECT_TRUE(kept.undo(wiki).first);                                    // the undo is undone
        EXPECT_EQ(test::snapshot(dir.dir()), saved);
        EXPECT_EQ(kept.merges(wiki).size(), 3u);
        std::ofstream(wiki, std::ios::app) << ' ';
        const auto changed = test::snapshot(dir.dir());
        const auto [refused, why] = kept.undo(wiki);
        EXPECT_FALSE(refused);
        EXPECT_NE(why.find("\"" + wiki + "\" changed since the merge wrote it.\nNo file was changed."),
                  std::string::npos)
            << why;
        EXPECT_EQ(test::snapshot(dir.dir()), changed);
        EXPECT_EQ(kept.merges(wiki).size(), 3u);
    }
}

// An undo killed, or failing, at any step leaves what the next undo finishes: every file as before the
// merge (or, when the first had put back every file, the merge again, as the undo of that undo), with
// no temporary file left beside them.
TEST_F(SaveStage, AnUndoCutOffAtAnyStepIsFinishedByTheNext) {
    keepBackups = true;
    std::vector<std::pair<std::string, std::string>> before;
    for (const auto& [path, bytes] : originals) {
        before.emplace_back(std::filesystem::path(path).filename().string(), bytes);
    }
    std::sort(before.begin(), before.end());
    for (const bool kill : {true, false}) {
        for (std::size_t step = 0;; ++step) {
            SCOPED_TRACE((kill ? "killed at " : "failing at ") + std::to_string(step));
            resetFiles();
            prepare(unedited);
            ASSERT_EQ(run->save(), RunResult::Saved);
            const auto merged = test::snapshot(dir.dir());
            std::size_t seen = 0;
            // The lock goes in a destructor, which cannot throw: there a kill is a failure.
            fs.failWhen = [&](const std::string& op) {
                return seen++ == step && (kill && !op.ends_with(".lock") ? throw 0 : true);
            };
            try {
                (void)Backups(fs, backups).undo(local);
            } catch (int) {
            }
            fs.failWhen = nullptr;
            if (seen <= step) {
                ASSERT_GT(step, 20u);  // every step of the undo had its turn
                break;
            }
            const bool allBack = test::snapshot(dir.dir()) == before;
            const auto [undone, text] = Backups(fs, backups).undo(local);
            EXPECT_TRUE(undone) << text;
            EXPECT_EQ(test::snapshot(dir.dir()), allBack ? merged : before);
        }
    }
}

// What an undo finds in the place of its temporary file: the start of the kept original (a write cut
// off) is removed; anything else stays, and the undo names it and changes nothing.
TEST_F(SaveStage, AnUndoRemovesOnlyItsOwnLeftovers) {
    keepBackups = true;
    prepare(unedited);
    ASSERT_EQ(run->save(), RunResult::Saved);
    std::ofstream(undoTempPath(local), std::ios::binary) << originals.at(local).substr(0, 100);
    std::ofstream(undoTempPath(remote), std::ios::binary) << "someone's notes";
    const auto merged = test::snapshot(dir.dir());
    const auto [refused, why] = Backups(fs, backups).undo(local);
    EXPECT_FALSE(refused);
    EXPECT_NE(why.find("\n\"" + undoTempPath(remote) + "\" is in the way"), std::string::npos) << why;
    EXPECT_EQ(why.find(undoTempPath(local)), std::string::npos) << why;
    EXPECT_EQ(test::snapshot(dir.dir()), merged);
    std::filesystem::remove(undoTempPath(remote));
    EXPECT_TRUE(Backups(fs, backups).undo(local).first);
    EXPECT_FALSE(std::filesystem::exists(undoTempPath(local)));
    EXPECT_EQ(test::readBytes(local), originals.at(local));
}

// One save of a wiki at a time: while another live process holds the lock, a save is refused, names the
// lock and writes nothing; a lock whose process has ended is taken over, and the save lets it go.
TEST_F(SaveStage, ASecondSaveOfTheWikiWaitsForNoStaleLock) {
    keepBackups = true;
    const std::string lock = Backups(fs, backups).lockPath(absolutePath(local));
    for (const unsigned long holder : {1ul, 2147483646ul}) {  // init, which runs; a number no process has
        SCOPED_TRACE(holder);
        resetFiles();
        std::filesystem::create_directories(backups);
        std::ofstream(lock, std::ios::binary) << holder << ' ' << machineName() << '\n';
        prepare(unedited);
        const bool live = processRuns(holder);
        EXPECT_EQ(run->save(), live ? RunResult::SaveFailed : RunResult::Saved);
        EXPECT_EQ(test::readBytes(local) == originals.at(local), live);
        EXPECT_EQ(std::filesystem::exists(lock), live);
        EXPECT_EQ(Backups(fs, backups).merges(local).size(), live ? 0u : 1u);
        if (live) {
            EXPECT_EQ(host.messages.back().text, "Error: Another run of Korvane is saving \"" +
                                                     absolutePath(local) + "\" (process 1 on " +
                                                     machineName() + "); if none is, remove \"" + lock +
                                                     "\" and try again. No file was changed.");
        }
    }
}

// A save killed after it linked the originals into the backup folder leaves the files with two names;
// the next save drops that entry (it replaced nothing) instead of refusing the files.
TEST_F(SaveStage, ASaveCutOffAfterKeepingItsBackupDoesNotBlockTheNext) {
    keepBackups = true;
    prepare(unedited);
    fs.failWhen = [&](const std::string& op) {
        return op.starts_with("rename:" + remote + ">") ? throw 0 : false;
    };
    EXPECT_THROW(run->save(), int);
    fs.failWhen = nullptr;
    ASSERT_EQ(fs.inspect(local).links, 2u);
    prepare(unedited);
    ASSERT_EQ(run->save(), RunResult::Saved);
    const std::vector<KeptMerge> left = Backups(fs, backups).merges(local);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(test::readBytes(left[0].folder + "/" + left[0].files[1].kept), originals.at(local));
}

// Ten merges are kept of each wiki, the oldest going first; then the oldest of all wikis go until the
// kept files fit the size allowed, but never the newest merge.
TEST_F(SaveStage, BackupsArePrunedToTenMergesPerWikiAndToTheirSize) {
    const std::string a = dir.write("a.html", "0123456789"), b = dir.write("b.html", "abcdefghij");
    Backups kept(fs, backups, 35);
    std::string failed;
    // A save replaces the file by a new one, never writing it in place (which would write the links too).
    const auto save = [&](int i) {
        std::filesystem::rename(dir.write("new", "merge " + std::to_string(i)), a);
    };
    for (int i = 0; i < 12; ++i) {
        save(i);
        ASSERT_FALSE(kept.keep(a, {{a, true, std::nullopt, 0644, std::nullopt}}, failed));
        kept.prune(a);
    }
    std::vector<KeptMerge> left = kept.merges(a);
    ASSERT_EQ(left.size(), 4u);  // 7 bytes each: the size allowed takes the rest
    EXPECT_EQ(test::readBytes(left.front().folder + "/" + left.front().files[0].kept), "merge 8");
    Backups roomy(fs, backups);
    for (int i = 12; i < 23; ++i) {
        save(i);
        ASSERT_FALSE(roomy.keep(a, {{a, true, std::nullopt, 0644, std::nullopt}}, failed));
        roomy.prune(a);
    }
    left = roomy.merges(a);
    ASSERT_EQ(left.size(), 10u);
    EXPECT_EQ(test::readBytes(left.front().folder + "/" + left.front().files[0].kept), "merge 13");
    ASSERT_FALSE(Backups(fs, backups, 1).keep(b, {{b, true, std::nullopt, 0644, std::nullopt}}, failed));
    Backups(fs, backups, 1).prune(b);
    EXPECT_EQ(roomy.merges({}).size(), 1u);
    EXPECT_EQ(roomy.merges(b).size(), 1u);
}

}  // namespace
}  // namespace korvane
