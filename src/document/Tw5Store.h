// TiddlyWiki 5 documents: which kind of wiki a document is, where its tiddlers are stored (a div store,
// one or more JSON store blocks), and each stored entry read and written as TiddlyWiki does it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document/StoreArea.h"
#include "document/Tw5Json.h"

namespace korvane {

enum class DocumentKind {
    Early,      // a store area of the early format (or none at all: reported as today)
    Tw5,        // a TiddlyWiki 5 div store and/or JSON store blocks
    Encrypted,  // a TiddlyWiki 5 wiki saved with a password: no readable store
};

inline constexpr std::string_view kTw5DivStoreTag = "<div id=\"storeArea\" style=\"display:none;\">";
inline constexpr std::string_view kTw5JsonStoreTag =
    "<script class=\"tiddlywiki-tiddler-store\" type=\"application/json\">";
inline constexpr std::string_view kEncryptedStoreTag = "<pre id=\"encryptedStoreArea\"";

DocumentKind detectKind(std::string_view document);

// The name that splitTw5 gives its lists.
inline constexpr std::string_view kTw5FormatName = "tw5";

// Where the stores of a TiddlyWiki 5 document stand (byte positions into the document).
struct Tw5Layout {
    struct Range {
        std::size_t begin = 0;
        std::size_t end = 0;
    };
    bool hasDivStore = false;
    Range divContent;                // between the div store's opening tag and its closing tag
    Range divElements;               // from the first element to the end of the last (empty: none)
    std::vector<Range> blocks;       // every JSON block, `<script` to after `</script>`
    std::vector<Range> blockArrays;  // the text of each block between its tags
    // The store is written as JSON when the document has a JSON block.
    bool writesJson() const { return !blocks.empty(); }
};

// Splits a TiddlyWiki 5 document into `list`: the div store's tiddlers, then each JSON block's, a later
// copy of a title taking the place of the first. Titles and stamps are decoded; each entry is its
// bytes as stored (a whole `<div …>…</div>` element, or one JSON object). The problem, if any, is what
// is wrong with the store (a JSON block that is not strictly valid, a div store that never ends).
ReadProblem splitTw5(std::string_view document, TiddlerList& list, Tw5Layout& layout);

// Whether a TiddlyWiki 5 document is a whole page around its store, as the split found it.
enum class Tw5Page {
    Whole,
    NoBoot,  // the empty div store after the JSON blocks, or the boot section after the store, is missing
    NoCore,  // the store holds no `$:/core` and the page loads no core of its own from a script file
};
// What a browser needs besides the store: TiddlyWiki writes the empty div store after its JSON blocks
// and the boot kernel after the store, or, in a page that loads its core from a file, that script;
// without such a core, `$:/core` must be a stored tiddler. The `</html>` at the end is checked apart.
Tw5Page tw5Page(std::string_view document, const Tw5Layout& layout, const TiddlerList& list);

// The fields of an entry as stored (a JSON object or a div element); false when it does not read. A div
// element's fields come in the order in which TiddlyWiki keeps a tiddler it read from one in a browser
// (the text, then the attributes from last to first), which is the order its next save writes.
bool decodeEntry(std::string_view entry, Fields& fields);

// Whether two entries are the same tiddler: same field names with the same decoded values, whatever
// the order and the store form.
bool sameTiddler(std::string_view a, std::string_view b);

// The same comparison for one title's three versions, each decoded once at most.
class TiddlerComparison {
  public:
    bool same(std::string_view a, std::string_view b);

  private:
    const Fields& sorted(std::string_view entry);
    struct Decoded {
        const char* data = nullptr;
        Fields fields;
        bool ok = false;
    };
    Decoded m_decoded[3];
    std::size_t m_used = 0;
};

// A tiddler as a div store element, encoded as TiddlyWiki encodes it (fields sorted, text last).
std::string toDivElement(const Fields& fields);
// Whether a field name reads back as it is from a div element's attribute, in a browser too (which
// turns attribute names into lower case).
bool isDivFieldName(std::string_view name);
// A tiddler as an entry of the given store form.
inline std::string toEntry(const Fields& fields, bool json) {
    return json ? toStoreJson(fields) : toDivElement(fields);
}
// Whether an entry is a JSON object (else a div element).
inline bool isJsonEntry(std::string_view entry) {
    return !entry.empty() && entry.front() == '{';
}

// The tiddler in TiddlyWiki's `.tid` text form (fields sorted by name, a blank line, the text), or as
// indented JSON when a value cannot be shown that way.
std::string toTidText(const Fields& fields);
// Reads a text in either form back; the problem, if any, says why it does not read.
ReadProblem fromTidText(std::string_view text, Fields& fields);

}  // namespace korvane
