// One merge run: from the three paths of the main window to the three rewritten files.
#pragma once

#include <string>

#include "document/StoreArea.h"
#include "merge/MergeHost.h"
#include "platform/FileSystem.h"

namespace korvane {

struct MergePaths {
    std::string local;
    std::string remote;
    std::string unedited;  // blank (spaces only) when there is no unedited copy
};

// The run's documents, read once at the start and never changed; the lists are views into the texts.
struct RunDocuments {
    RunDocuments() = default;
    RunDocuments(const RunDocuments&) = delete;  // a copy's lists would still point into these texts
    RunDocuments& operator=(const RunDocuments&) = delete;

    std::string localText;
    std::string remoteText;
    std::string uneditedText;
    TiddlerList local;
    TiddlerList remote;
    TiddlerList unedited;
    StoreArea localArea;  // where the merged store area goes in the rebuilt document
};

// True when `path` holds more than spaces.
bool isPathGiven(const std::string& path);

// How a whole run ended.
enum class RunResult {
    Stopped,       // a check stopped the run; its message was shown; nothing written
    ProgramEnded,  // the program must end at once (internal error, or a dialog closed without a choice)
    NotSaved,      // the user answered No to "Save Files?"; nothing written
    Saved,         // the merged document is in all three files
    SaveFailed,    // the save failed; its message said where every content is
};

class MergeRun {
public:
    MergeRun(MergeHost& host, FileSystem& fs, MergePaths paths);
    MergeRun(const MergeRun&) = delete;
    MergeRun& operator=(const MergeRun&) = delete;

    // Checks the paths, makes the .LastMerge offer, reads and splits the three documents. False when a
    // check stopped the run; its message has been shown and nothing was written.
    bool load();

    // The whole run: load, merge every tiddler, rebuild, ask, guarded save.
    RunResult run();

    bool hasUneditedCopy() const { return isPathGiven(m_paths.unedited); }
    const MergePaths& paths() const { return m_paths; }
    const RunDocuments& documents() const { return m_docs; }

private:
    void message(std::string_view text, MessageIcon icon, std::string_view title);
    void stop(std::string_view text);  // exclamation, application title
    // Reads one document; false after an unreadable file was reported.
    bool readDocument(const std::string& path, std::string& text);
    // Splits one document, reporting a missing store area.
    StoreArea split(const std::string& text, TiddlerList& list);

    MergeHost& m_host;
    FileSystem& m_fs;
    MergePaths m_paths;
    RunDocuments m_docs;
};

}  // namespace korvane
