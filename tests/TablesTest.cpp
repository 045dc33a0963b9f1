// The pure functions of the document and the merge, one table file of tests/data each: every row names
// the function, its arguments and what it gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "document/StoreArea.h"
#include "document/Tw5Store.h"
#include "merge/Messages.h"
#include "merge/format/BoxForm.h"
#include "merge/format/ConflictPair.h"
#include "merge/format/EarlyMerge.h"
#include "merge/format/FieldMerge.h"
#include "merge/format/TextMerge.h"
#include "merge/model/FolderImage.h"
#include "merge/sync/EarlierSaves.h"
#include "merge/sync/SyncCopies.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

using Out = std::vector<std::string>;

// What a reader makes of a row's text: what does not read ("" when all of it does), then each field as
// "name=value", in order.
template <ReadProblem (*read)(std::string_view, Fields&)>
Out fieldsRead(const test::TableRow& r) {
    Fields fields;
    Out out{read(r.in[1], fields).value_or("")};
    for (const Field& f : fields) {
        out.push_back(f.name + "=" + f.value);
    }
    return out;
}

// The objects of a JSON store block, each as its bytes from where the reader says it begins to its end.
struct ObjectBytes : JsonFieldSink {
    std::string_view text;
    std::size_t begin = 0;
    Out objects;
    void objectBegins(std::size_t at) override { begin = at; }
    void field(std::string_view, std::string_view) override {}
    void objectEnds(std::size_t end) override { objects.emplace_back(text.substr(begin, end - begin)); }
};

