// A format that keeps a wiki as a folder of .tid files, one file per tiddler, registered by the tests
// only: read, merged, saved, guarded, recovered and undone through the run and the saves as they are.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "merge/Messages.h"
#include "merge/format/WikiFormat.h"
#include "merge/model/FolderImage.h"
#include "merge/run/MergeRun.h"
#include "merge/run/RunMessages.h"
#include "merge/save/Backups.h"
#include "merge/save/FoldersAsFiles.h"
#include "merge/save/SaveMessages.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using Files = std::map<std::string, std::string>;

std::string_view titleOf(std::string_view record) {
    const std::size_t space = record.find(' ');
    std::string_view name = record.substr(space + 1, record.find('\n') - space - 1);
    return name.ends_with(".tid") ? name.substr(0, name.size() - 4) : name;
}

std::string_view bytesOf(std::string_view record) {
    return record.substr(record.find('\n') + 1, record.size() - record.find('\n') - 2);
}

class TidFolderRun : public FormatRun {
  public:
    SplitOutcome split(std::size_t, std::string_view doc, TiddlerList& list) override {
        return cut(doc, list);
    }
    static SplitOutcome cut(std::string_view doc, TiddlerList& list) {
        const std::optional<std::vector<FolderFile>> files = readFolderImage(doc);
        if (!files) {
            return {PageProblem::StoreDamaged, "The folder's files do not read."};
        }
        list.format = "tid-folder";
        for (const FolderFile& f : *files) {
            list.colDivs.push_back(f.record);
            list.colTitles.push_back(titleOf(f.record));
            list.colModifiers.push_back({}), list.colModified.push_back({}), list.colCreated.push_back({});
        }
        return {};
    }
    void begin(const VisitingList&) override { m_records.clear(); }
    void append(std::string_view entry) override { m_records.push_back(std::string(entry)); }
    void appendEdited(std::string entry) override { m_records.push_back(std::move(entry)); }
    // An image lists its files in the order of their names.
    bool finish() override {
        const auto name = [](std::string_view r) {
            return r.substr(r.find(' ') + 1, r.find('\n') - r.find(' '));
        };
        std::sort(m_records.begin(), m_records.end(),
                  [&](const std::string& a, const std::string& b) { return name(a) < name(b); });
        m_document = PieceText();
        m_document.append(headless ? "" : kFolderImageStart);
        for (std::string& record : m_records) {
            m_document.appendOwned(std::move(record));
        }
        return true;
    }
    std::string boxText(const Visit&, std::string_view entry) const override { return std::string(entry); }
    std::optional<std::string> fromBox(const std::string& box, std::string_view stored) override {
        return box == stored ? std::nullopt : std::optional(box);
    }
    ConflictPair buildPair(const Visit& v, std::string_view kept, std::string_view copied) override {
        const std::string title = std::string(v.title) + " (copy)";
        return {title, std::string(kept), folderRecord(title + ".tid", bytesOf(copied))};
    }

    static inline bool headless = false;  // a format's fault: the merged document lacks the image's start

  private:
    std::vector<std::string> m_records;
};

class TidFolderFormat : public WikiFormat {
    std::string_view name() const override { return "tid-folder"; }
    std::string_view displayName() const override { return "Tiddler folder"; }
    bool claims(std::string_view doc) const override { return looksLikeFolderImage(doc); }
    SplitOutcome list(std::string_view doc, TiddlerList& list) const override {
        return TidFolderRun::cut(doc, list);
    }
    void compare(Visit& v) const override {
        v.localIsRemote = v.local == v.remote, v.localIsUnedited = v.local == v.unedited;
        v.remoteIsUnedited = v.remote == v.unedited;
    }
    std::unique_ptr<FormatRun> startRun(const FormatContext&) const override {
        return std::make_unique<TidFolderRun>();
    }
    bool readsFolders() const override { return true; }
};

// Every file of a wiki folder and its bytes; {"?": reason} when it is no wiki folder.
Files filesOf(const std::string& folder) {
    MachineFileSystem machine;
    FoldersAsFiles wikis(machine, false);
    const ReadOutcome read = wikis.readWhole(folder);
    Files files;
    if (read.status != ReadStatus::Ok) {
        return {{"?", read.reason}};
    }
    const std::optional<std::vector<FolderFile>> image = readFolderImage(read.text);
    if (!image) {
        return {{"?", "a file"}};
    }
    for (const FolderFile& f : *image) {
        files[std::string(f.name)] = f.bytes;
    }
    return files;
}

