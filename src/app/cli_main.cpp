// korvane-cli: the headless companion of Korvane, for scripts and for checking what a merge will do.
//   korvane-cli list FILE    one line per tiddler: INDEX TITLE MODIFIER MODIFIED CREATED LENGTH
//   korvane-cli plan /local L /remote R [/lastmerge U] [--no-field-merge] [--no-find-base]
//                            one line per visited title: N CASE ACTION TITLE; writes nothing
//   korvane-cli --write-demo FOLDER   writes the sample trios of `korvane --write-demo`
//   korvane-cli help [COMMAND] | -h | --help | --version
// Fields are tab-separated; a tab, line feed, carriage return or backslash in a value is written as
// \t, \n, \r or \\, so that one tiddler is always one line.
// Exit status: 0 success, 1 the merge would need the user, 2 bad usage or unreadable input.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/CliArgs.h"
#include "app/CliCommands.h"
#include "app/CliHelp.h"
#include "app/CliMessages.h"
#include "app/DemoTrio.h"
#include "merge/Messages.h"
#include "merge/format/FormatMessages.h"
#include "merge/model/ConflictQuestion.h"
#include "merge/model/Visit.h"
#include "merge/run/MergeRun.h"
#include "merge/run/Policy.h"
#include "merge/run/RunMessages.h"
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
    std::string(cli::kMergeUsage) +
    "       korvane-cli --write-demo FOLDER\n"
    "       korvane-cli help [COMMAND] | --version\n"
    "\n"
    "korvane-cli help COMMAND (or korvane-cli COMMAND --help) says what the command reads and writes,\n"
    "and what each exit status means: 0 done, 1 a person is needed, 2 bad usage or stopped.\n";

int usage() {
    std::fwrite(kUsage.data(), 1, kUsage.size(), stderr);
    return kExitUsage;
}

constexpr std::string_view kListFiles[] = {"FILE"};
constexpr cli::OptionSpec kPlanOptions[] = {{"--no-field-merge"}, {"--no-find-base"}};

int listCommand(const std::vector<std::string>& args) {
    cli::CommandArgs parsed;
    int status = kExitUsage;
    if (!cli::parseCommand(args, {"list", {}, false, kListFiles}, parsed, status)) {
        return status;
    }
    const std::string& path = parsed.files[0];
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
        err(cli::withAdvice(msg::withoutNoFileChanged(msg::documentRefused(msg::kEncrypted, "File", path)),
                            "list"));
        return kExitUsage;
    }
    TiddlerList list;
    const SplitOutcome outcome = formatOf(read.text).list(read.text, list);
    if (outcome.problem == PageProblem::NoStore) {
        err(msg::kNoStoreArea);
        err(cli::notAWiki(path));
        return kExitUsage;
    }
    if (outcome.problem == PageProblem::StoreDamaged) {
        err(msg::withoutNoFileChanged(msg::documentRefused(outcome.text, "File", path)));
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
        err(msg::withoutNoFileChanged(msg::documentRefused(outcome.text, "File", path)));
        return kExitUsage;
    }
    return kExitOk;
}

