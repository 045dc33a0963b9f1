// The JSON of a TiddlyWiki 5 store block, read with exactly the strictness that keeps the wiki loadable
// (JSON grammar, every value a string, every tiddler with a title) and written exactly as TiddlyWiki
// writes it, so that its next save changes nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// One field of a tiddler, decoded.
struct Field {
    std::string name;
    std::string value;
    bool operator==(const Field&) const = default;
};
// The fields of one tiddler, in the order in which they are stored.
using Fields = std::vector<Field>;

// The value of a field; null when the tiddler has no such field.
const std::string* fieldValue(const Fields& fields, std::string_view name);
// Sets a field, in place when it exists, else at the end.
void setField(Fields& fields, std::string_view name, std::string value);

// What the strict reader calls for every field of every object, with the raw text between the quotes.
struct JsonFieldSink {
    virtual ~JsonFieldSink() = default;
    virtual void objectBegins(std::size_t at) = 0;
    virtual void field(std::string_view rawName, std::string_view rawValue) = 0;
    virtual void objectEnds(std::size_t end) = 0;  // one past the closing brace
};

// What is wrong with a text that does not read (and at which byte); nothing when it reads.
using ReadProblem = std::optional<std::string>;

// Reads the text of a store block: one array of objects. `sink` sees the fields of each object in
// order.
ReadProblem readJsonStore(std::string_view text, JsonFieldSink& sink);

// Reads one JSON object whose values are all strings (a store entry or an edited box) into `fields`:
// JavaScript's order (array-index names first), a repeated name keeping its first place and its last
// value.
ReadProblem readJsonObject(std::string_view text, Fields& fields);

// The value of a JSON string given the raw text between its quotes (escapes already known to be valid).
std::string decodeJsonString(std::string_view raw);
// True when the raw text of a JSON string needs decoding (holds a backslash).
inline bool hasEscapes(std::string_view raw) {
    return raw.find('\\') != std::string_view::npos;
}

// JSON.stringify of a string, quotes included; with `escapeLessThan` every `<` is written `\u003C`,
// as in a store block.
void appendJsonString(std::string& out, std::string_view value, bool escapeLessThan);

// The fields in the order in which JavaScript keeps an object's properties (array-index names first,
// in numeric order; then the others as given).
Fields inObjectOrder(Fields fields);

// One line of a store block: JSON.stringify of the fields, with `<` written `\u003C`.
std::string toStoreJson(const Fields& fields);

// The members of the top-level object named `member` of a JSON text (a plugin's "tiddlers"); -1 when
// the text is no such JSON.
long countMembers(std::string_view json, std::string_view member);

}  // namespace korvane
