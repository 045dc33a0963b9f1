#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#include "document/Sjcl.h"
#include "document/Tw5Store.h"
#include "merge/model/Visit.h"

namespace korvane::test {

namespace {
// The programs and saves that tests run keep their backups in a folder of the test's temporary files,
// never in the user's own.
const bool g_privateBackups = [] {
    const std::string folder = (std::filesystem::temp_directory_path() / "korvane-test-data").string();
    setEnvironment(kOnWindows ? "LOCALAPPDATA" : "XDG_DATA_HOME", folder);
    return true;
}();
}  // namespace

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

std::string TempDir::path(const std::string& name) const {
    const std::u8string p = (m_dir / std::u8string(name.begin(), name.end())).u8string();
    return std::string(p.begin(), p.end());
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
    const std::string p = path(name);
    std::ofstream(std::filesystem::path(std::u8string(p.begin(), p.end())), std::ios::binary)
        << bytes;  // UTF-8 on Windows too
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
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<TableRow> tableRows(const std::string& name) {
    std::vector<TableRow> rows;
    std::ifstream in(std::string(KORVANE_TEST_DATA_DIR "/") + name, std::ios::binary);
    EXPECT_TRUE(in.is_open()) << name;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        if (++number, line.empty() || line[0] == '#') {
            continue;
        }
        TableRow& row = rows.emplace_back(TableRow{name + ":" + std::to_string(number), {}, {}});
        std::vector<std::string>* fields = &row.in;
        std::string field;
        for (std::size_t i = 0; i <= line.size(); ++i) {
            const char c = i < line.size() ? line[i] : '\t';
            if (c == '\t') {
                field == "=>" ? void(fields = &row.out) : fields->push_back(field);
                field.clear();
            } else if (c != '\\' || ++i >= line.size()) {
                field += c;
            } else {
                const char e = line[i];
                field += e == 't'   ? '\t'
                         : e == 'n' ? '\n'
                         : e == 'r' ? '\r'
                         : e != 'x' ? e
                                    : static_cast<char>(std::stoi(line.substr((i += 2) - 1, 2), nullptr, 16));
            }
        }
    }
    EXPECT_FALSE(rows.empty()) << name;
    return rows;
}

void checkTable(
    const std::string& name,
    const std::map<std::string, std::function<std::vector<std::string>(const TableRow&)>>& functions) {
    for (const TableRow& row : tableRows(name)) {
        const auto f = functions.find(row.in.at(0));
        ASSERT_NE(f, functions.end()) << row.where;
        EXPECT_EQ(f->second(row), row.out) << row.where;
    }
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

std::string encryptedWiki(const std::vector<std::string>& entries, const std::string& password,
                          const std::string& after, long iter, long ks) {
    std::string store, plaintext, json;
    for (const std::string& e : entries) {
        store += (store.empty() ? "" : ",\n") + e;
    }
    EXPECT_EQ(storeToTiddlers("[" + store + "]", plaintext), std::nullopt);
    EXPECT_TRUE(encryptSjcl(plaintext, Secret(password), iter, ks, json));
    return "<html><body>\n" + std::string(kEncryptedStoreOpen) + htmlEncodeStore(json) + "</pre>\n" + after +
           "</body></html>\n";
}

std::string earlyTiddler(const std::string& title, const std::string& body, const std::string& modified,
                         const std::string& modifier) {
    return "<div tiddler=\"" + title + "\" modifier=\"" + modifier + "\" modified=\"" + modified +
           "\" created=\"200501011200\" tags=\"\">" + body + "</div>";
}

std::string earlyWiki(const std::vector<std::string>& tiddlers, bool rebuilt) {
    std::string doc = "<html><head><title>Wiki</title></head><body>\r\n<div id=\"saveTest\"></div>\r\n";
    doc += rebuilt ? "<div id=\"storeArea\">\r\n\r\n" : "<div id=\"storeArea\">\r\n";
    for (const std::string& t : tiddlers) {
        doc += t + "\r\n";
    }
    doc += rebuilt ? "\r\n</div>\r\n</body></html>\r\n" : "</div>\r\n</body></html>\r\n";
    return doc;
}

std::string jsonWiki(const std::vector<std::string>& entries) {
    std::string store;
    for (const std::string& e : entries) {
        store += (store.empty() ? "" : ",\n") + e;
    }
    return "<html><body>\n" + std::string(kTw5JsonStoreTag) + "[\n" + store + "\n]</script>" +
           std::string(kTw5DivStoreTag) + "</div>\n<script src=\"core.js\"></script></body></html>\n";
}

std::string jsonTiddler(const std::string& title, const std::string& text, const std::string& more) {
    return "{\"title\":\"" + title + "\",\"text\":\"" + text + "\"" + more + "}";
}

Trio writeTrio(const TempDir& dir, const std::string& prefix) {
    const std::string same = earlyTiddler("S", "same");
    return {dir.write(prefix + "local.html", earlyWiki({earlyTiddler("A", "mine", "200601031200"), same})),
            dir.write(prefix + "remote.html", earlyWiki({earlyTiddler("A", "theirs"), same})),
            dir.write(prefix + "unedited.html", earlyWiki({earlyTiddler("A", "base"), same}))};
}

bool ScriptedHost::ask(const Question& q) {
    log.push_back("ask:" + q.title);
    messages.push_back({q.text, MessageIcon::None, q.title});
    const bool answer = yesNoAnswers.empty() || yesNoAnswers.front();
    if (!yesNoAnswers.empty()) {
        yesNoAnswers.pop_front();
    }
    return answer;
}

PasswordAnswer ScriptedHost::askPassword(const PasswordRequest& request) {
    log.push_back("password:" + request.role + (request.wrongBefore ? " again" : ""));
    if (passwords.empty()) {
        return {};
    }
    const std::optional<std::string> answer = passwords.front();
    passwords.pop_front();
    return answer ? PasswordAnswer{PasswordAnswer::Kind::Given, Secret(*answer)}
                  : PasswordAnswer{PasswordAnswer::Kind::Cancelled, {}};
}

ConflictSettlement ScriptedHost::settleConflict(const ConflictQuestion& question) {
    if (answerQuestion) {
        return answerQuestion(question);
    }
    return askInDialog(question, [this](const ConflictRequest& request) {
        log.push_back("dialog:" + request.caption);
        return answerDialog ? answerDialog(request)
                            : ConflictAnswer{request.boldButton.value_or(DialogButton::Local), request.texts};
    });
}

}  // namespace korvane::test
