// The rules of a TiddlyWiki 5 merge that look into a tiddler's fields: which titles are session state,
// which tiddlers are plugins and which must not be copied, how plugin versions compare, and the dialog's
// texts for an entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "document/Tw5Json.h"

namespace korvane {

// Titles that TiddlyWiki rewrites as it is used (the story, the history, temporary and state
// tiddlers): the local version stays, without a question.
bool isSessionState(std::string_view title);

inline constexpr std::string_view kCoreTitle = "$:/core";

// Compares two version texts as TiddlyWiki does (major.minor.patch, a pre-release below its release);
// a missing version is the lowest. Negative, zero or positive.
int compareVersions(std::string_view a, std::string_view b);

// A tiddler whose renamed copy would stay active in the wiki: a plugin, a JavaScript module, a draft,
// or a tiddler tagged with a `$:/tags/…` tag.
bool isActiveTiddler(const Fields& fields);

// Makes a conflict copy of such a tiddler inert: its fields `tags`, `module-type`, `plugin-type` and
// `draft.of` are renamed `conflict.NAME` (in their places), so that TiddlyWiki neither registers nor
// lists it, while every value stays readable and can be renamed back by hand. Gives the names renamed.
std::vector<std::string> makeInert(Fields& fields);

// What a dialog box shows for a plugin: title, version, size and the number of its shadow tiddlers.
std::string pluginSummary(const Fields& fields, std::size_t entryBytes);

// The link note of a conflict copy, with a `[[…]]` link, or a `<$link to=…/>` widget when the title
// cannot stand inside `[[…]]`.
std::string conflictLink(std::string_view conflictTitle);

// Whether a tiddler's text is wikitext (its type empty or `text/vnd.tiddlywiki`).
bool isWikitext(const Fields& fields);

}  // namespace korvane