const std::map<std::string, std::function<Out(const test::TableRow&)>> kFunctions = {
    {"between",
     [](const test::TableRow& r) {
         return Out{
             std::string(funcParseStringFromStringToString(r.in[1], r.in[2], r.in[3], r.in[4] == "i"))};
     }},
    {"find",
     [](const test::TableRow& r) {
         const std::size_t at = findIgnoringCase(r.in[1], r.in[2], std::stoul(r.in[3]));
         return Out{at == npos ? "npos" : std::to_string(at)};
     }},
    {"split",
     [](const test::TableRow& r) {
         TiddlerList list;
         const std::string_view doc = r.in[1];
         const StoreArea area = ParseStoreArea(doc, list);
         if (!area.found) {
             return Out{"no store area"};
         }
         EXPECT_TRUE(startsWithIgnoringCase(doc.substr(area.start), "<div id")) << r.where;
         Out out{std::string(area.hasEnd() ? doc.substr(area.end) : "")};
         out.insert(out.end(), list.colDivs.begin(), list.colDivs.end());
         return out;
     }},
    {"pair",
     [](const test::TableRow& r) {
         const ConflictPair p = buildConflictPair(r.in[1], r.in[2], r.in[3], "1/2/2026");
         EXPECT_EQ(p.conflictTitle, r.in[1] + " (conflict 1/2/2026)") << r.where;
         return Out{p.text1, p.text2};
     }},
    {"box", [](const test::TableRow& r) { return Out{toBoxForm(r.in[1])}; }},
    {"stored", [](const test::TableRow& r) { return Out{toStoreForm(r.in[1], r.in[2])}; }},
    {"lists",
     [](const test::TableRow& r) {
         return Out{mergeTitleLists(r.in[1], r.in[2], r.in[3]).value_or("none")};
     }},
    {"text",
     [](const test::TableRow& r) { return Out{mergeText(r.in[1], r.in[2], r.in[3]).value_or("none")}; }},
    // A one-line text of COUNT copies of WORD, the local side changing its first word and the remote one
    // adding a last => merged (or none), and whether the word merge was refused as too large.
    {"bigtext",
     [](const test::TableRow& r) {
         std::string base;
         for (std::size_t i = std::stoul(r.in[2]); i > 0; --i) {
             base.append(r.in[1]) += ' ';
         }
         bool tooLarge = false;
         const std::optional<std::string> merged = mergeText(base, "L" + base, base + "R", &tooLarge);
         return Out{merged ? (*merged == "L" + base + "R" ? "merged" : "wrong") : "none",
                    tooLarge ? "too large" : ""};
     }},
    // Two texts => the words gone from the first and new in the second, each as the text it covers.
    {"words",
     [](const test::TableRow& r) {
         const WordChanges c = wordChanges(r.in[1], r.in[2]);
         Out out;
         for (const auto& [ranges, text] :
              {std::pair{&c.removed, &r.in[1]}, std::pair{&c.inserted, &r.in[2]}}) {
             std::string parts;
             for (const ByteRange& b : *ranges) {
                 parts += "[" + text->substr(b.start, b.end - b.start) + "]";
             }
             out.push_back(parts);
         }
         return out;
     }},
    // Three tiddlers in .tid form => the merged one as a store line (its fields in their order), or none.
    {"fields",
     [](const test::TableRow& r) {
         Fields f[3];
         for (int i = 0; i < 3; ++i) {
             EXPECT_FALSE(fromTidText(r.in[i + 1], f[i])) << r.where;
         }
         const std::optional<Fields> merged = mergeFields(f[0], f[1], f[2]);
         return Out{merged ? toStoreJson(*merged) : "none"};
     }},
    {"early",
     [](const test::TableRow& r) {
         return Out{mergeEarlyEntries(r.in[1], r.in[2], r.in[3]).value_or("none")};
     }},
    {"jsonstore",
     [](const test::TableRow& r) {
         ObjectBytes sink;
         sink.text = r.in[1];
         Out out{readJsonStore(r.in[1], sink).value_or("")};
         out.insert(out.end(), sink.objects.begin(), sink.objects.end());
         return out;
     }},
    {"json", fieldsRead<readJsonObject>},
    {"members",
     [](const test::TableRow& r) { return Out{std::to_string(countMembers(r.in[1], "tiddlers"))}; }},
    {"fromtid", fieldsRead<fromTidText>},
    {"totid",
     [](const test::TableRow& r) {
         Fields fields;
         for (std::size_t i = 1; i + 1 < r.in.size(); i += 2) {
             fields.push_back({r.in[i], r.in[i + 1]});
         }
         const std::string text = toTidText(fields);
         Fields back;  // what the box shows reads back as the same tiddler
         EXPECT_EQ(fromTidText(text, back), std::nullopt) << r.where;
         EXPECT_TRUE(sameTiddler(toStoreJson(back), toStoreJson(fields))) << r.where;
         return Out{text};
     }},
    // A folder image => "none" when it is not whole, else each file as NAME=BYTES.
    {"image",
     [](const test::TableRow& r) {
         const std::optional<std::vector<FolderFile>> files = readFolderImage(r.in[1]);
         Out out = files ? Out{} : Out{"none"};
         for (const FolderFile& f : files.value_or(std::vector<FolderFile>{})) {
             out.push_back(std::string(f.name) + "=" + std::string(f.bytes));
             EXPECT_EQ(f.record, folderRecord(f.name, f.bytes)) << r.where;
         }
         return out;
     }},
    {"synccopy", [](const test::TableRow& r) { return Out{syncCopyTime(r.in[1], r.in[2]).value_or("")}; }},
    // A row marked for the other system ("posix", "windows") is not checked here.
    {"pathparts",
     [](const test::TableRow& r) {
         const bool here = r.in[2].empty() || r.in[2] == (test::kOnWindows ? "windows" : "posix");
         return here ? Out{folderOf(r.in[1]), std::string(nameOf(r.in[1]))} : r.out;
     }},
    {"earlier",
     [](const test::TableRow& r) {
         const SaveNaming naming = r.in[1] == "versions" ? SaveNaming::Versions : SaveNaming::Backup;
         return Out{isEarlierSaveName(r.in[2], r.in[3], naming) ? "yes" : "no"};
     }},
    // Files written under a folder of their own (their folders made) => how many of them the search
    // for earlier saves of w/wiki.html finds, then each one found, as its path under that folder.
    {"saves",
     [](const test::TableRow& r) {
         test::TempDir dir;
         std::filesystem::create_directory(dir.path("w"));
         for (std::size_t i = 1; i < r.in.size(); ++i) {
             std::filesystem::create_directories(std::filesystem::path(dir.path(r.in[i])).parent_path());
             dir.write(r.in[i], "x");
         }
         MachineFileSystem fs;
         const std::string top = dir.dir().filename().string() + "/";
         Out found;
         for (const EarlierSave& s : earlierSavesOf(fs, dir.write("w/wiki.html", "x"), 10)) {
             std::string path = s.path;
             std::replace(path.begin(), path.end(), '\\', '/');
             found.push_back(path.substr(path.find(top) + top.size()));
         }
         std::sort(found.begin(), found.end());
         found.insert(found.begin(), std::to_string(found.size()));
         return found;
     }},
};

