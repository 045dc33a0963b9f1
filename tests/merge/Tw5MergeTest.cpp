#include <gtest/gtest.h>

#include "document/Tw5Store.h"
#include "merge/Messages.h"
#include "merge/run/MergeRun.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using Docs = std::vector<std::string>;
const std::string kCore = "<script src=\"core.js\"></script>";  // a page that loads its core from a file

std::string jsonWiki(const Docs& entries) {
    std::string store;
    for (const std::string& e : entries) {
        store += (store.empty() ? "" : ",\n") + e;
    }
    return "<html><body>\n" + std::string(kTw5JsonStoreTag) + "[\n" + store + "\n]</script>" +
           std::string(kTw5DivStoreTag) + "</div>\n" + kCore + "</body></html>\n";
}
std::string block(const std::string& array) {
    return std::string(kTw5JsonStoreTag) + array + "</script>";
}
std::string j(const std::string& title, const std::string& text, const std::string& more = "") {
    return "{\"title\":\"" + title + "\",\"text\":\"" + text + "\"" + more + "}";
}
const std::string kPlugin = ",\"plugin-type\":\"plugin\",\"version\":";
const std::string kPluginText = "{\\\"tiddlers\\\":{\\\"a\\\":{},\\\"b\\\":{\\\"title\\\":\\\"b\\\"}}}";
const std::string kCopy = "T (conflict 12/5/2026 6:15:06 AM)";
const std::string kNote =
    "\\n\\nNote: There was a conflict while merging this item. See the following link for the conflicting "
    "version: ";

struct Row {
    const char* name;
    std::string local, remote;
    std::optional<std::string> unedited;
    std::string answers;  // one choice code per dialog; '.' the recommended one; 'e' Local with an edit
    std::string store;    // the merged store; empty when the run stopped
    std::string log;      // what the user was shown, paths left out
};

