// The Windows side of the tests' system helpers: a command runs without a shell.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "platform/WinText.h"
#include "support/TestSupport.h"

namespace korvane::test {
namespace {

// The words of a command as the shell splits plain words and '...' quotes.
std::vector<std::string> wordsOf(const std::string& command) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : command) {
        if (c == '\'') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

}  // namespace

int runShell(const std::string& command, const std::string& errPath, std::string* out) {
    std::wstring line;
    for (const std::string& word : wordsOf(command)) {
        line += (line.empty() ? L"" : L" ") + commandLineArgument(widePath(word));
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE err = CreateFileW(widePath(errPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    CloseHandle(err);
    char buffer[4096];
    DWORD n = 0;
    while (started && ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) {
        if (out != nullptr) {
            out->append(buffer, n);
        }
    }
    CloseHandle(readEnd);
    if (!started) {
        ADD_FAILURE() << "could not start: " << command;
        return -1;
    }
    DWORD status = 0;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(status);
}

bool makeNamedPipe(const std::string&) {
    return false;
}

bool makeLink(const std::string& target, const std::string& link) {
    return CreateSymbolicLinkW(widePath(link).c_str(), widePath(target).c_str(),
                               SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
}

void setEnvironment(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
}

}  // namespace korvane::test

namespace korvane::test {

// Windows offers no way to stand in for the system's own calls; the tests that read the record say
// so and skip.
SyscallRecord::SyscallRecord() = default;
SyscallRecord::~SyscallRecord() = default;
std::vector<std::string> SyscallRecord::calls() const {
    return {};
}

}  // namespace korvane::test
