// `korvane-cli git-setup`: the configuration that makes Korvane git's merge driver and merge tool,
// printed, and with --apply written by git itself and into the attributes file.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/CliArgs.h"
#include "app/CliCommands.h"
#include "merge/Messages.h"
#include "merge/save/SaveMessages.h"
#include "merge/sync/SyncCopies.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace korvane::cli {

namespace {

// A word as the shell reads it back unchanged.
std::string shellWord(const std::string& word) {
    if (!word.empty() &&
        word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._+-") ==
            std::string::npos) {
        return word;
    }
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The programs as the configuration names them: this program by its full path, and the desktop
// program beside it when it is there (otherwise as found on PATH). The desktop program's file ends as
// this one's does: korvane.exe beside korvane-cli.exe on Windows.
void ownPrograms(std::string& cli, std::string& desktop) {
    cli = ownProgramPath();
    const bool known = !cli.empty();
    if (!known) {
        cli = "korvane-cli";
    }
    const std::string_view name = nameOf(cli);
    const std::size_t dot = name.rfind('.');
    const std::string_view ending = dot == std::string_view::npos ? std::string_view() : name.substr(dot);
    desktop = cli.substr(0, cli.size() - name.size()) + "korvane" + std::string(ending);
    if (!known || !isProgram(desktop)) {
        desktop = "korvane";
    }
}

constexpr std::string_view kAttributesLine = "*.html merge=korvane";

std::string attributesFile(bool global) {
    if (!global) {
        const std::string top = firstLineOf({"git", "rev-parse", "--show-toplevel"});
        return top.empty() ? std::string() : top + "/.gitattributes";
    }
    std::string configured = firstLineOf({"git", "config", "--global", "--path", "core.attributesFile"});
    if (!configured.empty()) {
        return configured;
    }
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (home == nullptr) {
        home = std::getenv("USERPROFILE");  // Windows, outside git's own shell
    }
    const std::string config =
        xdg != nullptr && *xdg != '\0' ? xdg : std::string(home ? home : "") + "/.config";
    std::error_code ignored;  // a folder that cannot be made fails the write below, which says where
    std::filesystem::create_directories(std::u8string(config.begin(), config.end()) + u8"/git", ignored);
    return config + "/git/attributes";
}

// Adds the attributes line unless the file has it, by writing the whole new file beside it and
// renaming it into place.
bool addAttributesLine(const std::string& path) {
    MachineFileSystem fs;
    std::string text;
    if (fs.exists(path)) {
        ReadOutcome read = fs.readWhole(path);
        if (read.status != ReadStatus::Ok) {
            printError(msg::cannotRead(path, read.reason));
            return false;
        }
        text.assign(read.text.data(), read.text.size());
    }
    if (("\n" + text).find("\n" + std::string(kAttributesLine) + "\n") != std::string::npos ||
        text.ends_with("\n" + std::string(kAttributesLine)) || text == kAttributesLine) {
        return true;
    }
    if (!text.empty() && !text.ends_with('\n')) {
        text += '\n';
    }
    text += std::string(kAttributesLine) + "\n";
    const std::string temp = path + ".korvane-new.tmp";
    FsError err = fs.writeNewDurable(temp, {text}, std::nullopt);
    if (!err) {
        err = fs.rename(temp, path);
    }
    if (err) {
        (void)fs.remove(temp);
        printError(msg::saveFailedUnchanged(std::string(msg::kWriting), path, *err));
        return false;
    }
    return true;
}

using Setting = std::pair<std::string, std::string>;

// The settings as git's configuration file and the attributes file hold them, for the user to read.
std::string configurationText(const std::vector<Setting>& settings, bool global) {
    std::string text = global ? "# ~/.gitconfig\n" : "# .git/config\n";
    std::string section;
    for (const auto& [key, value] : settings) {
        const std::size_t dot = key.find('.'), last = key.rfind('.');
        const std::string head = "[" + key.substr(0, dot) + " \"korvane\"]";
        if (head != section) {
            text += head + "\n";
            section = head;
        }
        std::string escaped;
        for (char c : value) {
            escaped += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
        }
        text += "\t" + key.substr(last + 1) + " = " + escaped + "\n";
    }
    text += global ? "# ~/.config/git/attributes\n" : "# .gitattributes\n";
    return text + std::string(kAttributesLine) + "\n";
}

}  // namespace

int gitSetupCommand(const std::vector<std::string>& args) {
    static constexpr OptionSpec kOptions[] = {{"--global"}, {"--apply"}};
    CommandArgs parsed;
    int stopped = kExitStopped;
    if (!parseCommand(args, {"git-setup", kOptions}, parsed, stopped)) {
        return stopped;
    }
    const bool global = parsed.has("--global"), apply = parsed.has("--apply");
    std::string cli, desktop;
    ownPrograms(cli, desktop);
    const std::vector<Setting> settings = {
        {"merge.korvane.name", "Korvane: TiddlyWiki files, tiddler by tiddler"},
        {"merge.korvane.driver", shellWord(cli) + " merge-driver %O %A %B %P %L %X %Y"},
        {"merge.korvane.recursive", "binary"},
        {"mergetool.korvane.cmd",
         shellWord(desktop) +
             " /local \"$LOCAL\" /remote \"$REMOTE\" /lastmerge \"$BASE\" /output \"$MERGED\""},
        {"mergetool.korvane.trustExitCode", "true"},
    };
    const std::string text = configurationText(settings, global);
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0) {
        return kExitStopped;
    }
    if (!apply) {
        return kExitOk;
    }
    for (const auto& [key, value] : settings) {
        std::vector<std::string> argv = {"git", "config"};
        if (global) {
            argv.push_back("--global");
        }
        argv.insert(argv.end(), {key, value});
        if (runProgram(argv) != 0) {
            printError("Error: \"git config " + key + "\" failed; nothing more was changed.");
            return kExitStopped;
        }
    }
    const std::string attributes = attributesFile(global);
    if (attributes.empty()) {
        printError("Error: Not inside a git repository: the .gitattributes line was not written.");
        return kExitStopped;
    }
    if (!addAttributesLine(attributes)) {
        return kExitStopped;
    }
    printError("Wrote the merge driver and merge tool settings into " +
               std::string(global ? "~/.gitconfig" : ".git/config") + " and \"" +
               std::string(kAttributesLine) + "\" into " + attributes + "." +
               (global ? ""
                       : " Commit .gitattributes, so that the other clones of this repository merge the "
                         "wiki with Korvane too."));
    return kExitOk;
}

}  // namespace korvane::cli
