// korvane-cli: the headless companion of Korvane, for scripts and for checking what a merge will do.
//   korvane-cli list FILE    one line per tiddler: INDEX TITLE MODIFIER MODIFIED CREATED LENGTH (tab-separated)
// Exit status: 0 success, 1 the merge would need the user, 2 bad usage or unreadable input.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "document/DocumentFile.h"
#include "document/StoreArea.h"
#include "merge/Messages.h"
#include "platform/FileSystem.h"

namespace {

using namespace korvane;

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

void out(std::string_view s) { std::fwrite(s.data(), 1, s.size(), stdout); }
void err(std::string_view s) {
    std::fwrite(s.data(), 1, s.size(), stderr);
    std::fputc('\n', stderr);
}

int usage() {
    err("Usage: korvane-cli list FILE");
    return kExitUsage;
}

int listCommand(const std::string& path) {
    PosixFileSystem fs;
    ReadOutcome read = funcReadFile(fs, path);
    if (read.status == ReadStatus::OpenFailed) {
        err(msg::cannotRead(path, read.reason));
        return kExitUsage;
    }
    if (read.status == ReadStatus::Short) {
        err(msg::kFileFormat);
        return kExitUsage;
    }
    TiddlerList list;
    if (!ParseStoreArea(read.text, list).found) {
        err(msg::kNoStoreArea);
        return kExitUsage;
    }
    std::string line;
    for (std::size_t i = 0; i < list.size(); ++i) {
        line.clear();
        line += std::to_string(i + 1);
        for (std::string_view field :
             {list.colTitles[i], list.colModifiers[i], list.colModified[i], list.colCreated[i]}) {
            line += '\t';
            line += field;
        }
        line += '\t';
        line += std::to_string(list.colDivs[i].size());
        line += '\n';
        out(line);
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "list") {
        return listCommand(args[1]);
    }
    return usage();
}
