// korvane-cli: the headless companion of Korvane, for scripts and for checking what a merge will do.
//   korvane-cli list FILE    one line per tiddler: INDEX TITLE MODIFIER MODIFIED CREATED LENGTH
//   korvane-cli plan /local L /remote R [/lastmerge U] [--no-field-merge] [--no-find-base]
//                            one line per visited title: N CASE ACTION TITLE; writes nothing
//   korvane-cli --help | --version
// Fields are tab-separated; a tab, line feed, carriage return or backslash in a value is written as
// \t, \n, \r or \\, so that one tiddler is always one line.
// Exit status: 0 success, 1 the merge would need the user, 2 bad usage or unreadable input.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/CliCommands.h"
#include "app/CliHelp.h"
#include "merge/Messages.h"
#include "merge/run/MergePlan.h"
#include "merge/run/MergeRun.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace korvane {

void cli::appendEscaped(std::string& line, std::string_view value) {
    for (char c : value) {
        switch (c) {
            case '\t':
                line += "\\t";
                break;
            case '\n':
                line += "\\n";
                break;
            case '\r':
                line += "\\r";
                break;
            case '\\':
                line += "\\\\";
                break;
            default:
                line += c;
        }
    }
}

}  // namespace korvane

namespace {

using namespace korvane;

constexpr int kExitOk = 0;
constexpr int kExitWouldAsk = 1;
constexpr int kExitUsage = 2;

void out(std::string_view s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
}
void err(std::string_view s) {
    std::fwrite(s.data(), 1, s.size(), stderr);
    std::fputc('\n', stderr);
}

const std::string kUsage =
    std::string(
        "Usage: korvane-cli list FILE\n"
        "       korvane-cli plan /local LOCAL /remote REMOTE [/lastmerge UNEDITED] [--no-field-merge]\n"
        "                        [--no-find-base]\n") +
    std::string(cli::kMergeUsage) + "       korvane-cli --help | --version\n";

int usage() {
    std::fwrite(kUsage.data(), 1, kUsage.size(), stderr);
    return kExitUsage;
}

int listCommand(const std::string& path) {
    MachineFileSystem fs;
    ReadOutcome read = fs.readWhole(path);
    if (read.status == ReadStatus::OpenFailed) {
        err(msg::withoutNoFileChanged(msg::cannotRead(path, read.reason)));
        return kExitUsage;
    }
    if (read.status == ReadStatus::Short) {
        err(msg::kFileFormat);
        return kExitUsage;
    }
    if (isEncryptedWiki(read.text)) {
        err(msg::withoutNoFileChanged(msg::documentRefused(msg::kEncrypted, "File", path)));
        return kExitUsage;
    }
    TiddlerList list;
    const SplitOutcome outcome = formatOf(read.text).list(read.text, list);
    if (outcome.problem == PageProblem::NoStore) {
        err(msg::kNoStoreArea);
        return kExitUsage;
    }
    if (outcome.problem == PageProblem::StoreDamaged) {
        err(msg::withoutNoFileChanged(msg::documentRefused(msg::storeDamaged(outcome.detail), "File", path)));
        return kExitUsage;
    }
    std::string line;
    for (std::size_t i = 0; i < list.size(); ++i) {
        line.clear();
        line += std::to_string(i + 1);
        for (std::string_view field :
             {list.colTitles[i], list.colModifiers[i], list.colModified[i], list.colCreated[i]}) {
            line += '\t';
            cli::appendEscaped(line, field);
        }
        line += '\t';
        line += std::to_string(list.colDivs[i].size());
        line += '\n';
        out(line);
    }
    if (std::fflush(stdout) != 0) {
        return kExitUsage;
    }
    // What could be read is listed, but a store area that never closes must not pass for a whole one.
    if (outcome.problem == PageProblem::StoreCutShort) {
        err(msg::withoutNoFileChanged(msg::documentRefused(msg::kStoreAreaCutShort, "File", path)));
        return kExitUsage;
    }
    return kExitOk;
}

// Answers the loading stage without a window: messages go to standard error, and the offer of the
// local file's .LastMerge copy is taken, as a user who keeps merging with the same friend would.
class CliHost : public MergeHost {
  public:
    void showMessage(const std::string& text, MessageIcon, const std::string&) override {
        err(msg::withoutNoFileChanged(text));
    }
    // Takes the .LastMerge offer; says No to anything else, after printing the question, so that it
    // changes no file (what a save that was cut off left behind is only reported).
    bool ask(const Question& q) override {
        if (q.kind == QuestionKind::UseLastMerge) {
            if (!q.yesIsDefault) {
                err(std::string(msg::kLastMergeNotUsed));
            }
            return q.yesIsDefault;
        }
        err(msg::withoutNoFileChanged(q.text));
        return false;
    }
    // Takes a found earlier save as `merge` would, and names it.
    bool useFoundCopy(const FoundCopy& c) override {
        err(msg::foundCopyUsed(c.path, localMinute(c.saved), c.explained, c.differences, c.yours, c.friends));
        return true;
    }
    void foundCopyRefused(const std::string& why) override { err(why); }
    ConflictAnswer settleConflict(const ConflictRequest&) override { return {}; }
    void setUneditedPath(const std::string&) override {}
    std::string presentTimeText() override { return {}; }
    void endProgram() override {}
};

int planCommand(const std::vector<std::string>& args) {
    MergePaths paths;
    bool haveLocal = false;
    bool haveRemote = false;
    bool mergeInside = true, findCopy = true;
    for (std::size_t i = 1; i < args.size(); i += 2) {
        if (args[i] == "--no-field-merge" || args[i] == "--no-find-base") {
            (args[i] == "--no-field-merge" ? mergeInside : findCopy) = false;
            --i;
            continue;
        }
        if (i + 1 >= args.size()) {
            return usage();
        }
        if (args[i] == "/local") {
            paths.local = args[i + 1];
            haveLocal = true;
        } else if (args[i] == "/remote") {
            paths.remote = args[i + 1];
            haveRemote = true;
        } else if (args[i] == "/lastmerge") {
            paths.unedited = args[i + 1];
        } else {
            return usage();
        }
    }
    if (!haveLocal || !haveRemote) {
        return usage();
    }
    CliHost host;
    MachineFileSystem fs;
    MergeRun run(host, fs, paths);
    run.mergeInsideTiddlers(mergeInside);
    run.findUneditedCopy(findCopy);
    if (!run.load()) {
        return run.identical() ? kExitOk : kExitUsage;
    }
    const VisitingList titles = run.titles();
    bool wouldAsk = false;
    std::string line;
    for (std::size_t n = 1; n <= titles.size(); ++n) {
        const Visit v = titles.visit(n - 1);
        line = std::to_string(n) + '\t' + static_cast<char>(v.mergeCase) + '\t';
        if (v.passesSilently()) {
            line += "keep";
        } else if (run.mergedVersion(v)) {
            line += "merge";  // as `merge` would: one version with both sides' edits
        } else {
            wouldAsk = true;
            line += "ask:";
            line += choiceCode(v.recommended());
        }
        line += '\t';
        cli::appendEscaped(line, v.title);
        line += '\n';
        out(line);
    }
    if (std::fflush(stdout) != 0) {
        return kExitUsage;
    }
    return wouldAsk ? kExitWouldAsk : kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = programArguments(argc, argv);
    if (args.size() == 1 && args[0] == "--help") {
        out(kUsage);
        return std::fflush(stdout) == 0 ? kExitOk : kExitUsage;
    }
    if (args.size() == 1 && args[0] == "--version") {
        out("korvane-cli " KORVANE_VERSION "\n");
        return std::fflush(stdout) == 0 ? kExitOk : kExitUsage;
    }
    // COMMAND --help: that command's usage, and which files it writes.
    for (const auto& [word, help] : cli::kCommandHelp) {
        if (args.size() == 2 && args[0] == word && args[1] == "--help") {
            out(help);
            return std::fflush(stdout) == 0 ? kExitOk : kExitUsage;
        }
    }
    if (args.size() == 2 && args[0] == "list") {
        return listCommand(args[1]);
    }
    if (!args.empty() && args[0] == "plan") {
        return planCommand(args);
    }
    // The commands that merge and write, and the ones that set Korvane up beside git and sync tools.
    const std::pair<std::string_view, int (*)(const std::vector<std::string>&)> commands[] = {
        {"merge", cli::mergeCommand},         {"merge-driver", cli::mergeDriverCommand},
        {"conflicts", cli::conflictsCommand}, {"undo", cli::undoCommand},
        {"backups", cli::backupsCommand},     {"git-setup", cli::gitSetupCommand},
    };
    for (const auto& [word, command] : commands) {
        if (!args.empty() && args[0] == word) {
            return command(args);
        }
    }
    return usage();
}
