// Runs the built programs over the rows of tests/data/programs.tsv, on the files of tests/data/cli/.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TestSupport.h"

#ifndef KORVANE_PATH
#define KORVANE_PATH ""  // the desktop program is not built: its rows are left out
#endif

namespace korvane {
namespace {

TEST(Programs, OutputErrorsAndExitStatus) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.path("pipe.html").c_str(), 0644), 0);
    const std::string data = KORVANE_TEST_DATA_DIR "/cli", err = dir.path("stderr.txt");
    const auto fill = [&](std::string text) {
        for (const auto& [from, to] :
             {std::pair{"$D", data}, {"$T", dir.dir().string()}, {"$V", KORVANE_VERSION}}) {
            for (std::size_t at; (at = text.find(from)) != std::string::npos;) {
                text.replace(at, 2, to);
            }
        }
        return text;
    };
    const auto before = test::snapshot(data);
    for (const test::TableRow& row : test::tableRows("programs.tsv")) {
        if (row.in[0] != "korvane-cli" && std::string_view(KORVANE_PATH).empty())
            continue;
        const std::string program = row.in[0] == "sh"        ? ""
                                    : row.in[0] == "korvane" ? "'" KORVANE_PATH "' "
                                                             : "'" KORVANE_CLI_PATH "' ";
        std::string out;
        const int status = test::runShell("cd '" + dir.dir().string() +
                                              "' && export XDG_DATA_HOME=\"$PWD/xdg\" && K='" KORVANE_PATH
                                              "' && C='" KORVANE_CLI_PATH "' && " +
                                              program + fill(row.in.at(1)),
                                          err, &out);
        std::vector<std::string> expected;
        std::transform(row.out.begin(), row.out.end(), std::back_inserter(expected), fill);
        EXPECT_EQ((std::vector<std::string>{std::to_string(status), out, test::readBytes(err)}), expected)
            << row.where;
    }
    EXPECT_EQ(test::snapshot(data), before);
}

// A run killed while it waits for its password leaves no core file where the system would write one.
TEST(Programs, AKilledRunWithAPasswordLeavesNoCore) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.path("pw").c_str(), 0600), 0);
    const int status = test::runShell(
        "cd '" + dir.dir().string() +
            "' && ulimit -c unlimited && { sh -c 'kill -ABRT $$'; [ -e core ] || exit 7; } && rm core && "
            "{ ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}disable_coredump=0 '" KORVANE_CLI_PATH
            "' merge /local l /remote r --password-file pw & } && "
            "for i in $(seq 100); do grep -q 'core file size *0 ' /proc/$!/limits && break; sleep 0.1; done; "
            "kill -ABRT $! && ! wait $! && [ ! -e core ]",
        dir.path("err"));
    if (status == 7) {
        GTEST_SKIP() << "this machine's core_pattern writes no core file in the working folder";
    }
    EXPECT_EQ(status, 0) << test::readBytes(dir.path("err"));
}

}  // namespace
}  // namespace korvane