TEST(Tw5Merge, WholeTriosGiveTheirMergedStoreAndMessages) {
    const std::string classic = "<html><div id=\"storeArea\"><div tiddler=\"A\">a</div></div></html>";
    const Row rows[] = {
        {"session state and $:/core stay local without a question",
         jsonWiki({j("$:/StoryList", "", ",\"list\":\"A\""), j("$:/core", "{}", kPlugin + "\"5.3.2\""),
                   j("X", "x")}),
         jsonWiki({j("$:/StoryList", "", ",\"list\":\"B\""), j("$:/state/s", "1"),
                   j("$:/core", "{}", kPlugin + "\"5.3.3\""), j("X", "x")}),
         std::nullopt, "",
         j("$:/StoryList", "", ",\"list\":\"A\"") + ",\n" + j("$:/core", "{}", kPlugin + "\"5.3.2\"") +
             ",\n" + j("X", "x"),
         "message:The remote file holds version 5.3.3 of $:/core, the local file version 5.3.2. The merged "
         "wiki keeps the local $:/core: the page that is written is the local file's, and its boot code and "
         "$:/core are released together. To move to another TiddlyWiki version, upgrade the wiki in "
         "TiddlyWiki itself.|"},
        {"plugin upgrade: the higher version is recommended, shown as a summary, never copied",
         jsonWiki({j("$:/plugins/p", kPluginText, kPlugin + "\"1.0.0\",\"modified\":\"9\"")}),
         jsonWiki({j("$:/plugins/p", kPluginText, kPlugin + "\"1.2.0\",\"modified\":\"1\"")}),
         jsonWiki({j("$:/plugins/p", kPluginText, kPlugin + "\"1.0.0\",\"modified\":\"9\"")}), ".",
         j("$:/plugins/p", kPluginText, kPlugin + "\"1.2.0\",\"modified\":\"1\""),
         "dialog s/ob/0 shadow tiddlers: 2|"},
        {"keep both: no note for JSON, a taken title gets a number",
         jsonWiki({j("T", "{}", ",\"type\":\"application/json\""), j(kCopy, "x")}),
         jsonWiki({j("T", "[]", ",\"type\":\"application/json\""), j(kCopy, "x")}), std::nullopt, "b",
         j("T", "[]", ",\"type\":\"application/json\",\"conflict.copy\":\"" + kCopy + " 2\"") + ",\n" +
             j(kCopy + " 2", "{}", ",\"type\":\"application/json\",\"conflict.of\":\"T\"") + ",\n" +
             j(kCopy, "x"),
         "dialog s/o/4|"},
        {"no copy of a $:/tags/ tiddler; an edited box is taken back, a broken one refused",
         jsonWiki({j("S", "s", ",\"tags\":\"[[$:/tags/Stylesheet]]\""), j("A", "a", ",\"modified\":\"1\"")}),
         jsonWiki({j("S", "s2", ",\"tags\":\"[[$:/tags/Stylesheet]]\""), j("A", "a2")}), std::nullopt, "xe",
         j("S", "s", ",\"tags\":\"[[$:/tags/Stylesheet]]\"") +
             ",\n{\"title\":\"A\",\"text\":\"new\",\"extra\":\"e\"}",
         "dialog s/ob/2|dialog l/o/4|message:This box does not read as a tiddler: There is no blank line "
         "between the fields and the text.\n\nCorrect it (fields as \"name: value\" lines, a blank line, "
         "then the text), or undo the edit.|ask:Keep Edits?|"},
        {"two JSON blocks become one in the first one's place; a title that [[…]] cannot link",
         "<html><body>\n" +
             block("[{\"title\":\"A\",\"text\":\"1\"},\n" + j("a|b", "l", ",\"modified\":\"2\"") + "]") +
             "<p>kept</p>" + block("[" + j("A", "2") + "]") + std::string(kTw5DivStoreTag) + "</div>\n" +
             kCore + "</body></html>\n",
         jsonWiki({j("A", "2"), j("a|b", "r", ",\"modified\":\"1\"")}), std::nullopt, "b",
         j("A", "2") + ",\n" +
             j("a|b", "l" + kNote + "\\u003C$link to=\\\"a|b (conflict 12/5/2026 6:15:06 AM)\\\"/>",
               ",\"modified\":\"2\",\"conflict.copy\":\"a|b (conflict 12/5/2026 6:15:06 AM)\"") +
             ",\n" +
             j("a|b (conflict 12/5/2026 6:15:06 AM)", "r", ",\"modified\":\"1\",\"conflict.of\":\"a|b\""),
         "dialog l/o/4|"},
        {"a field that the local div store cannot hold stops the run before any file is written",
         "<html><body>\n" + std::string(kTw5DivStoreTag) +
             "\n<div title=\"A\">\n<pre>a</pre>\n</div>\n</div>\n" + kCore + "</body></html>\n",
         jsonWiki({j("A", "a"), j("N", "n", ",\"Big\":\"x\"")}), std::nullopt, "", "",
         "dialog s/ob/1|message:Error: The merged wiki was not saved: its tiddler store did not pass the "
         "check that TiddlyWiki can load it (the tiddler \"N\" has a field \"Big\" that a TiddlyWiki 5.1 div "
         "store cannot hold; save the local wiki once with a later TiddlyWiki to give it a JSON "
         "store).\nLocal file: \"local.html\". No file was changed.|"},
        {"an encrypted wiki is refused", jsonWiki({j("A", "a")}),
         "<html><pre id=\"encryptedStoreArea\">x</pre></html>", std::nullopt, "", "",
         "message:Error: The file is an encrypted TiddlyWiki. Encrypted wikis cannot be merged: open it in "
         "TiddlyWiki and save it without a password first.\nRemote file: \"remote.html\". No file was "
         "changed.|"},
        {"damaged JSON is refused", jsonWiki({j("A", "a") + ","}), jsonWiki({j("A", "b")}), std::nullopt, "",
         "",
         "message:Error: The TiddlyWiki 5 store of this file cannot be read safely: a JSON store block is "
         "not valid (an entry that is not an object at byte 28 of the block). TiddlyWiki itself would not "
         "load all of its tiddlers.\nLocal file: \"local.html\". No file was changed.|"},
        {"a classic file against a TiddlyWiki 5 file is refused", classic, jsonWiki({j("A", "a")}),
         std::nullopt, "", "",
         "message:Error: These files are different kinds of TiddlyWiki and cannot be merged: Local file "
         "\"local.html\" is a TiddlyWiki Classic file, Remote file \"remote.html\" is a TiddlyWiki 5 file. "
         "No file was changed.|"},
    };
    for (const Row& row : rows) {
        test::TempDir dir;
        test::ScriptedHost host;
        MachineFileSystem fs;
        std::string log;
        std::size_t dialogs = 0;
        host.answerDialog = [&](const ConflictRequest& q) {
            const char code = dialogs < row.answers.size() ? row.answers[dialogs++] : '.';
            ConflictAnswer a{q.boldButton, q.texts};
            std::string disabled;
            std::transform(q.disabledButtons.begin(), q.disabledButtons.end(), std::back_inserter(disabled),
                           choiceCode);
            log += "dialog " + std::string(1, choiceCode(*q.boldButton)) + "/" + disabled + "/" +
                   std::to_string(q.takenBackBoxes.size());
            if (const std::size_t at = q.texts.strServer.find("shadow tiddlers:"); at != std::string::npos) {
                log += " " + q.texts.strServer.substr(at, q.texts.strServer.find('\n', at) - at);
            }
            log += "|";
            if (code == 'x' || code == 'e') {
                a.texts.strLocal = code == 'x' ? "title: S\r\nbroken" : "title: A\r\nextra: e\r\n\r\nnew";
                a.choice = DialogButton::Local;
                EXPECT_EQ(q.checkBox(a.texts.strLocal).empty(), code == 'e') << row.name;
                EXPECT_EQ(q.checkBox("title: Z\r\n\r\nx"), msg::boxRefused(std::string(msg::kTitleChanged)));
            } else if (code != '.') {
                a.choice = test::button(code);
            }
            return a;
        };
        const MergePaths paths{dir.write("local.html", row.local), dir.write("remote.html", row.remote),
                               row.unedited ? dir.write("unedited.html", *row.unedited) : ""};
        MergeRun run(host, fs, paths);
        const bool merged = run.load() && run.merge();
        EXPECT_EQ(merged ? run.strMergedStore() : "", row.store) << row.name;
        for (const std::string& entry : host.log) {
            log += entry.starts_with("dialog:") ? "" : entry + "|";
        }
        for (std::string::size_type at; (at = log.find(dir.path(""))) != std::string::npos;) {
            log.erase(at, dir.path("").size());
        }
        EXPECT_EQ(log, row.log) << row.name;
        if (merged) {  // the whole page reads back with the merged store
            TiddlerList list;
            Tw5Layout layout;
            EXPECT_EQ(splitTw5(run.newDocument(), list, layout), std::nullopt) << row.name;
            EXPECT_LE(layout.blocks.size(), 1u) << row.name;
            EXPECT_TRUE(run.newDocument().ends_with("</div>\n" + kCore + "</body></html>\n")) << row.name;
        }
    }
}

}  // namespace
}  // namespace korvane
