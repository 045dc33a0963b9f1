// Shared helpers of the tests: temporary folders, small wiki fixtures, and a MergeHost that answers
// from a script and records everything it was shown.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "merge/MergeHost.h"
#include "support/FileSystemDoubles.h"

namespace korvane::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const;
    const std::filesystem::path& dir() const { return m_dir; }

  private:
    std::filesystem::path m_dir;
};

std::string readBytes(const std::string& path);
// Every file of the folder with its content, to show that nothing changed.
std::vector<std::pair<std::string, std::string>> snapshot(const std::filesystem::path& dir);

// Runs the built korvane-cli with `args` (quoted as a shell would need), its errors going to `errPath`
// and its output to `out` when given; gives its exit status.
int runCli(const std::string& args, const std::string& errPath, std::string* out = nullptr);

// One tiddler element in the early form: <div tiddler="T" modifier=.. modified=.. created=..
// tags="">BODY</div>
std::string earlyTiddler(const std::string& title, const std::string& body,
                         const std::string& modified = "200601011200", const std::string& modifier = "Ann");
// One tiddler element in the later form: <div title="T" ...>\n<pre>BODY</pre>\n</div>
std::string laterTiddler(const std::string& title, const std::string& body,
                         const std::string& modified = "200601011200");
// A whole wiki document around the given tiddler elements (early form: store area is the last div).
std::string earlyWiki(const std::vector<std::string>& tiddlers);
// A later-form wiki: the store area is followed by script code that holds <div and </div>.
std::string laterWiki(const std::vector<std::string>& tiddlers);

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
    // What the host saw, in order: "message:TEXT", "ask:TITLE", "dialog:CAPTION", "unedited:PATH", "end".
    std::vector<std::string> log;
    std::vector<ShownMessage> messages;
    std::vector<ConflictRequest> requests;
    std::deque<bool> yesNoAnswers;  // answers to askYesNo, in order; Yes when the script runs out
    // Answers to conflict dialogs; by default the recommended button with the texts untouched.
    std::function<ConflictAnswer(const ConflictRequest&)> answerDialog;
    std::string timeText = "12/5/2026 6:15:06 AM";

    void showMessage(const std::string& text, MessageIcon icon, const std::string& title) override;
    bool askYesNo(const std::string& text, const std::string& title, bool yesIsDefault) override;
    ConflictAnswer settleConflict(const ConflictRequest& request) override;
    void setUneditedPath(const std::string& path) override;
    std::string presentTimeText() override { return timeText; }
    void endProgram() override;
};

}  // namespace korvane::test
