#include "merge/format/Tw5Rules.h"

#include <algorithm>
#include <vector>

#include "merge/format/FormatMessages.h"

namespace korvane {

bool isSessionState(std::string_view title) {
    for (std::string_view exact :
         {"$:/StoryList", "$:/HistoryList", "$:/isEncrypted", "$:/UploadName", "$:/Import"}) {
        if (title == exact) {
            return true;
        }
    }
    for (std::string_view prefix : {"$:/temp/", "$:/state/", "$:/status/"}) {
        if (title.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

namespace {

struct Version {
    long parts[3] = {-1, -1, -1};
    std::string_view pre;
    bool valid = false;
};

Version parseVersion(std::string_view text) {
    Version v;
    const std::size_t plus = text.find('+');
    text = text.substr(0, plus);
    const std::size_t dash = text.find('-');
    if (dash != std::string_view::npos) {
        v.pre = text.substr(dash + 1);
        text = text.substr(0, dash);
    }
    std::size_t p = 0;
    for (long& part : v.parts) {
        long n = 0;
        std::size_t q = p;
        while (q < text.size() && text[q] >= '0' && text[q] <= '9' && n < 100000000) {
            n = n * 10 + (text[q] - '0');
            ++q;
        }
        if (q == p) {
            return v;
        }
        part = n;
        if (q < text.size() && text[q] != '.') {
            return v;
        }
        p = q + 1;
    }
    v.valid = true;
    return v;
}

std::vector<std::string_view> listItems(std::string_view list) {
    std::vector<std::string_view> items;
    std::size_t p = 0;
    while (p < list.size()) {
        if (list[p] == ' ') {
            ++p;
        } else if (list.substr(p, 2) == "[[") {
            const std::size_t close = list.find("]]", p + 2);
            const std::size_t end = close == std::string_view::npos ? list.size() : close;
            items.push_back(list.substr(p + 2, end - p - 2));
            p = end + 2;
        } else {
            const std::size_t end = std::min(list.find(' ', p), list.size());
            items.push_back(list.substr(p, end - p));
            p = end;
        }
    }
    return items;
}

}  // namespace

int compareVersions(std::string_view a, std::string_view b) {
    const Version x = parseVersion(a);
    const Version y = parseVersion(b);
    if (x.valid != y.valid) {
        return x.valid ? 1 : -1;
    }
    for (int i = 0; i < 3; ++i) {
        if (x.parts[i] != y.parts[i]) {
            return x.parts[i] < y.parts[i] ? -1 : 1;
        }
    }
    if (x.pre.empty() != y.pre.empty()) {
        return x.pre.empty() ? 1 : -1;  // a release is above its pre-releases
    }
    return x.pre < y.pre ? -1 : x.pre > y.pre ? 1 : 0;
}

namespace {
// The fields that make a tiddler do something in the wiki besides being shown: a plugin's, a module's,
// a draft's, and the tags (a `$:/tags/…` tag puts it into a stylesheet, the page, the global macros).
constexpr std::string_view kActiveFields[] = {"tags", "module-type", "plugin-type", "draft.of"};
}  // namespace

bool isActiveTiddler(const Fields& fields) {
    for (std::string_view name : {"plugin-type", "module-type", "draft.of"}) {
        if (fieldValue(fields, name) != nullptr) {
            return true;
        }
    }
    if (const std::string* tags = fieldValue(fields, "tags")) {
        for (std::string_view tag : listItems(*tags)) {
            if (tag.starts_with("$:/tags/")) {
                return true;
            }
        }
    }
    return false;
}

std::vector<std::string> makeInert(Fields& fields) {
    std::vector<std::string> renamed;
    for (std::string_view name : kActiveFields) {
        const std::string inert = "conflict." + std::string(name);
        const auto active =
            std::find_if(fields.begin(), fields.end(), [name](const Field& f) { return f.name == name; });
        if (active == fields.end()) {
            continue;
        }
        // A field of the new name already there (a copy of a copy) gives way, so that names stay unique.
        const std::size_t at = static_cast<std::size_t>(active - fields.begin());
        fields[at].name = inert;
        renamed.emplace_back(name);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i != at && fields[i].name == inert) {
                fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
    return renamed;
}

std::string pluginSummary(const Fields& fields, std::size_t entryBytes) {
    const auto value = [&fields](std::string_view name) {
        const std::string* v = fieldValue(fields, name);
        return v ? *v : std::string();
    };
    const std::string* text = fieldValue(fields, "text");
    const long shadows = text ? countMembers(*text, "tiddlers") : -1;
    std::string out = "title: " + value("title") + "\nplugin-type: " + value("plugin-type") +
                      "\nversion: " + value("version") + "\nsize: " + std::to_string(entryBytes) + " bytes\n";
    out += "shadow tiddlers: " + (shadows < 0 ? std::string("unknown") : std::to_string(shadows)) + "\n";
    out += "\n";
    out += msg::kPluginSummaryNote;
    return out;
}

std::string conflictLink(std::string_view conflictTitle) {
    const bool plain = conflictTitle.find('|') == std::string_view::npos &&
                       conflictTitle.find("]]") == std::string_view::npos &&
                       conflictTitle.find_first_of("\r\n") == std::string_view::npos;
    if (plain) {
        return "[[" + std::string(conflictTitle) + "]]";
    }
    for (std::string_view quote : {"\"", "'", "\"\"\""}) {
        if (conflictTitle.find(quote) == std::string_view::npos) {
            return "<$link to=" + std::string(quote) + std::string(conflictTitle) + std::string(quote) + "/>";
        }
    }
    return "<$link to=[[" + std::string(conflictTitle) + "]]/>";
}

bool isWikitext(const Fields& fields) {
    const std::string* type = fieldValue(fields, "type");
    return type == nullptr || type->empty() || *type == "text/vnd.tiddlywiki";
}

}  // namespace korvane
