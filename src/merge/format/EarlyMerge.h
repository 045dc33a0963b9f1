// The merge inside an early-format tiddler: its attributes are its fields and its body its text, merged
// by the rules of FieldMerge.h and written back in the entry's own form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

struct MergeWay;

// Merges two entries (the bytes between `<div` and `</div>`) against the unedited one. A body without
// real line breaks is merged with its `\n` escapes read as lines and written back as escapes; a `<pre>`
// body is merged as it stands. None when the entries cannot be read exactly (attributes other than
// ` name="value"`), when their bodies are of different forms, for a tiddler tagged `systemConfig` (a
// plugin of the early format), or when the merge leaves a conflict (`tooLarge` set when the body was
// too large to merge word by word; `way` gets how the merge came about).
std::optional<std::string> mergeEarlyEntries(std::string_view base, std::string_view local,
                                             std::string_view remote, bool* tooLarge = nullptr,
                                             MergeWay* way = nullptr);

}  // namespace korvane
