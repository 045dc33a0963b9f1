#include "app/CliArgs.h"

#include <algorithm>
#include <cstdio>

#include "app/CliCommands.h"
#include "app/CliHelp.h"

namespace korvane::cli {

namespace {

constexpr std::string_view kPathWords[] = {"/local", "/remote", "/lastmerge"};

std::string_view helpOf(std::string_view command) {
    for (const auto& [word, help] : kCommandHelp) {
        if (word == command) {
            return help;
        }
    }
    return {};
}

// "both|local|remote|newer" as a sentence: "both, local, remote or newer".
std::string choicesText(std::string_view choices) {
    std::string text(choices);
    const std::size_t last = text.rfind('|');
    if (last != std::string::npos) {
        text.replace(last, 1, " or ");
    }
    std::replace(text.begin(), text.end(), '|', ',');
    for (std::size_t at = 0; (at = text.find(',', at)) != std::string::npos; at += 2) {
        text.insert(at + 1, " ");
    }
    return text;
}

bool isChoice(std::string_view choices, std::string_view value) {
    for (std::size_t start = 0;;) {
        const std::size_t bar = choices.find('|', start);
        if (choices.substr(start, bar - start) == value) {
            return true;
        }
        if (bar == std::string_view::npos) {
            return false;
        }
        start = bar + 1;
    }
}

// A word that can only be meant as an option: "-x", "--word", or (where paths are named by option
// words) "/word" of letters alone, such as a mistyped "/locl".
bool looksLikeOption(std::string_view word, bool paths) {
    if (word.size() > 1 && word[0] == '-') {
        return true;
    }
    return paths && word.size() > 1 && word[0] == '/' &&
           std::all_of(word.begin() + 1, word.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

}  // namespace

bool CommandArgs::has(std::string_view option) const {
    return std::any_of(given.begin(), given.end(), [&](const auto& g) { return g.first == option; });
}

std::string CommandArgs::value(std::string_view option) const {
    std::string found;
    for (const auto& [name, value] : given) {
        if (name == option) {
            found = value;
        }
    }
    return found;
}

std::string usageOf(std::string_view command) {
    const std::string_view help = helpOf(command);
    if (help.empty()) {
        std::string names;
        for (const auto& [word, text] : kCommandHelp) {
            names += (names.empty() ? "" : ", ") + std::string(word);
        }
        return "Usage: korvane-cli COMMAND ..., COMMAND one of " + names +
               "\n       korvane-cli help [COMMAND]\n";
    }
    return std::string(help.substr(0, help.find("\n\n") + 1));
}

int usageError(std::string_view command, const std::string& problem) {
    printError("korvane-cli: " + problem);
    const std::string usage = usageOf(command);
    std::fwrite(usage.data(), 1, usage.size(), stderr);
    return kExitStopped;
}

int unknownOption(std::string_view command, std::string_view option) {
    const std::string name = command.empty() ? "" : " " + std::string(command);
    printError("korvane-cli: unknown option " + std::string(option) + (command.empty() ? "" : " for") + name +
               "; see korvane-cli" + name + " --help");
    return kExitStopped;
}

int printHelp(std::string_view command) {
    const std::string_view help = helpOf(command);
    std::fwrite(help.data(), 1, help.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitStopped;
}

namespace {

// Takes an option given as args[i], and its value when it has one (i then moves on to it); false after
// a missing value or one that is none of its choices was named.
bool takeOption(const std::vector<std::string>& args, std::size_t& i, std::string_view command,
                const OptionSpec& option, CommandArgs& parsed, int& status) {
    const std::string& word = args[i];
    if (option.value.empty()) {
        parsed.given.emplace_back(option.name, std::string());
        return true;
    }
    const bool choices = option.value.find('|') != std::string_view::npos;
    const std::string wanted = choices ? "one of " + choicesText(option.value) : std::string(option.value);
    if (i + 1 >= args.size() || args[i + 1].empty()) {
        status = usageError(command, word + " needs " + wanted);
        return false;
    }
    const std::string& value = args[++i];
    if (choices && !isChoice(option.value, value)) {
        status = usageError(command, word + " takes " + wanted + ", not \"" + value + "\"");
        return false;
    }
    parsed.given.emplace_back(option.name, value);
    return true;
}

// After the words: a file without a path word before it, a missing /local or /remote, a missing file.
bool checkGiven(const CommandSpec& spec, const CommandArgs& parsed, const bool named[3],
                const std::string& unnamed, int& status) {
    const std::string name(spec.name);
    if (!unnamed.empty()) {
        status = usageError(spec.name, "\"" + unnamed + "\" has no /local, /remote or /lastmerge before it");
        return false;
    }
    if (spec.paths && (!named[0] || !named[1])) {
        status = usageError(spec.name, name + " needs " +
                                           (named[0]   ? "/remote REMOTE"
                                            : named[1] ? "/local LOCAL"
                                                       : "/local LOCAL and /remote REMOTE"));
        return false;
    }
    if (parsed.files.size() < spec.files.size()) {
        status = usageError(spec.name, name + " needs " + std::string(spec.files[parsed.files.size()]));
        return false;
    }
    return true;
}

}  // namespace

bool parseCommand(const std::vector<std::string>& args, const CommandSpec& spec, CommandArgs& parsed,
                  int& status) {
    const std::string name(spec.name);
    bool named[3] = {};
    std::string unnamed;  // the first file given without a path word before it
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            status = printHelp(spec.name);
            return false;
        }
        const auto pathWord = std::find(std::begin(kPathWords), std::end(kPathWords), word);
        if (spec.paths && pathWord != std::end(kPathWords)) {
            if (i + 1 >= args.size()) {
                status = usageError(spec.name, word + " needs a path");
                return false;
            }
            const auto role = static_cast<std::size_t>(pathWord - std::begin(kPathWords));
            (role == 0   ? parsed.paths.local
             : role == 1 ? parsed.paths.remote
                         : parsed.paths.unedited) = args[++i];
            named[role] = true;
            continue;
        }
        const auto option = std::find_if(spec.options.begin(), spec.options.end(),
                                         [&](const OptionSpec& o) { return o.name == word; });
        if (option == spec.options.end() && looksLikeOption(word, spec.paths)) {
            status = unknownOption(spec.name, word);
            return false;
        }
        if (option == spec.options.end()) {
            if (parsed.files.size() < spec.files.size()) {
                parsed.files.push_back(word);
            } else if (!spec.paths) {
                status = usageError(spec.name, name + " takes no further word: \"" + word + "\"");
                return false;
            } else if (unnamed.empty()) {
                unnamed = word;
            }
            continue;
        }
        if (!takeOption(args, i, spec.name, *option, parsed, status)) {
            return false;
        }
    }
    return checkGiven(spec, parsed, named, unnamed, status);
}

}  // namespace korvane::cli
