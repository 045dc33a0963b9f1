// One file format of wiki documents, behind one interface: how a document of the format is told from
// others, split into entries, checked for being a whole page, compared entry by entry, shown in the
// conflict dialog, taken back from it, copied under a conflict title, and assembled around the merged
// store. The run, the visiting order, the cases and the saves never ask which format they have; they
// ask the run's format. The formats stand in one table, looked up by the name a split gives its lists
// (git's table of low-level merge drivers has the same shape).
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/StoreArea.h"
#include "merge/MergeHost.h"
#include "merge/format/ConflictPair.h"
#include "merge/model/ConflictQuestion.h"
#include "merge/model/PieceText.h"
#include "merge/model/Plan.h"
#include "merge/model/Visit.h"

namespace korvane {

// What keeps a document from taking part in a merge; None when it is a whole wiki page.
enum class PageProblem {
    None,
    NoStore,        // no store of the format
    StoreCutShort,  // the store never closes
    StoreDamaged,   // the store does not read under the format's rules (the detail says where)
    EndCutShort,    // the page does not end with </html>
    NoBoot,         // what the format keeps after its store is missing
    NoCore,         // the store lacks the core that the page needs
};

struct SplitOutcome {
    PageProblem problem = PageProblem::None;
    std::string detail;  // for StoreDamaged: what is wrong
};

// The part of one merge run that depends on the format: the split documents' layouts, and the merged
// document as it is built. Made by WikiFormat::startRun for each run.
class FormatRun {
  public:
    virtual ~FormatRun() = default;

    // Runs before the splits, one role after the other, with the paths of the roles read: what the
    // format must ask before it can read a document (a password). False when the run stops; the format
    // has said why, or the user cancelled.
    virtual bool prepare(const std::vector<std::string>& /*paths*/) { return true; }
    // Splits the document of one role (0 local, 1 remote, 2 unedited) into `list`. The roles may be
    // split at the same time on threads of their own: each touches only its own role's state.
    virtual SplitOutcome split(std::size_t role, std::string_view document, TiddlerList& list) = 0;

    // Starts the merged document anew (once the documents are split, and again for each assembly);
    // `titles` lives until finish().
    virtual void begin(const VisitingList& titles) = 0;
    // Adds a stored entry (a view into a document of the run), or one the run made.
    virtual void append(std::string_view entry) = 0;
    virtual void appendEdited(std::string entry) = 0;
    // A tiddler that passed without a question; the format may tell the user something about it.
    virtual void passedSilently(const Visit& /*v*/) {}
    // Closes the merged document; false after its check failed and the reason was shown.
    virtual bool finish() = 0;
    const PieceText& document() const { return m_document; }
    // The merged store as the document holds it (an encrypted store: the tiddlers, decrypted).
    virtual std::string mergedStore() const {
        // Only the store's bytes: a copy of the whole document would leave an encrypted wiki's tiddlers,
        // decrypted, in memory given back.
        std::string store;
        store.reserve(m_storeEnd - m_storeBegin);
        std::size_t at = 0;
        for (const std::string_view piece : m_document.pieces()) {
            const std::size_t from = std::max(at, m_storeBegin), to = std::min(at + piece.size(), m_storeEnd);
            if (from < to) {
                store.append(piece.substr(from - at, to - from));
            }
            at += piece.size();
        }
        return store;
    }

    // What a dialog box shows for a stored entry.
    virtual std::string boxText(const Visit& v, std::string_view entry) const = 0;
    // A box's text against the entry it was shown from: none when it stands for that entry (or cannot
    // be taken back), an empty text for a box left blank, else the edited entry.
    virtual std::optional<std::string> fromBox(const std::string& boxText, std::string_view stored) = 0;
    // The kept entry with its note and the copied entry under a conflict title.
    virtual ConflictPair buildPair(const Visit& v, std::string_view kept, std::string_view copied) = 0;
    // The tiddler merged from its local and remote versions against the unedited one (a visit of case G
    // where neither side kept the unedited version), as an entry of the merged store; none when the
    // versions cannot be merged inside the tiddler and stay a conflict; `way` gets how the merge came about.
    virtual std::optional<std::string> mergeVersions(const Visit& /*v*/, MergeWay& /*way*/) {
        return std::nullopt;
    }
    // Fills what a person's question needs besides the texts: how differences are marked, and the check
    // of an edited text.
    virtual void describeBoxes(const Visit& /*v*/, const ConflictPair& /*pair*/,
                               ConflictQuestion& /*r*/) const {}

  protected:
    PieceText m_document;
    std::size_t m_storeBegin = 0;
    std::size_t m_storeEnd = 0;
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
// Adds a format to the table, before the others (a test's own format).
void registerFormat(const WikiFormat& format);

}  // namespace korvane