// Answers the loading stage without a window: messages go to standard error, and the offer of the
// local file's .LastMerge copy is taken, as a user who keeps merging with the same friend would.
class CliHost : public MergeHost {
  public:
    void showMessage(const std::string& text, MessageIcon, const std::string&) override {
        err(cli::withAdvice(msg::withoutNoFileChanged(text), "plan"));
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
    ConflictSettlement settleConflict(const ConflictQuestion&) override { return {}; }
    void setUneditedPath(const std::string&) override {}
    std::string presentTimeText() override { return {}; }
    void endProgram() override {}
};

int planCommand(const std::vector<std::string>& args) {
    cli::CommandArgs parsed;
    int status = kExitUsage;
    if (!cli::parseCommand(args, {"plan", kPlanOptions, true}, parsed, status)) {
        return status;
    }
    const MergePaths& paths = parsed.paths;
    const bool mergeInside = !parsed.has("--no-field-merge"), findCopy = !parsed.has("--no-find-base");
    CliHost host;
    MachineFileSystem fs;
    MergeRun run(host, fs, paths);
    run.settings().mergeInside = mergeInside;
    run.settings().findCopy = findCopy;
    if (!run.load()) {
        return run.trio().identical ? kExitOk : kExitUsage;
    }
    const VisitingList titles = run.titles();
    // The line with which `merge` stops: a side that would delete most of the wiki needs a person.
    const std::vector<MassDeletion> deletions = massDeletions(run.trio(), titles);
    for (const MassDeletion& d : deletions) {
        err(msg::withoutNoFileChanged(msg::massDeletionStopped(d.byRemote, d.deleted, d.held, d.path)));
    }
    bool wouldAsk = !deletions.empty();
    const MergePlan plan = run.plan(titles);
    std::size_t next = 0;
    std::string line;
    for (std::size_t n = 0; n < titles.size(); ++n) {
        const PlanItem* item =
            next < plan.items.size() && plan.items[next].visit == n ? &plan.items[next++] : nullptr;
        const MergeCase mergeCase = item ? item->mergeCase : titles.visit(n).mergeCase;
        line = std::to_string(n + 1) + '\t' + static_cast<char>(mergeCase) + '\t';
        if (item == nullptr) {
            line += "keep";  // local and remote hold the same tiddler
        } else if (item->outcome == Outcome::Merged) {
            line += "merge";  // one version with both sides' edits
        } else if (item->needsYou) {
            wouldAsk = true;
            line += item->planned == Outcome::Both    ? "ask:b"
                    : item->planned == Outcome::Local ? "ask:l"
                                                      : "ask:s";
        } else {
            line += decisionName(item->planned, mergeCase);
        }
        line += '\t';
        cli::appendEscaped(line, titles.title(n));
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
    std::vector<std::string> args = programArguments(argc, argv);
    // "help [COMMAND]" and "-h" are "--help" and "COMMAND --help".
    if (!args.empty() && (args[0] == "help" || args[0] == "-h" || args[0] == "--help")) {
        if (args.size() > 2) {
            return cli::usageError({},
                                   args[0] + " takes one COMMAND, not " + std::to_string(args.size() - 1));
        }
        args.erase(args.begin());
        args.push_back("--help");
    }
    if (args.size() == 1 && args[0] == "--help") {
        out(kUsage);
        return std::fflush(stdout) == 0 ? kExitOk : kExitUsage;
    }
    if (args.size() == 1 && args[0] == "--version") {
        out("korvane-cli " KORVANE_VERSION "\n");
        return std::fflush(stdout) == 0 ? kExitOk : kExitUsage;
    }
    if (args.size() == 2 && args[0] == "--write-demo") {
        std::string error;
        if (!demo::writeDemoTrio(args[1], error)) {
            err(error);
            return kExitUsage;
        }
        return kExitOk;
    }
    if (args.empty()) {
        return usage();
    }
    // COMMAND --help: that command's usage, which files it writes, and what its exit statuses mean.
    if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h")) {
        for (const auto& [word, help] : cli::kCommandHelp) {
            if (args[0] == word) {
                return cli::printHelp(word);
            }
        }
    }
    const std::pair<std::string_view, int (*)(const std::vector<std::string>&)> commands[] = {
        {"list", listCommand},
        {"plan", planCommand},
        {"merge", cli::mergeCommand},
        {"merge-driver", cli::mergeDriverCommand},
        {"conflicts", cli::conflictsCommand},
        {"undo", cli::undoCommand},
        {"backups", cli::backupsCommand},
        {"git-setup", cli::gitSetupCommand},
    };
    for (const auto& [word, command] : commands) {
        if (args[0] == word) {
            return command(args);
        }
    }
    if (args[0].starts_with("-")) {
        return cli::unknownOption({}, args[0]);
    }
    return cli::usageError({}, "there is no command \"" + args[0] + "\"");
}
