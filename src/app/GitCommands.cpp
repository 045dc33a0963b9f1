// `korvane-cli git-setup`: the configuration that makes Korvane git's merge driver and merge tool,
// printed, and with --apply written by git itself and into the attributes file.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <openssl/crypto.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/CliCommands.h"
#include "merge/Messages.h"
#include "merge/sync/SyncCopies.h"
#include "platform/FileSystem.h"

extern char** environ;

namespace korvane::cli {

int runProgram(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const std::string& a : argv) {
        pointers.push_back(const_cast<char*>(a.c_str()));
    }
    pointers.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runProgramOutput(const std::vector<std::string>& argv, std::string& output) {
    std::vector<char*> pointers;
    for (const std::string& a : argv) {
        pointers.push_back(const_cast<char*>(a.c_str()));
    }
    pointers.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return -1;
    }
    char buffer[4096];
    for (ssize_t n = 0; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
        } else if (errno != EINTR) {
            break;
        }
    }
    OPENSSL_cleanse(buffer, sizeof buffer);
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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
// program beside it when it is there (otherwise as found on PATH).
void ownPrograms(std::string& cli, std::string& desktop) {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    cli = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string("korvane-cli");
    desktop = folderOf(cli) + "/korvane";
    if (n <= 0 || access(desktop.c_str(), X_OK) != 0) {
        desktop = "korvane";
    }
}

constexpr std::string_view kAttributesLine = "*.html merge=korvane";

// The first line a program prints, without its line break; empty when it printed nothing or failed.
std::string firstLineOf(const std::string& command) {
    std::string line;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        if (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            line = buffer;
        }
        if (pclose(pipe) != 0) {
            line.clear();
        }
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

std::string attributesFile(bool global) {
    if (!global) {
        const std::string top = firstLineOf("git rev-parse --show-toplevel 2>/dev/null");
        return top.empty() ? std::string() : top + "/.gitattributes";
    }
    std::string configured = firstLineOf("git config --global --path core.attributesFile 2>/dev/null");
    if (!configured.empty()) {
        return configured;
    }
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string config =
        xdg != nullptr && *xdg != '\0' ? xdg : std::string(home ? home : "") + "/.config";
    runProgram({"mkdir", "-p", config + "/git"});
    return config + "/git/attributes";
}

// Adds the attributes line unless the file has it, by writing the whole new file beside it and
// renaming it into place.
bool addAttributesLine(const std::string& path) {
    PosixFileSystem fs;
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
    bool global = false, apply = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--global") {
            global = true;
        } else if (args[i] == "--apply") {
            apply = true;
        } else {
            printError("Usage:\n" + std::string(kMergeUsage));
            return kExitStopped;
        }
    }
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
