#include <gtest/gtest.h>

#include "document/Sjcl.h"
#include "document/Tw5Store.h"
#include "merge/Messages.h"
#include "merge/format/FormatMessages.h"
#include "merge/run/MergeRun.h"
#include "merge/run/Review.h"
#include "support/TestSupport.h"

#ifdef __linux__
#include <malloc.h>
#include <sys/prctl.h>
#include <sys/resource.h>

#include <atomic>
#include <cstring>

// The heap of this test program, watched: while a text is watched, every block given back that still
// holds it is counted. Decrypted text must be overwritten before its memory goes back to the heap.
namespace {
std::atomic<const char*> watchedText{nullptr};
std::atomic<int> freedWithWatchedText{0};
// While watching, a block starts zeroed: what is found in it when it goes was written while it was in
// use, not left there by an earlier block (glibc reuses freed memory; ASan fills only a block's start).
void* allocate(std::size_t n) {
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p != nullptr && watchedText.load() != nullptr) {
        std::memset(p, 0, malloc_usable_size(p));
    }
    return p != nullptr ? p : throw std::bad_alloc();
}
void giveBack(void* p) noexcept {
    const char* text = watchedText.load();
    if (p != nullptr && text != nullptr && memmem(p, malloc_usable_size(p), text, std::strlen(text))) {
        ++freedWithWatchedText;
    }
    std::free(p);
}
}  // namespace
void* operator new(std::size_t n) {
    return allocate(n);
}
void* operator new[](std::size_t n) {
    return allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return std::malloc(n == 0 ? 1 : n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return std::malloc(n == 0 ? 1 : n);
}
void operator delete(void* p) noexcept {
    giveBack(p);
}
void operator delete[](void* p) noexcept {
    giveBack(p);
}
void operator delete(void* p, std::size_t) noexcept {
    giveBack(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    giveBack(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    giveBack(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    giveBack(p);
}
#endif

namespace korvane {
namespace {

using Docs = std::vector<std::string>;
const std::string kCore = "<script src=\"core.js\"></script>";  // a page that loads its core from a file

using test::jsonWiki;
std::string encWiki(const Docs& entries, const std::string& password, long iter = 1000, long ks = 128) {
    return test::encryptedWiki(entries, password, kCore, iter, ks);
}
SjclBlob blobOf(const std::string& page) {
    const std::optional<EncryptedRange> range = findEncryptedStore(page);
    SjclBlob blob;
    EXPECT_TRUE(range && !readSjcl(page.substr(range->begin, range->end - range->begin), blob));
    return blob;
}
// The page as it would be with its encrypted store opened by the first of `passwords` that opens it.
std::string opened(const std::string& page, const std::deque<std::optional<std::string>>& passwords,
                   const std::string& local) {
    const std::optional<EncryptedRange> range = findEncryptedStore(page);
    SjclBlob blob;
    std::string plaintext, store;
    const auto opens = [&](const std::optional<std::string>& p) {
        return p && decryptSjcl(blob, Secret(*p), plaintext) == Decrypted::Ok;
    };
    if (!range || readSjcl(page.substr(range->begin, range->end - range->begin), blob) ||
        std::none_of(passwords.begin(), passwords.end(), opens) || tiddlersToStore(plaintext, store)) {
        return "not opened";
    }
    // A store written again keeps the local rounds, at least TiddlyWiki's 10,000, and the local key size.
    EXPECT_EQ(blob.iter, std::max(blobOf(local).iter, 10000L));
    EXPECT_EQ(blob.ks, blobOf(local).ks);
    return page.substr(0, range->begin - kEncryptedStoreOpen.size()) + std::string(kTw5JsonStoreTag) + "[\n" +
           store + "\n]</script>" + std::string(kTw5DivStoreTag) + "</div>" + page.substr(range->end + 6);
}
std::string block(const std::string& array) {
    return std::string(kTw5JsonStoreTag) + array + "</script>";
}
std::string j(const std::string& title, const std::string& text, const std::string& more = "") {
    return test::jsonTiddler(title, text, more);
}
const std::string kPlugin = ",\"plugin-type\":\"plugin\",\"version\":";
const std::string kPluginText = "{\\\"tiddlers\\\":{\\\"a\\\":{},\\\"b\\\":{\\\"title\\\":\\\"b\\\"}}}";
const std::string kCopy = "T (conflict 12/5/2026 6:15:06 AM)";
const std::string kNoShadows = "{\\\"tiddlers\\\":{}}";
const std::string kStamp = " (conflict 12/5/2026 6:15:06 AM)";
const std::string kModule = ",\"type\":\"application/javascript\",\"module-type\":\"macro\",\"modified\":";
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
    std::deque<std::optional<std::string>> passwords = {};  // the answers to password questions
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
        {"plugin upgrade: the higher version is recommended, shown as a summary",
         jsonWiki({j("$:/plugins/p", kPluginText, kPlugin + "\"1.0.0\",\"modified\":\"9\"")}),
         jsonWiki({j("$:/plugins/p", kPluginText, kPlugin + "\"1.2.0\",\"modified\":\"1\"")}),
         jsonWiki({j("$:/plugins/p", kPluginText, kPlugin + "\"1.0.0\",\"modified\":\"9\"")}), ".",
         j("$:/plugins/p", kPluginText, kPlugin + "\"1.2.0\",\"modified\":\"1\""),
         "dialog s/o/0 shadow tiddlers: 2|"},
        {"keep both: no note for JSON, a taken title gets a number",
         jsonWiki({j("T", "{}", ",\"type\":\"application/json\""), j(kCopy, "x")}),
         jsonWiki({j("T", "[]", ",\"type\":\"application/json\""), j(kCopy, "x")}), std::nullopt, "b",
         j("T", "[]", ",\"type\":\"application/json\",\"conflict.copy\":\"" + kCopy + " 2\"") + ",\n" +
             j(kCopy + " 2", "{}", ",\"type\":\"application/json\",\"conflict.of\":\"T\"") + ",\n" +
             j(kCopy, "x"),
         "dialog s/o/4|"},
        {"keep both: the title and its second number taken, the third number",
         jsonWiki({j("T", "{}", ",\"type\":\"application/json\""), j(kCopy, "x"), j(kCopy + " 2", "y")}),
         jsonWiki({j("T", "[]", ",\"type\":\"application/json\""), j(kCopy, "x"), j(kCopy + " 2", "y")}),
         std::nullopt, "b",
         j("T", "[]", ",\"type\":\"application/json\",\"conflict.copy\":\"" + kCopy + " 3\"") + ",\n" +
             j(kCopy + " 3", "{}", ",\"type\":\"application/json\",\"conflict.of\":\"T\"") + ",\n" +
             j(kCopy, "x") + ",\n" + j(kCopy + " 2", "y"),
         "dialog s/o/4|"},
        {"an edited box is taken back, a broken one refused",
         jsonWiki({j("S", "s", ",\"tags\":\"[[$:/tags/Stylesheet]]\""), j("A", "a", ",\"modified\":\"1\"")}),
         jsonWiki({j("S", "s2", ",\"tags\":\"[[$:/tags/Stylesheet]]\""), j("A", "a2")}), std::nullopt, "xe",
         j("S", "s", ",\"tags\":\"[[$:/tags/Stylesheet]]\"") +
             ",\n{\"title\":\"A\",\"text\":\"new\",\"extra\":\"e\"}",
         "dialog s/o/4|dialog l/o/4|message:This box does not read as a tiddler: There is no blank line "
         "between the fields and the text.\n\nCorrect it (fields as \"name: value\" lines, a blank line, "
         "then the text), or undo the edit.|ask:Keep Edits?|"},
        {"keep both of a plugin and a module: the copy inert (an older conflict.module-type gives way), the "
         "kept version names it without a note",
         jsonWiki({j("$:/plugins/p", kPluginText, kPlugin + "\"1.0.1\""), j("M", "one", kModule + "\"2\"")}),
         jsonWiki({j("$:/plugins/p", kNoShadows, kPlugin + "\"1.1.0\""),
                   j("M", "two", kModule + "\"1\",\"conflict.module-type\":\"old\"")}),
         std::nullopt, "bb",
         j("$:/plugins/p", kNoShadows,
           kPlugin + "\"1.1.0\",\"conflict.copy\":\"$:/plugins/p" + kStamp + "\"") +
             ",\n" +
             j("$:/plugins/p" + kStamp, kPluginText,
               ",\"conflict.plugin-type\":\"plugin\",\"version\":\"1.0.1\",\"conflict.of\":\"$:/plugins/"
               "p\"") +
             ",\n" + j("M", "one", kModule + "\"2\",\"conflict.copy\":\"M" + kStamp + "\"") + ",\n" +
             j("M" + kStamp, "two",
               ",\"type\":\"application/javascript\",\"conflict.module-type\":\"macro\",\"modified\":\"1\","
               "\"conflict.of\":\"M\""),
         "dialog s/o/0 shadow tiddlers: 0|dialog l/o/4|"},
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
        {"an encrypted wiki without a password is refused", jsonWiki({j("A", "a")}),
         encWiki({j("A", "b")}, "pw"), std::nullopt, "", "",
         "password:Remote file|message:Error: The file is an encrypted TiddlyWiki. Encrypted wikis cannot be "
         "merged: open it in TiddlyWiki and save it without a password first.\nRemote file: \"remote.html\". "
         "No file was changed.|"},
        {"an encrypted trio: a wrong password is asked again, the one that opened the local file opens the "
         "others",
         encWiki({j("A", "a2"), j("B", "b <i>")}, "pw ☕"),
         encWiki({j("A", "a"), j("B", "b <i>"), j("C", "c")}, "pw ☕"),
         encWiki({j("A", "a"), j("B", "b <i>")}, "pw ☕"),
         "",
         j("A", "a2") + ",\n" + j("B", "b \\u003Ci>") + ",\n" + j("C", "c"),
         "dialog l/o/0|dialog s/ob/1|password:Local file|password:Local file again|",
         {"wrong", "pw ☕"}},
        {"each password is asked once per document it opens; the remote's own is asked for",
         encWiki({j("A", "a2")}, "one", 20000, 256),
         encWiki({j("A", "a"), j("C", "c")}, "two"),
         encWiki({j("A", "a")}, "one"),
         "",
         j("A", "a2") + ",\n" + j("C", "c"),
         "dialog l/o/0|dialog s/ob/1|password:Local file|password:Remote file|",
         {"one", "two"}},
        {"Cancel abandons the merge",
         encWiki({j("A", "a2")}, "pw"),
         encWiki({j("A", "a")}, "pw"),
         std::nullopt,
         "",
         "",
         "password:Local file|",
         {std::nullopt}},
        {"a plain local file gives a plain result, and says so",
         jsonWiki({j("A", "a2")}),
         encWiki({j("A", "a"), j("C", "c")}, "pw"),
         encWiki({j("A", "a")}, "pw"),
         "",
         j("A", "a2") + ",\n" + j("C", "c"),
         "dialog l/o/0|dialog s/ob/1|password:Remote file|message:The remote file is encrypted and the local "
         "file is not: the merged "
         "wiki is written without a password, as the local file is.|",
         {"pw"}},
        {"an encrypted store that is not sjcl's JSON is refused",
         "<html><body>" + std::string(kEncryptedStoreOpen) + "{&quot;iv&quot;:1}</pre></body></html>",
         jsonWiki({j("A", "a")}), std::nullopt, "", "",
         "message:Error: The TiddlyWiki 5 store of this file cannot be read safely: the encrypted store is "
         "not "
         "AES in CCM mode with an IV, a salt and a ciphertext. TiddlyWiki itself would not load all of its "
         "tiddlers.\nLocal file: \"local.html\". No file was changed.|"},
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
        host.passwords = row.passwords;
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
        if (merged) {  // the whole page reads back with the merged store (opened with the last password)
            const bool encrypted = findEncryptedStore(row.local).has_value();
            const std::string page =
                encrypted ? opened(run.newDocument(), row.passwords, row.local) : run.newDocument();
            EXPECT_EQ(findEncryptedStore(run.newDocument()).has_value(), encrypted) << row.name;
            TiddlerList list;
            Tw5Layout layout;
            EXPECT_EQ(splitTw5(page, list, layout), std::nullopt) << row.name;
            const std::string_view first = list.empty() ? "" : list.colDivs.front();
            const std::string_view last = list.empty() ? "" : list.colDivs.back();
            EXPECT_EQ(std::string_view(first.data(), last.data() + last.size() - first.data()), row.store)
                << row.name;
            EXPECT_LE(layout.blocks.size(), 1u) << row.name;
            EXPECT_TRUE(run.newDocument().ends_with((encrypted ? "</pre>\n" : "</div>\n") + kCore +
                                                    "</body></html>\n"))
                << row.name;
        }
    }
}

// A stylesheet that both sides changed apart: the review keeps both by default, says which version
// stays active and names the inert copy, and writes both.
TEST(Tw5Merge, ReviewKeepsBothOfAnActiveTiddlerWithAnInertCopy) {
    const auto sheet = [](const std::string& colour, const std::string& stamp) {
        return j("S", "a { color: " + colour + "; }",
                 ",\"tags\":\"$:/tags/Stylesheet\",\"type\":\"text/css\",\"modified\":\"" + stamp + "\"");
    };
    test::TempDir dir;
    test::ScriptedHost host;
    MachineFileSystem fs;
    MergeRun run(host, fs,
                 {dir.write("l.html", jsonWiki({sheet("red", "2")})),
                  dir.write("r.html", jsonWiki({sheet("blue", "3")})),
                  dir.write("u.html", jsonWiki({sheet("black", "1")}))});
    run.settings().mergeInside = true;
    ASSERT_TRUE(run.load());
    const VisitingList titles = run.titles();
    MergePlan plan = run.plan(titles);
    Review review(run, plan, titles);
    ASSERT_EQ(review.items().size(), 1u);
    EXPECT_EQ(review.items()[0].planned, Outcome::Both);
    std::string words;
    review.resultText(0, &words);
    EXPECT_EQ(words, "the friend's stays active; yours is the inert copy \"S" + kStamp +
                         "\", with tags renamed conflict.tags");
    ASSERT_TRUE(review.apply());
    EXPECT_EQ(run.strMergedStore(),
              sheet("blue", "3\",\"conflict.copy\":\"S" + kStamp) + ",\n" +
                  j("S" + kStamp, "a { color: red; }",
                    ",\"conflict.tags\":\"$:/tags/Stylesheet\",\"type\":\"text/css\",\"modified\":\"2\","
                    "\"conflict.of\":\"S\""));
}

#ifdef __linux__
// The three copies of an encrypted trio, a tiddler whose title, text and eight field names hold
// "Unwiped-7f3a" the same in all (enough fields to make a list of them grow).
MergePaths encryptedTrio(const test::TempDir& dir) {
    std::string fields;
    for (char n = '1'; n <= '8'; ++n) {
        fields += ",\"" + std::string(1, n) + " Unwiped-7f3a\":\"" + std::string(1, n) + "\"";
    }
    // Not at their start, where a string moved away leaves a zero.
    const std::string s = j("S Unwiped-7f3a", "Unwiped-7f3a", fields);
    return {dir.write("local.html", encWiki({s, j("A", "a2")}, "pw")),
            dir.write("remote.html", encWiki({s, j("A", "a")}, "pw")),
            dir.write("unedited.html", encWiki({s, j("A", "a")}, "pw"))};
}

// A run that is given a password turns the process undumpable, its core limit 0, for the rest of its
// life.
TEST(Tw5Merge, AnEncryptedRunTurnsTheProcessUndumpable) {
    ASSERT_EQ(prctl(PR_SET_DUMPABLE, 1, 0, 0, 0), 0);
    rlimit core{};
    ASSERT_EQ(getrlimit(RLIMIT_CORE, &core), 0);
    core.rlim_cur = core.rlim_max;
    ASSERT_EQ(setrlimit(RLIMIT_CORE, &core), 0);
    test::TempDir dir;
    const MergePaths paths = encryptedTrio(dir);
    test::ScriptedHost host;
    host.passwords = {"pw"};
    MachineFileSystem fs;
    MergeRun run(host, fs, paths);
    ASSERT_TRUE(run.load() && run.merge());
    EXPECT_EQ(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    ASSERT_EQ(getrlimit(RLIMIT_CORE, &core), 0);
    EXPECT_EQ(core.rlim_cur, 0u);
}

// The decrypted tiddlers, titles too, are overwritten before their memory is given back, up to the
// merged store encrypted again and checked.
TEST(Tw5Merge, AnEncryptedRunLeavesNoDecryptedTextInFreedMemory) {
    test::TempDir dir;
    const MergePaths paths = encryptedTrio(dir);
    test::ScriptedHost host;
    host.passwords = {"pw"};
    MachineFileSystem fs;
    watchedText = "Unwiped-7f3a";
    {
        MergeRun run(host, fs, paths);
        ASSERT_TRUE(run.load() && run.merge());
        EXPECT_TRUE(findEncryptedStore(run.newDocument()).has_value());
    }
    watchedText = nullptr;
    EXPECT_EQ(freedWithWatchedText.exchange(0), 0);
}
#endif

// The review of a whole merge: what each title's defaults are, what Save says it will do, what the
// chosen outcomes write, and how many of the friend's own versions the result lacks. A version merged
// inside one line (G1) or from both sides' `list` (L) waits for a look ('?'); one merged line by line
// (G3) does not.
TEST(Tw5Merge, ReviewDefaultsLoseNoEditAndChoicesWriteWhatTheySay) {
    const std::string lines = "a\\nb\\nc\\nd\\ne";
    const std::string unedited =
        jsonWiki({j("A", "a"), j("B", "b"), j("C", "c"), j("D", "d"), j("E", "e"), j("G1", "one two three"),
                  j("G2", "x"), j("G3", lines), j("L", "l", ",\"list\":\"a b\""), j("X", "x")});
    const std::string local =
        jsonWiki({j("A", "a"), j("B", "b2"), j("D", "d"), j("E", "el"), j("G1", "ONE two three"),
                  j("G2", "xl", ",\"tags\":\"t\""), j("G3", "A" + lines.substr(1)),
                  j("L", "l", ",\"list\":\"a b c\""), j("N", "n")});
    const std::string remote = jsonWiki({j("A", "a2"), j("B", "b"), j("C", "c"), j("G1", "one two THREE"),
                                         j("G2", "xr"), j("G3", lines.substr(0, lines.size() - 1) + "E"),
                                         j("L", "l", ",\"list\":\"x a b\""), j("M", "m")});
    struct Case {
        const char* name;
        std::string choices;  // "TITLE=Outcome letter" (y f u m b d), "TITLE=e:TEXT" an edit; '|' between
        std::string refused;  // what choose() or edit() refused, '|' after each
        std::string items, counts, save, titles;
        std::size_t lost;
    };
    const std::string defaults =
        "A unchanged/edited F|B edited/unchanged Y|C deleted/unchanged Y|D unchanged/deleted F|"
        "E edited/deleted Y!|G1 edited/edited M?|G2 edited/edited B!|G3 edited/edited M|L edited/edited M?|"
        "N added/not in this copy Y|M not in this copy/added F|";
    const Case cases[] = {
        {"defaults: one side's change taken, both merged or kept both, nothing of the friend's lost", "", "",
         defaults, "11 differences: 9 settled, 2 need you, 2 to check",
         "Saves all three files: 2 from the friend, 1 deleted as your friend did, 3 of yours, 1 deleted as "
         "you "
         "did, 3 merged, 1 kept both",
         "A|B|E|G1|G2|G2 (conflict 12/5/2026 6:15:06 AM)|G3|L|N|M|", 0},
        {"choices: a side over another loses the friend's versions, counted; refused outcomes change nothing",
         "A=y|G2=y|E=f|A=m|D=u|C=b|G1=e:title: Z\r\n\r\nz|G1=e:title: G1\r\n\r\nmine|M=d|L=m", "m|b|e|",
         defaults, "11 differences: 11 settled, 0 need you",
         "Saves all three files: 1 deleted as your friend did, 4 of yours, 1 deleted as you did, 2 merged, "
         "1 edited, 1 unedited, 1 dropped",
         "A|B|D|G1|G2|G3|L|N|", 4},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        test::ScriptedHost host;
        MachineFileSystem fs;
        MergeRun run(
            host, fs,
            {dir.write("l.html", local), dir.write("r.html", remote), dir.write("u.html", unedited)});
        run.settings().mergeInside = true;
        ASSERT_TRUE(run.load()) << c.name;
        const VisitingList visits = run.titles();
        MergePlan plan = run.plan(visits);
        Review review(run, plan, visits);
        std::string items, refused;
        for (const PlanItem& i : review.items()) {
            items += std::string(i.title) + " " + changeName(i.local) + "/" + changeName(i.remote) + " " +
                     outcomeName(i.planned)[0] + (i.needsYou ? "!" : "") + (toCheck(i) ? "?" : "") + "|";
        }
        const auto indexOf = [&](std::string_view title) {
            const auto& all = review.items();
            return static_cast<std::size_t>(
                std::find_if(all.begin(), all.end(), [&](const PlanItem& i) { return i.title == title; }) -
                all.begin());
        };
        for (std::size_t at = 0; at < c.choices.size();) {
            const std::size_t bar = std::min(c.choices.find('|', at), c.choices.size());
            const std::string choice = c.choices.substr(at, bar - at);
            at = bar + 1;
            const std::size_t eq = choice.find('=');
            const std::size_t i = indexOf(choice.substr(0, eq));
            if (choice[eq + 1] == 'e') {
                if (review.edit(i, choice.substr(eq + 3))) {
                    refused += "e|";
                }
                continue;
            }
            const Outcome o = *std::find_if(std::begin(kOutcomes), std::end(kOutcomes), [&](Outcome k) {
                return std::tolower(outcomeName(k)[0]) == choice[eq + 1];
            });
            if (!review.choose(i, o)) {
                refused += choice.substr(eq + 1) + "|";
            }
        }
        EXPECT_EQ(items, c.items) << c.name;
        EXPECT_EQ(refused, c.refused) << c.name;
        EXPECT_EQ(review.countsText(), c.counts) << c.name;
        EXPECT_EQ(review.saveText(true), c.save) << c.name;
        ASSERT_TRUE(review.apply()) << c.name;
        TiddlerList list;
        Tw5Layout layout;
        const std::string document = run.newDocument();
        ASSERT_EQ(splitTw5(document, list, layout), std::nullopt) << c.name;
        std::string titles;
        for (const std::string_view t : list.colTitles) {
            titles += std::string(t) + "|";
        }
        EXPECT_EQ(titles, c.titles) << c.name;
        EXPECT_EQ(run.remoteVersionsLost(), c.lost) << c.name;
        const std::string store = run.strMergedStore();
        EXPECT_NE(store.find(c.lost ? "\"mine\"" : "\"ONE two THREE\""), std::string::npos) << c.name;
        // The field table of a tiddler names the fields that differ, with each version's value.
        const std::vector<Review::FieldRow> fields = review.changedFields(indexOf("G2"));
        EXPECT_EQ(fields, (std::vector<Review::FieldRow>{{"tags", "t", "", ""}})) << c.name;
    }
    // The dialogs count the same: yours wherever offered loses the friend's A, G1, G2, G3, L and M;
    // the friend's everywhere loses nothing of the friend's.
    for (const auto& [button, lost] :
         {std::pair{DialogButton::Local, 6u}, std::pair{DialogButton::Server, 0u}}) {
        test::TempDir dir;
        test::ScriptedHost host;
        host.answerDialog = [b = button](const ConflictRequest& q) {
            return ConflictAnswer{q.isEnabled(b) ? b : *q.boldButton, q.texts};
        };
        MachineFileSystem fs;
        MergeRun run(
            host, fs,
            {dir.write("l.html", local), dir.write("r.html", remote), dir.write("u.html", unedited)});
        ASSERT_TRUE(run.load() && run.merge());
        EXPECT_EQ(run.remoteVersionsLost(), lost) << choiceCode(button);
    }
}

}  // namespace
}  // namespace korvane
