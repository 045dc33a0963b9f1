#include "ui/main/CommandLine.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

struct Row {
    const char* commandLine;
    std::optional<CommandLinePaths> expected;
};

TEST(CommandLine, Cases) {
    const Row rows[] = {
        {"/local C:\\a.html /remote C:\\b.html", CommandLinePaths{"C:\\a.html", "C:\\b.html", ""}},
        {"/local a.html /remote b.html /lastmerge c.html", CommandLinePaths{"a.html", "b.html", "c.html"}},
        {"ignored /local  a b.html  /remote\tb.html ", CommandLinePaths{"a b.html", "\tb.html", ""}},
        // Out of order: nothing changes.
        {"/remote b.html /local a.html", std::nullopt},
        // "/lastmerge" before "/remote": the remote path runs to the end, the unedited path is cleared.
        {"/local a /lastmerge c /remote b /x", CommandLinePaths{"a /lastmerge c", "b /x", ""}},
        // Option words are case-sensitive.
        {"/Local a /remote b", std::nullopt},
        {"/local a /Remote b", std::nullopt},
        {"/local a /remote b /LastMerge c", CommandLinePaths{"a", "b /LastMerge c", ""}},
        // Quotes are not interpreted.
        {"/local \"/home/ann/my wiki.html\" /remote b",
         CommandLinePaths{"\"/home/ann/my wiki.html\"", "b", ""}},
        // The first "/remote" counts, even inside the local path.
        {"/local /data/remote/wiki.html /remote b", CommandLinePaths{"/data", "/wiki.html /remote b", ""}},
        {"/local/remote/lastmerge", CommandLinePaths{"", "", ""}},
        {"", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(parseCommandLine(row.commandLine), row.expected) << row.commandLine;
    }
}

}  // namespace
}  // namespace korvane