std::vector<std::string> namesIn(const test::TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.dir())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class FolderWiki : public ::testing::Test {
  protected:
    void SetUp() override {
        static const TidFolderFormat format;
        registerFormat(format);
        writeAll();
    }
    void writeAll() {
        std::filesystem::remove_all(keptDir.path("backups"));
        for (const std::string& name : namesIn(dir)) {
            std::filesystem::remove_all(dir.path(name));
        }
        for (const auto& [path, files] : originals) {
            std::filesystem::create_directory(path);
            for (const auto& [name, bytes] : files) {
                std::ofstream(path + "/" + name, std::ios::binary) << bytes;
            }
        }
    }
    // Loads and merges, the tiddler both sides changed kept in both versions.
    void prepare(FileSystem& fs, const std::string& third) {
        host = {};
        host.answerDialog = [](const ConflictRequest& q) {
            return ConflictAnswer{q.title == "K" ? DialogButton::Backup : *q.boldButton, q.texts};
        };
        run = std::make_unique<MergeRun>(host, fs, MergePaths{local, remote, third});
        run->settings().backupFolder = backups;
        run->settings().outputPath = outputFolder;
        ASSERT_TRUE(run->load());
        ASSERT_TRUE(run->merge());
    }

    test::TempDir dir, keptDir;
    const std::string local = dir.path("l"), remote = dir.path("r"), unedited = dir.path("u");
    const std::string backups = keptDir.path("backups");
    std::string outputFolder;  // the one output folder of the run, when not empty
    std::map<std::string, Files> originals = {
        {local, {{"A.tid", "1"}, {"B.tid", "2"}, {"K.tid", "mine"}}},
        {remote, {{"A.tid", "1"}, {"B.tid", "3"}, {"K.tid", "yours"}, {"C.tid", "new\nlines\n"}}},
        {unedited, {{"A.tid", "1"}, {"B.tid", "2"}, {"K.tid", "old"}}}};
    const Files merged = {{"A.tid", "1"},
                          {"B.tid", "3"},
                          {"K.tid", "mine"},
                          {"K (copy).tid", "yours"},
                          {"C.tid", "new\nlines\n"}};
    test::ScriptedHost host;
    std::unique_ptr<MergeRun> run;
};

TEST_F(FolderWiki, IsMergedAndSavedAsFoldersAndUndone) {
    MachineFileSystem fs;
    prepare(fs, unedited);
    ASSERT_EQ(run->save(), RunResult::Saved);
    for (const std::string& path : {local, remote, unedited}) {
        EXPECT_EQ(filesOf(path), merged) << path;
    }
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"l", "r", "u"}));
    // The undo puts every folder back as it was.
    MachineFileSystem machine;
    const auto [undone, text] = Backups(machine, backups).undo(absolutePath(local));
    EXPECT_TRUE(undone) << text;
    for (const auto& [path, files] : originals) {
        EXPECT_EQ(filesOf(path), files) << path;
    }
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"l", "r", "u"}));
    // One output folder takes the merged files, kept for an undo; the three wikis stay as they are.
    const std::string output = dir.path("o");
    std::filesystem::copy(local, output);
    outputFolder = output;
    prepare(fs, unedited);
    ASSERT_EQ(run->save(), RunResult::Saved);
    EXPECT_EQ(filesOf(output), merged);
    for (const auto& [path, files] : originals) {
        EXPECT_EQ(filesOf(path), files) << path;
    }
    EXPECT_TRUE(Backups(machine, backups).undo(absolutePath(output)).first);
    EXPECT_EQ(filesOf(output), originals[local]);
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"l", "o", "r", "u"}));
    outputFolder.clear();
    std::filesystem::remove_all(output);
    // Without an unedited copy the merged wiki goes to a new .LastMerge folder too.
    prepare(fs, "");
    ASSERT_EQ(run->save(), RunResult::Saved);
    EXPECT_EQ(filesOf(local + ".LastMerge"), filesOf(local));
    EXPECT_EQ(filesOf(remote), filesOf(local));
}

TEST_F(FolderWiki, WhatCannotBeAFolderWikiIsRefusedByName) {
    MachineFileSystem fs;
    const std::string file = dir.write("f", "<html></html>");
    MergeRun mixed(host, fs, {local, file, ""});
    EXPECT_FALSE(mixed.load());
    EXPECT_EQ(host.messages.back().text,
              msg::folderBesideFile(msg::kLocalRole, local, msg::kRemoteRole, file));
    std::filesystem::create_directory(remote + "/sub");
    MergeRun inner(host, fs, {local, remote, ""});
    EXPECT_FALSE(inner.load());
    EXPECT_EQ(host.messages.back().text, msg::cannotRead(remote, "\"sub\" in it is not a plain file"));
    std::filesystem::remove(remote + "/sub");
    // A merged document that does not give a whole folder is written nowhere.
    TidFolderRun::headless = true;
    prepare(fs, unedited);
    TidFolderRun::headless = false;
    EXPECT_EQ(run->save(), RunResult::SaveFailed);
    EXPECT_EQ(host.messages.back().text, msg::kNotAWholeFolder);
    for (const auto& [path, files] : originals) {
        EXPECT_EQ(filesOf(path), files) << path;
    }
    // A folder that took the place of a folder's file is no wiki folder, and the save leaves it.
    prepare(fs, unedited);
    std::filesystem::remove(remote + "/C.tid");
    std::filesystem::create_directory(remote + "/C.tid");
    EXPECT_EQ(run->save(), RunResult::SaveFailed);
    EXPECT_EQ(filesOf(local), originals[local]);
    EXPECT_TRUE(std::filesystem::is_directory(remote + "/C.tid"));
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"f", "l", "r", "u"}));
}

