#include "ui/main/CommandLine.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

struct Row {
    std::vector<std::string> arguments;
    std::optional<CommandLinePaths> expected;
};

TEST(CommandLine, Cases) {
    const Row rows[] = {
        // Words before "/local" are ignored; the arguments of one path are joined by single spaces, and
        // spaces (not tabs) at both ends go.
        {{"ignored", "/local", " /my", "wiki.html ", "/remote", "\t/b.html "},
         CommandLinePaths{"/my wiki.html", "/start/\t/b.html", ""}},
        // Relative paths are taken from the folder the program was started in.
        {{"/local", "a.html", "/remote", "././../b.html", "/lastmerge", "d/c.html"},
         CommandLinePaths{"/start/a.html", "/start/../b.html", "/start/d/c.html"}},
        // Out of order, missing, or in another letter case: nothing changes.
        {{"/remote", "/b", "/local", "/a"}, std::nullopt},
        {{"/local", "/a"}, std::nullopt},
        {{"/Local", "/a", "/remote", "/b"}, std::nullopt},
        // "/lastmerge" before "/remote": the remote path runs to the end, the unedited path is cleared.
        {{"/local", "/a", "/lastmerge", "/c", "/remote", "/b", "/x"},
         CommandLinePaths{"/a /lastmerge /c", "/b /x", ""}},
        // Only the first of each word counts.
        {{"/local", "/a", "/remote", "/b", "/lastmerge", "/c", "/local", "/lastmerge", "/d"},
         CommandLinePaths{"/a", "/b", "/c /local /lastmerge /d"}},
        // Quotes are not interpreted.
        {{"/local", "\"/home/ann/my wiki.html\"", "/remote", "/b"},
         CommandLinePaths{"/start/\"/home/ann/my wiki.html\"", "/b", ""}},
        // Only whole arguments are option words: paths that contain them stay whole.
        {{"/local", "/home/u/remote/wiki.html", "/remote", "/home/u/lastmerge/local.html"},
         CommandLinePaths{"/home/u/remote/wiki.html", "/home/u/lastmerge/local.html", ""}},
        {{"/local", "a/local.html", "/remote", "x/remote", "/lastmerge", "/lastmerge/b"},
         CommandLinePaths{"/start/a/local.html", "/start/x/remote", "/lastmerge/b"}},
        {{"/local /a.html /remote /b.html"}, std::nullopt},
        {{"/local/remote/lastmerge", "/local", "/remote"}, CommandLinePaths{"", "", ""}},
        // Options of the window toolkit are path words like any other.
        {{"/local", "/a", "-reverse", "/remote", "-style", "fusion"},
         CommandLinePaths{"/a -reverse", "/start/-style fusion", ""}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(parseCommandLine(row.arguments, "/start"), row.expected)
            << testing::PrintToString(row.arguments);
    }
    // Without a start folder, and from the root folder, relative paths stay as short as they can.
    EXPECT_EQ(parseCommandLine({"/local", "a", "/remote", "b"}, ""), (CommandLinePaths{"a", "b", ""}));
    EXPECT_EQ(parseCommandLine({"/local", "a", "/remote", "b"}, "/"), (CommandLinePaths{"/a", "/b", ""}));
}

}  // namespace
}  // namespace korvane
