// The three-way merge of one text (a tiddler's text, one of its fields): git's own line merge, through
// libgit2, and where lines conflict, the same merge again over the conflicting region's words.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// The text merged from two versions of `base`, as `git merge-file` merges it; where a region conflicts
// line by line, the region merged again word by word (one word with the spaces after it per line).
// None while any region still conflicts: the caller keeps the versions apart, never a conflict marker.
std::optional<std::string> mergeText(std::string_view base, std::string_view local, std::string_view remote);

// The same merge of the three texts taken as lines; none when a region conflicts.
std::optional<std::string> mergeLines(std::string_view base, std::string_view local, std::string_view remote);

}  // namespace korvane