TEST(Tables, EveryRowGivesWhatItSays) {
    for (const char* table : {"markers.tsv", "storearea.tsv", "conflictpair.tsv", "synccopies.tsv",
                              "fieldmerge.tsv", "folderimage.tsv"}) {
        test::checkTable(table, kFunctions);
    }
}

TEST(Texts, CountsHaveACommaBetweenThousands) {
    const std::pair<std::size_t, const char*> rows[] = {
        {0, "0"},        {999, "999"},        {1000, "1,000"},
        {2119, "2,119"}, {100000, "100,000"}, {1234567, "1,234,567"}};
    for (const auto& [n, text] : rows) {
        EXPECT_EQ(msg::countText(n), text);
    }
}

// A paragraph where both sides changed words, some of them apart: the merge gives what git's merge of
// the words, one a line, gives; random paragraphs of few different words, where a diff could shift a
// change over equal words next to it.
TEST(TextMerge, WordsChangedOnBothSidesMergeAsGitMergesThem) {
    std::mt19937 random(7);
    const std::vector<std::string> words{"a", "b", "c", "a,"};
    const auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const auto edit = [&](std::vector<std::string> w) {
        for (std::size_t edits = 1 + pick(2); edits > 0; --edits) {
            const std::size_t at = pick(w.size() + 1), kind = pick(3);
            if (kind == 0 || at == w.size()) {
                w.insert(w.begin() + static_cast<std::ptrdiff_t>(at), words[pick(words.size())]);
            } else if (kind == 1 && w.size() > 1) {
                w.erase(w.begin() + static_cast<std::ptrdiff_t>(at));
            } else {
                w[at] = words[pick(words.size())];
            }
        }
        return w;
    };
    const auto joined = [](const std::vector<std::string>& w, const char* between, const char* last) {
        std::string out;
        for (std::size_t i = 0; i < w.size(); ++i) {
            out += w[i] + (i + 1 < w.size() ? between : last);
        }
        return out;
    };
    int merged = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::string> b(3 + pick(10));
        for (std::string& w : b) {
            w = words[pick(words.size())];
        }
        const std::vector<std::string> l = edit(b), r = edit(b);
        const std::string base = joined(b, " ", ""), local = joined(l, " ", ""), remote = joined(r, " ", "");
        if (base == local || base == remote || local == remote) {
            continue;
        }
        const std::optional<std::string> got = mergeText(base, local, remote);
        // git's merge of the words, one a line, each with the space after it ("#" stands for the end).
        std::optional<std::string> git =
            mergeLines(joined(b, " \n", "#"), joined(l, " \n", "#"), joined(r, " \n", "#"));
        if (git) {
            std::erase(*git, '\n');
            std::erase(*git, '#');
        }
        if (got) {
            ++merged;
            EXPECT_EQ(got, git) << base << " | " << local << " | " << remote;
        }
    }
    EXPECT_GT(merged, 400);
}

}  // namespace
}  // namespace korvane
