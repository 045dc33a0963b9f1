// A format's reading and writing part of one merge run: the documents split into entries, and the
// merged document assembled around the merged store. What keeps a document from taking part is a value
// that the format words itself; the run adds only the file's role and path.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "document/StoreArea.h"
#include "merge/model/PieceText.h"
#include "merge/model/Visit.h"

namespace korvane {

// What keeps a document from taking part in a merge; None when it is a whole wiki page. The kinds are
// those a caller acts on differently (a listing still lists a store cut short); what exactly is wrong
// is the format's to say.
enum class PageProblem {
    None,
    NoStore,        // no store of the format
    StoreCutShort,  // the store never closes
    StoreDamaged,   // the store does not read under the format's rules
    NotWhole,       // the page lacks a part that the format needs around its store
};

struct SplitOutcome {
    PageProblem problem = PageProblem::None;
    std::string text;  // the problem as a message says it ("Error: …"); empty for None
};

class WikiPages {
  public:
    virtual ~WikiPages() = default;

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

  protected:
    PieceText m_document;
    std::size_t m_storeBegin = 0;
    std::size_t m_storeEnd = 0;
};

}  // namespace korvane
