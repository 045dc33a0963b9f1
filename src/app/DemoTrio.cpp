#include "app/DemoTrio.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

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

}  // namespace

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
    const Trio trio = demoTrio();
    for (const auto& [name, text] :
         {std::pair{"local.html", &trio.local}, std::pair{"remote.html", &trio.remote},
          std::pair{"unedited.html", &trio.unedited}}) {
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
