// The three files of a merge as the run reads them: their paths, their documents, what the output file
// held, and how a run ended. The saves and the run share these.
#pragma once

#include <string>

#include "document/StoreArea.h"
#include "document/Text.h"
#include "platform/Memory.h"

namespace korvane {

struct MergePaths {
    std::string local;
    std::string remote;
    std::string unedited;  // blank (spaces only) when there is no unedited copy
};

// True when `path` holds more than spaces.
inline bool isPathGiven(const std::string& path) {
    return !onlySpaces(path);
}

// How a wiki is kept on the disk: one file, or a folder of files that the run reads, checks and saves as
// one text (see FolderImage.h).
enum class WikiForm { File, Folder };

// The run's documents, read once at the start and never changed; the lists are views into the texts.
struct RunDocuments {
    RunDocuments() = default;
    RunDocuments(const RunDocuments&) = delete;  // a copy's lists would still point into these texts
    RunDocuments& operator=(const RunDocuments&) = delete;

    DocumentText localText;
    DocumentText remoteText;
    DocumentText uneditedText;
    TiddlerList local;
    TiddlerList remote;
    TiddlerList unedited;
    WikiForm form = WikiForm::File;
};

// What the output file held when the run started: the local document, a text read for it, or nothing.
struct OutputAtStart {
    enum class Held { Missing, Local, Read } held = Held::Missing;
    DocumentText text;
};

// How a whole run ended.
enum class RunResult {
    Stopped,       // a check stopped the run; its message was shown; nothing written
    ProgramEnded,  // the program must end at once (internal error, or a dialog closed without a choice)
    NotSaved,      // the user answered No to "Save Files?"; nothing written
    Saved,         // the merged document is in all three files
    SaveFailed,    // the save failed; its message said where every content is
};

}  // namespace korvane
