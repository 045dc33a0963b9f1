// Shared helpers of the tests: temporary folders, small wiki fixtures, and a MergeHost that answers
// from a script and records everything it was shown.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "merge/MergeHost.h"
#include "support/FileSystemDoubles.h"
#include "ui/conflict/ConflictRequest.h"

namespace korvane::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(const std::string& name) const;  // UTF-8, on Windows as well
    std::string write(const std::string& name, const std::string& bytes) const;
    const std::filesystem::path& dir() const { return m_dir; }

  private:
    std::filesystem::path m_dir;
};

std::string readBytes(const std::string& path);

// The rows of a table file in tests/data: one row a line, its fields separated by tabs; empty lines and
// lines starting with '#' are skipped. \t \n \r \\ and \xHH stand for those bytes. A field "=>"
// parts the arguments from what the row expects.
struct TableRow {
    std::string where;  // file:line, for messages
    std::vector<std::string> in, out;
};
std::vector<TableRow> tableRows(const std::string& name);
// Checks every row of the table: `functions` names what a row's first field calls, which gives what
// the fields after "=>" say.
void checkTable(
    const std::string& name,
    const std::map<std::string, std::function<std::vector<std::string>(const TableRow&)>>& functions);
// Every file of the folder with its content, to show that nothing changed.
std::vector<std::pair<std::string, std::string>> snapshot(const std::filesystem::path& dir);

// The tests run on Windows too (scripts/build-windows.sh, under wine); what only a POSIX system has is
// skipped there with the reason.
inline constexpr bool kOnWindows = KORVANE_TESTS_ON_WINDOWS;

// Runs a command, its errors going to `errPath` and its output to `out` when given; gives its exit
// status. POSIX runs it through the shell; Windows has none, so there the command is plain words and
// '...' quotes, without redirections or pipes.
int runShell(const std::string& command, const std::string& errPath, std::string* out = nullptr);
// Makes a named pipe at `path`: false where the system keeps none in a folder (Windows).
bool makeNamedPipe(const std::string& path);
// Makes a symbolic link at `link` to `target`: false where the system refuses (Windows without the
// right to make one, wine).
bool makeLink(const std::string& target, const std::string& link);
// Sets a variable of this program's environment, which the programs it starts inherit.
void setEnvironment(const std::string& name, const std::string& value);

// One tiddler element in the early form: <div tiddler="T" modifier=.. modified=.. created=..
// tags="">BODY</div>
std::string earlyTiddler(const std::string& title, const std::string& body,
                         const std::string& modified = "200601011200", const std::string& modifier = "Ann");
// A whole wiki document around the given tiddler elements (early form: store area is the last div);
// `rebuilt`: as a merge run writes it, a blank line before the first element and after the last.
std::string earlyWiki(const std::vector<std::string>& tiddlers, bool rebuilt = false);

// A TiddlyWiki 5 page with a JSON store of `entries` (JSON objects), its core loaded from a file; one such
// object with a title, a text and `more` fields (`,"name":"value"`).
std::string jsonWiki(const std::vector<std::string>& entries);
std::string jsonTiddler(const std::string& title, const std::string& text, const std::string& more = "");

// A TiddlyWiki 5 page whose store entries (JSON objects) are encrypted with `password`, by default as
// TiddlyWiki 5.1 encrypted them (1,000 rounds, a 128-bit key), `after` standing between the store and
// </body>.
std::string encryptedWiki(const std::vector<std::string>& entries, const std::string& password,
                          const std::string& after, long iter = 1000, long ks = 128);

// Three wikis in `dir`: tiddler A differs in each (the local one is the latest), tiddler S is the same.
struct Trio {
    std::string local, remote, unedited;
};
Trio writeTrio(const TempDir& dir, const std::string& prefix = "");

struct ShownMessage {
    std::string text;
    MessageIcon icon;
    std::string title;
    bool operator==(const ShownMessage&) const = default;
};

// The button of a choice code "l", "o", "s" or "b"; none for any other character.
std::optional<DialogButton> button(char code);

class ScriptedHost : public MergeHost {
  public:
    // What the host saw, in order: "message:TEXT", "ask:TITLE", "dialog:CAPTION", "unedited:PATH", "end",
    // "password:ROLE" (with " again" after a wrong one).
    std::vector<std::string> log;
    std::vector<ShownMessage> messages;
    std::deque<bool> yesNoAnswers;  // answers to ask, in order; Yes when the script runs out
    // Answers to password questions, in order (none: Cancel); no password when the script runs out.
    std::deque<std::optional<std::string>> passwords;
    // Answers to conflict dialogs; by default the recommended button with the texts untouched.
    std::function<ConflictAnswer(const ConflictRequest&)> answerDialog;
    // Answers to the run's questions in its own words, without the dialog; when set, instead of the above.
    std::function<ConflictSettlement(const ConflictQuestion&)> answerQuestion;

    void showMessage(const std::string& text, MessageIcon icon, const std::string& title) override {
        log.push_back("message:" + text);
        messages.push_back({text, icon, title});
    }
    bool ask(const Question& question) override;
    ConflictSettlement settleConflict(const ConflictQuestion& question) override;
    PasswordAnswer askPassword(const PasswordRequest& request) override;
    void setUneditedPath(const std::string& path) override { log.push_back("unedited:" + path); }
    std::string presentTimeText() override { return "12/5/2026 6:15:06 AM"; }
    void endProgram() override { log.push_back("end"); }
};

}  // namespace korvane::test
