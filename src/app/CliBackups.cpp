// `korvane-cli undo` and `korvane-cli backups`: the merges kept in the user's backup folder.
#include <cstdio>
#include <ctime>

#include "app/CliArgs.h"
#include "app/CliCommands.h"
#include "merge/save/Backups.h"
#include "platform/Process.h"

namespace korvane::cli {
namespace {

// The backups of the wiki that args names; a message and the usage status when the arguments or the
// environment name none.
int withBackups(const std::vector<std::string>& args, int (*command)(Backups&, const std::string&)) {
    static constexpr std::string_view kWiki[] = {"WIKI"};
    CommandArgs parsed;
    int status = kExitStopped;
    if (!parseCommand(args, {args[0], {}, false, kWiki}, parsed, status)) {
        return status;
    }
    const std::string root = userBackupFolder();
    if (root.empty()) {
        printError("Error: No backup folder: neither XDG_DATA_HOME nor HOME is set.");
        return kExitStopped;
    }
    MachineFileSystem fs;
    Backups backups(fs, root);
    return command(backups, absolutePath(parsed.files[0]));
}

std::string localTimeText(std::int64_t seconds) {
    const std::tm t = localTime(static_cast<std::time_t>(seconds));
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &t));
}

}  // namespace

int undoCommand(const std::vector<std::string>& args) {
    return withBackups(args, [](Backups& backups, const std::string& wiki) {
        const auto [undone, text] = backups.undo(wiki);
        printError(text);
        return undone ? kExitOk : kExitStopped;
    });
}

int backupsCommand(const std::vector<std::string>& args) {
    return withBackups(args, [](Backups& backups, const std::string& wiki) {
        std::string text;
        for (const KeptMerge& m : backups.merges(wiki)) {
            for (const KeptFile& f : m.files) {
                if (f.kept.empty()) {
                    continue;  // a file the merge created: nothing of it is kept
                }
                text += localTimeText(m.when) + '\t' + std::to_string(f.size) + '\t';
                appendEscaped(text, f.path);
                text += '\t';
                appendEscaped(text, m.folder + "/" + f.kept);
                text += '\n';
            }
        }
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitStopped;
    });
}

}  // namespace korvane::cli
