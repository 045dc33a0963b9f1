#include "support/TestSupport.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "merge/MergePlan.h"

namespace korvane::test {

TempDir::TempDir() {
    std::random_device rd;
    m_dir = std::filesystem::temp_directory_path() /
            ("korvane-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(m_dir);
}

TempDir::~TempDir() {
    std::error_code ec;
    // Give back write permission first, so folders a test made read-only can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(m_dir, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ec);
    std::filesystem::remove_all(m_dir, ec);
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
    const std::string p = path(name);
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}

std::optional<DialogButton> button(char code) {
    for (DialogButton b : kDialogButtons) {
        if (choiceCode(b) == code) {
            return b;
        }
    }
    return std::nullopt;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::pair<std::string, std::string>> snapshot(const std::filesystem::path& dir) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.is_regular_file()) {
            files.emplace_back(e.path().filename().string(), readBytes(e.path().string()));
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

int runCli(const std::string& args, const std::string& errPath, std::string* out) {
    const std::string toNull = out ? "" : " >/dev/null";
    FILE* p =
        ::popen((std::string(KORVANE_CLI_PATH) + " " + args + toNull + " 2>'" + errPath + "'").c_str(), "r");
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) {
        out->append(buf, n);
    }
    const int raw = ::pclose(p);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string earlyTiddler(const std::string& title, const std::string& body, const std::string& modified,
                         const std::string& modifier) {
    return "<div tiddler=\"" + title + "\" modifier=\"" + modifier + "\" modified=\"" + modified +
           "\" created=\"200501011200\" tags=\"\">" + body + "</div>";
}

std::string laterTiddler(const std::string& title, const std::string& body, const std::string& modified) {
    return "<div title=\"" + title + "\" modifier=\"Bob\" created=\"200501011200\" modified=\"" + modified +
           "\" changecount=\"2\">\n<pre>" + body + "</pre>\n</div>";
}

std::string earlyWiki(const std::vector<std::string>& tiddlers) {
    std::string doc = "<html><head><title>Wiki</title></head><body>\r\n<div id=\"saveTest\"></div>\r\n";
    doc += "<div id=\"storeArea\">\r\n";
    for (const std::string& t : tiddlers) {
        doc += t + "\r\n";
    }
    doc += "</div>\r\n</body></html>\r\n";
    return doc;
}

std::string laterWiki(const std::vector<std::string>& tiddlers) {
    std::string doc = "<html><head><title>Wiki</title></head><body>\n<div id=\"storeArea\">\n";
    for (const std::string& t : tiddlers) {
        doc += t + "\n";
    }
    doc +=
        "</div>\n<!--POST-STOREAREA-->\n<script>\nvar s = '<div class=\"x\">' + body + "
        "'</div>';\n</script>\n";
    doc += "<div id=\"copyright\">footer</div>\n</body></html>\n";
    return doc;
}

void ScriptedHost::showMessage(const std::string& text, MessageIcon icon, const std::string& title) {
    log.push_back("message:" + text);
    messages.push_back({text, icon, title});
}

bool ScriptedHost::askYesNo(const std::string& text, const std::string& title, bool yesIsDefault) {
    (void)yesIsDefault;
    log.push_back("ask:" + title);
    messages.push_back({text, MessageIcon::None, title});
    if (yesNoAnswers.empty()) {
        return true;
    }
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

ConflictAnswer ScriptedHost::settleConflict(const ConflictRequest& request) {
    log.push_back("dialog:" + request.caption);
    requests.push_back(request);
    if (answerDialog) {
        return answerDialog(request);
    }
    ConflictAnswer a;
    a.choice = request.boldButton.value_or(DialogButton::Local);
    a.texts = request.texts;
    return a;
}

void ScriptedHost::setUneditedPath(const std::string& path) {
    log.push_back("unedited:" + path);
}

void ScriptedHost::endProgram() {
    log.push_back("end");
}

}  // namespace korvane::test