// A file added to, changed in or removed from a folder after the run read it stops the save, and
// every folder stays as it is then.
TEST_F(FolderWiki, AFolderChangedMeanwhileStopsTheSave) {
    MachineFileSystem fs;
    for (const auto& [path, change] :
         {std::pair{remote, "Z.tid"}, {local, "A.tid"}, {unedited, "B.tid"}, {remote, "-C.tid"}}) {
        writeAll();
        prepare(fs, unedited);
        const std::string name = change;
        if (name.starts_with("-")) {
            std::filesystem::remove(path + "/" + name.substr(1));
        } else {
            std::ofstream(path + "/" + name, std::ios::app) << "!";
        }
        std::map<std::string, Files> before;
        for (const auto& [p, files] : originals) {
            before[p] = filesOf(p);
        }
        EXPECT_EQ(run->save(), RunResult::SaveFailed) << path << name;
        const std::string_view expected = path == remote  ? msg::kRemoteChanged
                                          : path == local ? msg::kLocalChanged
                                                          : msg::kOriginalChanged;
        EXPECT_EQ(host.messages.back().text, expected);
        for (const auto& [p, files] : before) {
            EXPECT_EQ(filesOf(p), files) << p;
        }
        EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"l", "r", "u"}));
    }
}

// Each step of a save fails alone, or is the last before a kill: afterwards every folder holds its own
// files or the merged ones, or the message names where its own files are; after a kill the next run
// puts the save in order, leaving every folder with its own files or every folder merged.
TEST_F(FolderWiki, AFaultOrAKillAtAnyStepLosesNothing) {
    struct Killed {};
    test::InjectingFileSystem fs;
    prepare(fs, unedited);
    fs.ops.clear();
    ASSERT_EQ(run->save(), RunResult::Saved);
    const std::vector<std::string> steps = fs.ops;
    ASSERT_GT(steps.size(), 30u);
    std::size_t noted = 0, finished = 0;  // kills that left a note; kills after which the save was done
    for (std::size_t k = 0; k < 2 * steps.size(); ++k) {
        const bool kill = k >= steps.size();
        const std::string& at = steps[k % steps.size()];
        if (kill && (at.starts_with("remove:") || at.starts_with("inspect:")) && at.ends_with(".lock")) {
            continue;  // the lock goes in a destructor, after the save
        }
        SCOPED_TRACE((kill ? "killed at " : "failing ") + at);
        fs.failWhen = nullptr;
        writeAll();
        prepare(fs, unedited);
        std::size_t count = 0;
        fs.failWhen = [&](const std::string&) {
            if (count++ != k % steps.size())
                return false;
            if (kill)
                throw Killed{};
            return true;
        };
        RunResult result = RunResult::Stopped;
        try {
            result = run->save();
        } catch (const Killed&) {
        }
        fs.failWhen = nullptr;
        if (!kill) {
            const std::string shown = host.messages.back().text;
            for (const auto& [path, files] : originals) {
                bool kept = filesOf(path) == files || filesOf(path) == merged;
                for (const std::string& name : namesIn(dir)) {
                    kept |=
                        filesOf(dir.path(name)) == files && shown.find(dir.path(name)) != std::string::npos;
                }
                EXPECT_TRUE(kept) << path << "; message: " << shown;
            }
            // Whatever stays beside the folders is named.
            for (const std::string& name : namesIn(dir)) {
                EXPECT_TRUE(name == "l" || name == "r" || name == "u" ||
                            shown.find(dir.path(name)) != std::string::npos)
                    << name << "; message: " << shown;
            }
            EXPECT_TRUE(result != RunResult::Saved || filesOf(local) == merged) << shown;
            continue;
        }
        test::ScriptedHost next;
        MachineFileSystem machine;
        noted += std::filesystem::exists(local + ".korvane-save") ? 1 : 0;
        MergeRun(next, machine, {local, remote, unedited}).load();
        EXPECT_FALSE(std::filesystem::exists(local + ".korvane-save"));
        const bool done = filesOf(local) == merged;
        finished += done ? 1 : 0;
        for (const auto& [path, files] : originals) {
            EXPECT_EQ(filesOf(path), done ? merged : files) << path;
        }
        // A kill while an old folder was being removed leaves the rest under a name of its own.
        for (const std::string& name : namesIn(dir)) {
            EXPECT_TRUE(name == "l" || name == "r" || name == "u" || name.find(".korvane-removed-") != npos)
                << name;
        }
    }
    EXPECT_GT(noted, 20u);
    EXPECT_GT(finished, 10u);
    EXPECT_LT(finished, noted);
}

}  // namespace
}  // namespace korvane
