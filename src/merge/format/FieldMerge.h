// The merge of two versions of one tiddler against its unedited version, field by field: one-sided
// changes taken, title lists (`tags`, `list`) merged as ordered sets, `modified` and `modifier` from the
// later stamp, and the text merged line by line, then word by word.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/Tw5Json.h"

namespace korvane {

struct MergeWay;

// TiddlyWiki's title lists: `$tw.utils.parseStringArray` (titles with spaces in `[[…]]`, a repeated
// title once) and `$tw.utils.stringifyList`. Only ASCII spaces part titles here; see mergeTitleLists.
std::vector<std::string> parseTitleList(std::string_view value);
std::string stringifyTitleList(const std::vector<std::string>& titles);

// Both sides' additions and removals of titles applied, each title once: the order of the side that
// reordered the titles it kept (the local order when neither did), each title only the other side
// added right after its nearest predecessor there that stays. None when both sides reordered the same
// titles differently, when both added a title at different places, or when a value holds a space other
// than ASCII, which TiddlyWiki would part titles at too.
std::optional<std::string> mergeTitleLists(std::string_view base, std::string_view local,
                                           std::string_view remote);

// Whether a tiddler may be merged inside at all: never a plugin, a JavaScript module, a binary tiddler
// (`image/…`, `audio/…`, `video/…`, `font/…`, `application/…` other than JSON) or `$:/core`.
bool mergesInside(const Fields& fields);

// The merged tiddler: the local fields in their order with the merged values, then the fields only the
// remote side added. None when a field other than `modified` and `modifier` changed differently on both
// sides, when the text still conflicts, or when any version may not be merged inside. `tooLarge` is set
// when the text was too large to merge word by word (see mergeText); `way` gets how the merge came about.
std::optional<Fields> mergeFields(const Fields& base, const Fields& local, const Fields& remote,
                                  bool* tooLarge = nullptr, MergeWay* way = nullptr);

}  // namespace korvane
