#include "app/DemoTrio.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "document/Tw5Json.h"

namespace korvane::demo {
namespace {

struct Tiddler {
    std::string title;
    std::string modifier;
    std::string modified;
    std::string text;  // line breaks written as the store area writes them: backslash n
};

std::string element(const Tiddler& t) {
    return "<div tiddler=\"" + t.title + "\" modifier=\"" + t.modifier + "\" modified=\"" + t.modified +
           "\" created=\"202601011200\" tags=\"demo\">" + t.text + "</div>";
}

std::string wiki(const std::string& owner, const std::vector<Tiddler>& tiddlers) {
    std::string doc = "<!DOCTYPE html>\n<html><head><meta charset=\"UTF-8\"><title>Korvane demo wiki (" +
                      owner +
                      ")</title></head>\n<body>\n<div id=\"saveTest\"></div>\n<div id=\"storeArea\">\n";
    for (const Tiddler& t : tiddlers) {
        doc += element(t) + "\n";
    }
    doc += "</div>\n</body></html>\n";
    return doc;
}

const Tiddler kWelcome{
    "Welcome", "Ann", "202601021000",
    "Welcome to our shared wiki!\\nAnn and Ben both edit a copy and merge them with Korvane."};
const Tiddler kGettingStarted{"Getting started", "Ann", "202601021010",
                              "1. Edit your copy.\\n2. Send it to a friend.\\n3. Merge."};
const Tiddler kGettingStartedBen{
    "Getting started", "Ben", "202601061100",
    "1. Edit your copy.\\n2. Send it to a friend.\\n3. Merge the three files.\\n4. "
    "Enjoy the result."};
const Tiddler kShopping{"Shopping list", "Ann", "202601021020", "Bread\\nMilk\\nApples"};
const Tiddler kShoppingAnn{"Shopping list", "Ann", "202601071830",
                           "Bread\\nMilk\\nApples\\nCaf\xC3\xA9 beans \xE2\x98\x95"};
const Tiddler kShoppingBen{"Shopping list", "Ben", "202601061200", "Bread\\nOat milk\\nApples\\nPears"};
const Tiddler kIdeas{"Ideas", "Ann", "202601021030", "A garden diary."};
const Tiddler kIdeasAnn{"Ideas", "Ann", "202601071900", "A garden diary.\\nA reading log."};
const Tiddler kOldNotes{"Old notes", "Ann", "202601021040", "Notes nobody needs any more."};
const Tiddler kRecipes{"Recipes", "Ben", "202601021050", "Pancakes: flour, eggs, milk."};
const Tiddler kTravel{"Travel", "Ann", "202601021100", "Trains to the coast leave at 9:15."};
const Tiddler kBooks{"Book list", "Ann", "202601072000", "The Hobbit\\nDune"};
const Tiddler kMeetingAnn{"Meeting notes", "Ann", "202601072100", "Monday: plan the garden."};
const Tiddler kMeetingBen{"Meeting notes", "Ben", "202601061300", "Monday: plan the trip."};
const Tiddler kContacts{"Contacts", "Ann", "202601051200", "Ann: ann@example.org\\nBen: ben@example.org"};
const Tiddler kPhotos{"Holiday photos", "Ben", "202601061400", "Beach, harbour and the old lighthouse."};

// A TiddlyWiki 5 tiddler: its fields in the order TiddlyWiki saves them, title first.
using Fields = std::vector<std::pair<std::string, std::string>>;

// One tiddler as TiddlyWiki writes it into a JSON store: JSON.stringify of its fields, with every '<'
// written as \u003C so that no "</script>" can end the block early.
std::string jsonTiddler(const Fields& fields) {
    std::string out = "{";
    for (const auto& [name, value] : fields) {
        out += out.size() > 1 ? "," : "";
        appendJsonString(out, name, true);
        out += ':';
        appendJsonString(out, value, true);
    }
    return out + "}";
}

std::string tw5Wiki(const std::string& owner, const std::vector<Fields>& tiddlers) {
    std::string doc =
        "<!doctype html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"generator\" content=\"TiddlyWiki\" />\n<title>Korvane demo wiki (" +
        owner +
        ")</title>\n</head>\n<body class=\"tc-body\">\n<!--~~ Ordinary tiddlers ~~-->\n"
        "<script class=\"tiddlywiki-tiddler-store\" type=\"application/json\">[\n";
    for (std::size_t i = 0; i < tiddlers.size(); ++i) {
        doc += (i > 0 ? ",\n" : "") + jsonTiddler(tiddlers[i]);
    }
    // The page loads TiddlyWiki's core from a file beside it, as TiddlyWiki's external-core pages do.
    return doc +
           "\n]</script><div id=\"storeArea\" style=\"display:none;\"></div>\n"
           "<script src=\"tiddlywikicore-5.4.1.js\"></script>\n</body>\n</html>\n";
}

Fields tw5(const std::string& title, const std::string& modifier, const std::string& modified,
           const std::string& text, const std::string& tags = "") {
    Fields fields{{"title", title},
                  {"text", text},
                  {"modifier", modifier},
                  {"modified", modified + "00000"},
                  {"created", "20260101120000000"}};
    if (!tags.empty()) {
        fields.emplace_back("tags", tags);
    }
    return fields;
}

Fields storyList(const std::string& list) {
    return {{"title", "$:/StoryList"}, {"text", ""}, {"list", list}};
}

const Fields kTw5Welcome = tw5("Welcome", "Ann", "202601021000",
                               "Welcome to our TiddlyWiki 5 wiki!\nTry <<tag demo>> and [[Getting started]].",
                               "demo [[first steps]]");
const Fields kTw5Start = tw5("Getting started", "Ann", "202601021010", "1. Edit your copy.\n2. Merge.");
const Fields kTw5StartBen =
    tw5("Getting started", "Ben", "202601061100",
        "1. Edit your copy (C:\\Wiki\\wiki.html).\n2. Merge the three files with Korvane.");
const Fields kTw5Shopping = tw5("Shopping list", "Ann", "202601021020", "* Bread\n* Milk");
const Fields kTw5ShoppingAnn =
    tw5("Shopping list", "Ann", "202601071830", "* Bread\n* Milk\n* Caf\xC3\xA9 beans");
const Fields kTw5ShoppingBen = tw5("Shopping list", "Ben", "202601061200", "* Bread\n* Oat milk\n* Pears");
const Fields kTw5OldNotes = tw5("Old notes", "Ann", "202601021040", "Notes nobody needs any more.");
const Fields kTw5Books = tw5("Book list", "Ann", "202601072000", "* The Hobbit\n* Dune", "reading");
const Fields kTw5Photos =
    tw5("Holiday photos", "Ben", "202601061400", "Beach, harbour & \"the old lighthouse\".");

}  // namespace

Trio tw5DemoTrio() {
    // The copy both started from; then yours (changed the shopping list, deleted the old notes, added
    // a book list) and the friend's (changed getting started and, differently, the shopping list, added
    // holiday photos). Both opened other tiddlers, so the story list differs too.
    return {tw5Wiki("TiddlyWiki 5, yours",
                    {kTw5Welcome, kTw5Start, kTw5ShoppingAnn, kTw5Books, storyList("[[Book list]] Welcome")}),
            tw5Wiki("TiddlyWiki 5, friend's", {kTw5Welcome, kTw5StartBen, kTw5ShoppingBen, kTw5OldNotes,
                                               kTw5Photos, storyList("[[Holiday photos]] Welcome")}),
            tw5Wiki("TiddlyWiki 5, unedited",
                    {kTw5Welcome, kTw5Start, kTw5Shopping, kTw5OldNotes, storyList("Welcome")})};
}

Trio demoTrio() {
    Trio trio;
    // The copy both started from.
    trio.unedited =
        wiki("unedited", {kWelcome, kGettingStarted, kShopping, kIdeas, kOldNotes, kRecipes, kTravel});
    // Yours: changed the shopping list and the ideas, deleted the old notes and the recipes, added a
    // book list, meeting notes and the contacts.
    trio.local = wiki("yours", {kWelcome, kGettingStarted, kShoppingAnn, kIdeasAnn, kTravel, kBooks,
                                kMeetingAnn, kContacts});
    // The friend's: changed getting started and the shopping list, deleted the old notes and the travel
    // notes, added other meeting notes, the same contacts and holiday photos.
    trio.remote = wiki("friend's", {kWelcome, kGettingStartedBen, kShoppingBen, kIdeas, kRecipes, kMeetingBen,
                                    kContacts, kPhotos});
    return trio;
}

bool writeDemoTrio(const std::string& folder, std::string& error) {
    // A folder that does not exist yet is made, with its parents, as `mkdir -p` would.
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(std::u8string(folder.begin(), folder.end())),
                                        made);
    if (made) {
        error = "Could not make the folder " + folder + ": " + made.message();
        return false;
    }
    const Trio trio = demoTrio();
    const Trio tw5 = tw5DemoTrio();
    for (const auto& [name, text] :
         {std::pair{"local.html", &trio.local}, std::pair{"remote.html", &trio.remote},
          std::pair{"unedited.html", &trio.unedited}, std::pair{"tw5-local.html", &tw5.local},
          std::pair{"tw5-remote.html", &tw5.remote}, std::pair{"tw5-unedited.html", &tw5.unedited}}) {
        const std::string path = folder + "/" + name;
        std::FILE* out = std::fopen(path.c_str(), "wb");
        bool written = out != nullptr && std::fwrite(text->data(), 1, text->size(), out) == text->size();
        int reason = errno;
        if (out != nullptr && std::fclose(out) != 0 && written) {
            written = false;
            reason = errno;
        }
        if (!written) {
            error = "Could not write " + path + ": " + std::strerror(reason);
            return false;
        }
    }
    return true;
}

}  // namespace korvane::demo
