// One file format of wiki documents: how a document of the format is told from others, listed, and
// compared entry by entry; and, for each run, the format's part of the run (reading and writing the
// wiki, merging a tiddler's versions, presenting a tiddler). The run, the visiting order, the cases and
// the saves never ask which format they have; they ask the run's format. The formats stand in one table,
// looked up by the name a split gives its lists (git's table of low-level merge drivers has the same shape).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "merge/MergeHost.h"
#include "merge/format/TiddlerMerger.h"
#include "merge/format/TiddlerPresenter.h"
#include "merge/format/WikiPages.h"
#include "merge/model/Visit.h"

namespace korvane {

// The format's part of one merge run, in three parts over the state they share (the split documents'
// layouts, the merged store as it is built, the conflict titles given out): reading and writing the
// wiki, merging a tiddler's versions, presenting a tiddler. Each caller asks for the part it needs.
// Made by WikiFormat::startRun for each run.
class FormatRun : public WikiPages, public TiddlerMerger, public TiddlerPresenter {
  public:
    WikiPages& pages() { return *this; }
    TiddlerMerger& merger() { return *this; }
    TiddlerPresenter& presenter() { return *this; }
};

// The documents of one run, as they were read (local, remote, unedited; they outlive the run's
// format part), and whom the format's part of the run talks to.
struct FormatContext {
    std::string_view texts[3];
    std::string localPath;  // for messages
    MergeHost& host;
};

class WikiFormat : public VisitRules {
  public:
    virtual ~WikiFormat() = default;
    // The name a split gives the lists of this format's documents; the table's key.
    virtual std::string_view name() const = 0;
    // The format as messages name it: "TiddlyWiki Classic".
    virtual std::string_view displayName() const = 0;
    // Whether the document holds a store of this format at all.
    virtual bool claims(std::string_view document) const = 0;
    // Splits a document for a listing of its tiddlers: what it holds, and what is wrong with its store
    // (a listing does not ask for a whole page).
    virtual SplitOutcome list(std::string_view document, TiddlerList& list) const = 0;
    // Sets which versions of a visit are the same tiddler, and what the format knows about the title
    // (state that stays local, a plugin and its version, a tiddler that must not be copied).
    void compare(Visit& v) const override = 0;
    // Whether a run of this format takes a document that `other` claims (an encrypted wiki's run takes
    // plain TiddlyWiki 5 documents too).
    virtual bool reads(const WikiFormat& other) const { return &other == this; }
    // The format's part of a run.
    virtual std::unique_ptr<FormatRun> startRun(const FormatContext& context) const = 0;
    // Whether the format keeps a wiki as a folder of files, which a run reads as the folder's image
    // (see FolderImage.h) and saves as a folder.
    virtual bool readsFolders() const { return false; }
};

// The format of a document: the first in the table that claims it, else the early format, which also
// reports a document that has no store at all.
const WikiFormat& formatOf(std::string_view document);
// The first format in the table that claims the document; none when no format does.
const WikiFormat* claimingFormat(std::string_view document);
// The format of a run whose documents the `claiming` formats claim (none for a document that no
// format claims): the first of them in the table, so that one document of another format is reported
// as such rather than as a document without a store; the early format when none is claimed.
const WikiFormat& runFormatOf(const std::vector<const WikiFormat*>& claiming);
// The format that a split named its list after; the early format for an unnamed list.
const WikiFormat& formatNamed(std::string_view name);
// Whether any format claims the document, or it is an encrypted wiki.
bool isWikiDocument(std::string_view document);
// An encrypted wiki: no format can read it without its password.
bool isEncryptedWiki(std::string_view document);
// Whether a format in the table keeps wikis as folders: only then does a run take a folder for a wiki.
bool anyFormatReadsFolders();
// Adds a format to the table, before the others (a test's own format).
void registerFormat(const WikiFormat& format);

}  // namespace korvane
