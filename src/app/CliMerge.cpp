// `korvane-cli merge` and `korvane-cli merge-driver`: a whole merge run with no person present. The
// questions of the run are answered by the conflict rule; everything else (the checks, the conflict
// copies, the guarded save) is the desktop program's own run.

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <optional>

#include "app/CliArgs.h"
#include "app/CliCommands.h"
#include "app/CliMessages.h"
#include "document/Text.h"
#include "merge/Messages.h"
#include "merge/format/FormatMessages.h"
#include "merge/model/ConflictQuestion.h"
#include "merge/run/MergeRun.h"
#include "merge/run/Policy.h"
#include "merge/save/Recovery.h"
#include "merge/save/SaveMessages.h"
#include "merge/sync/SyncCopies.h"
#include "platform/Process.h"

namespace korvane::cli {

void printError(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

std::string notAWiki(const std::string& path) {
    return path + " is not a TiddlyWiki file: no tiddler store was found in it.";
}

std::string withAdvice(const std::string& message, std::string_view command) {
    if (message.starts_with(std::string(msg::kNoStoreArea) + "\n")) {
        // The role line names the file: ROLE: "PATH". (then perhaps " No file was changed.")
        const std::string text = msg::withoutNoFileChanged(message);
        const std::size_t open = text.find(": \"", msg::kNoStoreArea.size());
        if (open != std::string::npos && text.ends_with("\".")) {
            return message + "\n" + notAWiki(text.substr(open + 3, text.size() - open - 5));
        }
    }
    if (!message.starts_with(msg::kEncrypted)) {
        return message;
    }
    if (command == "merge") {
        return message +
               "\nGive its password with --password-file FILE (the first line of FILE; - for "
               "standard input).";
    }
    if (command == "merge-driver") {
        return message +
               "\nGive its password with --password-file FILE in git's merge.korvane.driver, or "
               "name a command that prints it: git config korvane.passwordCommand COMMAND.";
    }
    return message + "\nkorvane-cli " + std::string(command) +
           " does not read encrypted wikis; korvane-cli merge opens them with --password-file FILE, git's "
           "merge driver also with git config korvane.passwordCommand COMMAND.";
}

namespace {

// The moment a conflict copy is named after: now, or SOURCE_DATE_EPOCH when set (reproducible runs),
// as YYYY-MM-DD HH:MM:SS local time; the date alone at exactly midnight.
std::string presentTime() {
    std::time_t now = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
        now = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
    }
    const std::tm local = localTime(now);
    char text[32];
    const bool midnight = local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0;
    const std::size_t n =
        std::strftime(text, sizeof text, midnight ? "%Y-%m-%d" : "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, n);
}

// The first line of a password file (`-`: standard input), without its line end; an error message when
// it cannot be read, or is a pipe that gave no line within the time limit. A named pipe
// (`--password-file <(pass show wiki)`) is a password file too.
std::string readPasswordFile(const std::string& path, Secret& password) {
    keepOutOfCoreDumps();  // before the password is in memory; for the rest of the run
    std::string text;
    const int error = readFirstLine(path, text, kPasswordSeconds);
    password = Secret(std::string_view(text).substr(0, text.find_first_of("\r\n")));
    wipeText(text);
    return error == 0           ? std::string()
           : error == ETIMEDOUT ? msg::passwordFileSilent(path, kPasswordSeconds)
                                : msg::passwordFileUnreadable(path, std::strerror(error));
}

// The password that git's configuration value korvane.passwordCommand gives for the wiki at `path`: the
// command runs in the shell with the path as its argument, standard input closed and the time limit,
// and the first line it prints is the password, as git runs a credential helper. Empty without such a
// value; an error when the command fails, prints no password or does not end in time.
std::string passwordFromCommand(const std::string& path, Secret& password) {
    std::string command = firstLineOf({"git", "config", "--get", "korvane.passwordCommand"});
    if (command.find_first_not_of(" \t\r\n") == std::string::npos) {
        return {};
    }
    command.erase(command.find_last_not_of(" \t\r\n") + 1);
    std::string output;
    const int status =
        programOutput({"sh", "-c", command + " \"$@\"", command, path}, output, kPasswordSeconds);
    password = Secret(std::string_view(output).substr(0, output.find_first_of("\r\n")));
    wipeText(output);
    if (status == kTimedOut) {
        return msg::passwordCommandTimedOut(command, kPasswordSeconds);
    }
    if (status != 0) {
        return msg::passwordCommandFailed(command, status);
    }
    return password.empty() ? msg::passwordCommandSilent(command) : std::string();
}

// Answers a merge run by rule: every question that a person would settle, and the run's Yes/No
// questions, the way that changes nothing a person did not ask for.
// The differences of a settled plan, counted, with a line for each.
struct PlanReport {
    explicit PlanReport(const MergePlan& plan) {
        for (const PlanItem& item : plan.items) {
            if (item.difference) {  // deleted on both sides: nothing to say about it
                add(item);
            }
        }
    }

    std::string lines;
    std::size_t differed = 0;
    std::size_t conflicts = 0;
    std::size_t merged = 0;
    std::vector<std::string> conflictTitles;  // escaped: the conflict copy's title where one was made
    std::vector<std::string> inertCopies;     // a line for each active tiddler kept with an inert copy

  private:
    void add(const PlanItem& item) {
        ++differed;
        merged += item.outcome == Outcome::Merged ? 1 : 0;
        if (item.needsYou) {
            ++conflicts;
            std::string& name = conflictTitles.emplace_back();
            const bool copied = item.outcome == Outcome::Both && !item.conflictTitle.empty();
            appendEscaped(name, copied ? std::string_view(item.conflictTitle) : item.title);
            if (copied && item.inertCopy) {
                std::string title;
                appendEscaped(title, item.title);
                inertCopies.push_back(msg::inertCopyKept(title, item.localKept, name, item.renamedFields));
            }
        }
        lines += std::to_string(item.visit + 1) + '\t' + static_cast<char>(item.mergeCase) + '\t';
        lines += decisionName(item.outcome, item.mergeCase);
        lines += '\t';
        appendEscaped(lines, item.title);
        lines += '\n';
    }
};

class PolicyHost : public MergeHost {
  public:
    PolicyHost(std::string_view command, bool takeLastMerge, bool allowDeletions, bool deleteCopy = false)
        : m_command(command),
          m_takeLastMerge(takeLastMerge),
          m_allowDeletions(allowDeletions),
          m_deleteCopy(deleteCopy) {}

    void showMessage(const std::string& text, MessageIcon, const std::string&) override {
        say(withAdvice(text, m_command));
    }
    bool ask(const Question& q) override {
        switch (q.kind) {
            case QuestionKind::UseLastMerge:
                // A .LastMerge copy that cannot be where both sides started is offered with No as the
                // default (a message said why); without a person, it is not taken.
                if (m_takeLastMerge && !q.yesIsDefault) {
                    say(std::string(msg::kLastMergeNotUsed));
                }
                return m_takeLastMerge && q.yesIsDefault;
            case QuestionKind::SaveFiles:
            case QuestionKind::SaveOutput:
                return true;
            case QuestionKind::KeepEdits:
                return false;  // nothing was edited: the stored version stays
            case QuestionKind::MassDeletion:
                return m_allowDeletions;
            case QuestionKind::DeleteSyncCopy:
                return m_deleteCopy;  // the summary says whether the copy went
            case QuestionKind::UseSyncCopy:
            case QuestionKind::UseFoundCopy:
            case QuestionKind::InterruptedSave:
                break;
        }
        // What a save that was cut off left behind is only reported, never put in order unasked.
        say(q.text);
        return false;
    }
    // A run without a person settles its plan instead of answering dialogs.
    ConflictSettlement settleConflict(const ConflictQuestion&) override { return {}; }
    // A found earlier save is taken, and named, since the merge's results depend on it.
    bool useFoundCopy(const FoundCopy& c) override {
        say(msg::foundCopyUsed(c.path, localMinute(c.saved), c.explained, c.differences, c.yours, c.friends));
        return true;
    }
    void foundCopyRefused(const std::string& why) override { say(why); }
    // A side that would delete most of the wiki stops the run unless the command line allows it.
    bool allowMassDeletion(const MassDeletion& d) override {
        if (!m_allowDeletions) {
            say(msg::massDeletionStopped(d.byRemote, d.deleted, d.held, d.path));
        }
        return m_allowDeletions;
    }
    // The password read from a file before the run; when there is none, why (said when one is wanted).
    void givePassword(Secret password, std::string whyNone) {
        m_password = std::move(password);
        m_whyNone = std::move(whyNone);
        m_passwordFetched = true;
    }
    // The one password given on the command line or by git's configuration, asked for once; a password
    // that does not open a document is not asked for again. A source that gave no password stops the
    // run with its own reason.
    PasswordAnswer askPassword(const PasswordRequest& r) override {
        if (!m_passwordFetched && passwordSource) {
            m_passwordFetched = true;
            m_whyNone = passwordSource(m_password);
        }
        if (!m_whyNone.empty()) {
            say(m_whyNone);
            m_whyNone.clear();
            return {PasswordAnswer::Kind::Cancelled, Secret()};
        }
        if (r.wrongBefore || m_password.empty()) {
            return {};
        }
        return {PasswordAnswer::Kind::Given, Secret(m_password.view())};
    }
    void setUneditedPath(const std::string&) override {}
    std::string presentTimeText() override { return presentTime(); }
    void endProgram() override {}

    // Where the password comes from: fills it, or gives an error message.
    std::function<std::string(Secret&)> passwordSource;
    // Paths that the lines printed name, quoted, by another name: git's temporary files of the driver by
    // the path of the wiki that the person knows.
    std::vector<std::pair<std::string, std::string>> shownAs;

    // Prints a line on standard error, each path of shownAs by its other name.
    void say(std::string text) const {
        for (const auto& [path, name] : shownAs) {
            text = replaceAll(text, msg::quoted(path), msg::quoted(name));
        }
        printError(text);
    }

  private:
    std::string_view m_command;
    bool m_takeLastMerge;
    bool m_allowDeletions;
    bool m_deleteCopy;
    Secret m_password;
    std::string m_whyNone;
    bool m_passwordFetched = false;
};

// Reads a password file for the host before the run: a file that cannot be read stops the command.
bool readPassword(const std::string& file, PolicyHost& host) {
    Secret password;
    if (const std::string error = readPasswordFile(file, password); !error.empty()) {
        printError(error);
        return false;
    }
    const bool none = password.empty();
    host.givePassword(std::move(password), none ? msg::passwordFileEmpty(file) : std::string());
    return true;
}

constexpr OptionSpec kMergeOptions[] = {
    {"--out", "FILE"},
    {"--conflicts", "both|local|remote|newer"},
    {"--dry-run"},
    {"--allow-deletions"},
    {"--no-field-merge"},
    {"--no-find-base"},
    {"--password-file", "FILE"},
    {"--delete-copy"},
};

// Local and remote documents that are the same need no merge: the output gets the local document.
int copyLocalTo(FileSystem& fs, const std::string& local, const std::string& out) {
    ReadOutcome read = fs.readWhole(local);
    if (read.status != ReadStatus::Ok) {
        printError(msg::cannotRead(local, read.reason));
        return kExitStopped;
    }
    if (const std::string leftovers = removeOutputLeftovers(fs, out); !leftovers.empty()) {
        printError(leftovers);
    }
    const std::string temp = outputTempStem(out) + "copy.tmp";
    if (FsError err = fs.writeNewDurable(temp, {std::string_view(read.text)}, std::nullopt)) {
        printError(msg::saveFailedUnchanged(std::string(msg::kWriting), temp, *err));
        return kExitStopped;
    }
    if (FsError err = fs.rename(temp, out)) {
        (void)fs.remove(temp);
        printError(msg::saveFailedUnchanged(msg::renamingTo(temp), out, *err));
        return kExitStopped;
    }
    return kExitOk;
}

// What the guarded save wrote, and what became of a sync tool's conflict copy merged as the remote file.
std::string savedText(const MergeRun& run) {
    const std::vector<std::string> paths = run.trio().savedPaths();
    std::string text = "wrote ";
    for (std::size_t i = 0; i < paths.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == paths.size() ? " and " : ", ") + msg::quoted(paths[i]);
    }
    if (run.trio().remoteIsSyncCopy()) {
        const std::string& copy = run.trio().paths.remote;
        text += MachineFileSystem().exists(copy) ? msg::syncCopyLeft(copy) : msg::syncCopyDeleted(copy);
    }
    return text;
}

// Loads, merges and (unless a dry run) saves; prints the decisions and the summary. The summary names
// the conflicts left where tiddlers were merged inside and the user chose no conflict rule; otherwise it
// names the rule, as it always has.
int runMerge(MergeRun& run, ConflictRule rule, bool namesConflicts, bool dryRun, bool printLines,
             const std::string& label) {
    MergePlan plan;
    const auto byRule = [rule](MergePlan& p, const VisitingList&) {
        settlePlan(p, rule);
        return true;
    };
    if (run.prepare(plan, byRule, RunResult::Stopped)) {
        return run.trio().identical ? kExitOk : kExitStopped;
    }
    const PlanReport report(plan);
    if (printLines) {
        std::fwrite(report.lines.data(), 1, report.lines.size(), stdout);
        if (std::fflush(stdout) != 0) {
            return kExitStopped;
        }
    }
    std::string written = "nothing written (dry run)";
    if (!dryRun) {
        if (run.save() != RunResult::Saved) {
            return kExitStopped;
        }
        written = label.empty() ? savedText(run) : "wrote " + msg::quoted(label);
        if (!run.keptFor().empty()) {
            written += "; kept the files it replaced in " + msg::quoted(run.settings().backupFolder) +
                       " (korvane-cli undo " + msg::quoted(run.keptFor()) + " puts them back)";
        }
    }
    for (const std::string& line : report.inertCopies) {
        printError(line);
    }
    const std::size_t titles = run.titles().size();
    printError(
        namesConflicts
            ? msg::mergeSummaryInside(titles, report.differed, report.merged, report.conflictTitles, written)
            : msg::mergeSummary(titles, report.differed, report.conflicts, ruleName(rule), written));
    return report.conflicts > 0 ? kExitConflicts : kExitOk;
}

// The driver's command line, git's %O %A %B %P %L %X %Y:
//   [--allow-deletions] BASE OURS THEIRS PATH [MARKER-SIZE [OURS-LABEL THEIRS-LABEL]]
// The marker size and the labels matter only to the line merge of files that are no wiki, whose conflict
// markers then look as git's own would.
struct DriverArgs {
    bool allowDeletions = false;
    bool mergeInside = true;
    std::string passwordFile;
    std::string base, ours, theirs, path;
    std::string markerSize;  // empty: git merge-file's own
    std::string oursLabel = "ours", theirsLabel = "theirs";
};

// Whether `words` words after the options form a driver line.
bool fitsDriverLine(std::size_t words) {
    return words == 4 || words == 5 || words == 7;
}

// Reads the driver's options into `d`; the index of the first word after them.
std::size_t readDriverOptions(const std::vector<std::string>& args, DriverArgs& d) {
    // A first word --allow-deletions or --no-field-merge is the option only where the words after it form
    // a driver line, so that every line the four-word form took is read as before.
    std::size_t first = 1;
    const auto option = [&](std::string_view word) {
        const bool given =
            args.size() > first && args[first] == word && fitsDriverLine(args.size() - first - 1);
        first += given ? 1 : 0;
        return given;
    };
    d.allowDeletions = option("--allow-deletions");
    d.mergeInside = !option("--no-field-merge");
    if (args.size() > first + 1 && args[first] == "--password-file" && !args[first + 1].empty() &&
        fitsDriverLine(args.size() - first - 2)) {
        d.passwordFile = args[first + 1];
        first += 2;
    }
    return first;
}

// Reads the driver line's words from `first` on into `d`: the four files, then the marker size and the
// labels when given; false after a marker size that is no positive number was reported.
bool readDriverLine(const std::vector<std::string>& args, std::size_t first, DriverArgs& d) {
    d.base = args[first];
    d.ours = args[first + 1];
    d.theirs = args[first + 2];
    d.path = args[first + 3];
    if (args.size() - first >= 5) {
        // Git gives the conflict-marker-size attribute as a positive number, the default 7 otherwise. A word
        // that is no number, or one out of range, leaves n at 0.
        const std::string& size = args[first + 4];
        int n = 0;
        const char* end = std::from_chars(size.data(), size.data() + size.size(), n).ptr;
        if (end != size.data() + size.size() || n <= 0) {
            usageError("merge-driver", "MARKER-SIZE must be a positive number, not \"" + size + "\"");
            return false;
        }
        d.markerSize = size;
    }
    if (args.size() - first == 7) {
        // A git older than 2.44 hands %X and %Y over unreplaced; the markers then keep the plain names.
        const auto take = [](const std::string& given, std::string_view placeholder, std::string& to) {
            if (given != placeholder) {
                to = given;
            }
        };
        take(args[first + 5], "%X", d.oursLabel);
        take(args[first + 6], "%Y", d.theirsLabel);
    }
    return true;
}

std::optional<DriverArgs> parseDriver(const std::vector<std::string>& args) {
    DriverArgs d;
    const std::size_t first = readDriverOptions(args, d);
    // An option word that is none of the driver's own is named as such, not taken for a file: git's files
    // never begin with a dash.
    for (std::size_t i = first; i < args.size() && args[i].starts_with("-") && args[i].size() > 1; ++i) {
        if (args[i] != "--allow-deletions" && args[i] != "--no-field-merge" && args[i] != "--password-file") {
            unknownOption("merge-driver", args[i]);
            return std::nullopt;
        }
    }
    if (!fitsDriverLine(args.size() - first)) {
        usageError("merge-driver",
                   "merge-driver takes BASE OURS THEIRS PATH and at most three more words after "
                   "its options, not " +
                       std::to_string(args.size() - first));
        return std::nullopt;
    }
    if (!readDriverLine(args, first, d)) {
        return std::nullopt;
    }
    return d;
}

}  // namespace

int mergeCommand(const std::vector<std::string>& args) {
    CommandArgs o;
    int stopped = kExitStopped;
    if (!parseCommand(args, {"merge", kMergeOptions, true}, o, stopped)) {
        return stopped;
    }
    const std::string out = o.value("--out"), passwordFile = o.value("--password-file");
    const bool dryRun = o.has("--dry-run"), mergeInside = !o.has("--no-field-merge");
    const bool ruleGiven = o.has("--conflicts");
    const ConflictRule rule = ruleGiven ? *conflictRuleNamed(o.value("--conflicts")) : ConflictRule::Both;
    MachineFileSystem fs;
    if (!out.empty()) {
        for (const std::string& input : {o.paths.local, o.paths.remote, o.paths.unedited}) {
            if (isPathGiven(input) && fs.exists(out) && fs.sameFile(out, input)) {
                printError(msg::outputIsInput(out));
                return kExitStopped;
            }
        }
    }
    PolicyHost host("merge", true, o.has("--allow-deletions"), o.has("--delete-copy"));
    if (!passwordFile.empty() && !readPassword(passwordFile, host)) {
        return kExitStopped;
    }
    MergeRun run(host, fs, o.paths);
    run.settings().mergeInside = mergeInside;
    run.settings().findCopy = !o.has("--no-find-base");
    if (!out.empty() && !dryRun) {
        run.settings().outputPath = out;
    }
    run.settings().backupFolder = userBackupFolder();
    const int status = runMerge(run, rule, mergeInside && !ruleGiven, dryRun, true, out);
    if (run.trio().identical && !out.empty() && !dryRun) {
        return copyLocalTo(fs, o.paths.local, out);
    }
    return status;
}

int mergeDriverCommand(const std::vector<std::string>& args) {
    const std::optional<DriverArgs> d = parseDriver(args);  // names its mistakes itself
    if (!d) {
        return kExitStopped;
    }
    const std::string &base = d->base, &ours = d->ours, &theirs = d->theirs, &label = d->path;
    MachineFileSystem fs;
    std::vector<std::string> paths = {ours, theirs, base};
    PolicyHost host("merge-driver", false, d->allowDeletions);
    for (const std::string& temporary : paths) {
        host.shownAs.emplace_back(temporary, label);  // git's .merge_file_XXXXXX: the wiki's own path
    }
    std::vector<ReadOutcome> read = fs.readWholeEach(paths);
    bool wiki[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        if (read[i].status != ReadStatus::Ok) {
            printError(msg::cannotRead(paths[i], read[i].reason));  // the file that could not be read
            return kExitStopped;
        }
        wiki[i] = isWikiDocument(read[i].text);
    }
    const bool baseGiven = !read[2].text.empty();  // git gives an empty file when there is no base
    read.clear();
    // Git hands over a file that the attribute pattern matched; one that is no wiki on either side gets
    // git's own line merge, so that the driver is safe to attach to every .html file. A line merge never
    // touches a wiki: its markers would break the page.
    if (!wiki[0] && !wiki[1]) {
        std::vector<std::string> argv = {"git", "merge-file"};
        if (!d->markerSize.empty()) {
            argv.push_back("--marker-size=" + d->markerSize);
        }
        argv.insert(argv.end(), {"-L", d->oursLabel, "-L", "base", "-L", d->theirsLabel, ours, base, theirs});
        const int status = runProgram(argv);
        return status < 0 ? kExitStopped : status;
    }
    if (!wiki[0] || !wiki[1]) {
        printError(msg::driverOneSideOnly(label, wiki[0]));
        return kExitConflicts;
    }
    if (!wiki[2] && baseGiven) {
        printError(msg::driverWithoutBase(label));  // both sides are wikis: merged without the base
    }
    if (!d->passwordFile.empty() && !readPassword(d->passwordFile, host)) {
        return kExitStopped;
    }
    host.passwordSource = [label](Secret& p) { return passwordFromCommand(label, p); };
    MergeRun run(host, fs, MergePaths{ours, theirs, wiki[2] ? base : std::string()});
    run.settings().mergeInside = d->mergeInside;
    run.settings().findCopy = false;  // git's temporary files have no earlier saves beside them
    run.settings().outputPath = ours;
    return runMerge(run, ConflictRule::Both, d->mergeInside, false, false, label);
}

int conflictsCommand(const std::vector<std::string>& args) {
    static constexpr std::string_view kFiles[] = {"WIKI"};
    CommandArgs parsed;
    int stopped = kExitStopped;
    if (!parseCommand(args, {"conflicts", {}, false, kFiles}, parsed, stopped)) {
        return stopped;
    }
    MachineFileSystem fs;
    const std::string& wiki = parsed.files[0];
    const std::string prefix = wiki.substr(0, wiki.size() - nameOf(wiki).size());  // with its separator
    std::string text;
    for (const std::string& name : syncCopiesOldestFirst(nameOf(wiki), fs.namesInFolder(folderOf(wiki)))) {
        // A sync tool writes regular files; a folder, a pipe or a link of such a name is no copy. A name
        // is escaped, so that one copy is always one line.
        if (fs.inspect(prefix + name).plainFile()) {
            appendEscaped(text, prefix + name);
            text += '\n';
        }
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitStopped;
}

}  // namespace korvane::cli
