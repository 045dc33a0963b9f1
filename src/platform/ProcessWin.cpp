#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Process.h"
#include "platform/WinText.h"

namespace korvane {
namespace {

// Starts `argv`, searched on PATH like any command. With `output`, its standard output goes into that
// handle and its standard error to NUL; without, it shares this program's standard streams.
HANDLE start(const std::vector<std::string>& argv, HANDLE output) {
    std::wstring line;
    for (const std::string& a : argv) {
        line += (line.empty() ? L"" : L" ") + commandLineArgument(widePath(a));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE nul = INVALID_HANDLE_VALUE;
    if (output != nullptr) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                          0, nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = nul;
    }
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    if (nul != INVALID_HANDLE_VALUE) {
        CloseHandle(nul);
    }
    if (!started) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

int waitFor(HANDLE process) {
    DWORD status = 0;
    const bool ended =
        WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &status);
    CloseHandle(process);
    return ended ? static_cast<int>(status) : -1;
}

}  // namespace

std::vector<std::string> programArguments(int, char**) {
    // Binary streams: a merge driver's or a list's lines end in \n on every system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The console shows UTF-8 while this program runs; its code page is given back at the end, since the
    // console outlives the program.
    static const UINT consolePage = GetConsoleOutputCP();
    if (consolePage != 0 && SetConsoleOutputCP(CP_UTF8)) {
        std::atexit([] { SetConsoleOutputCP(consolePage); });
    }
    // The C runtime's argv holds the arguments in the ANSI code page, which cannot hold every name.
    std::vector<std::string> args;
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) {
            args.push_back(utf8Of(wide[i]));
        }
        LocalFree(wide);
    }
    return args;
}

std::string ownProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return n == 0 || n >= path.size() ? std::string() : utf8Of(path.substr(0, n));
}

bool isProgram(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int runProgram(const std::vector<std::string>& argv) {
    HANDLE process = start(argv, nullptr);
    return process == nullptr ? -1 : waitFor(process);
}

int programOutput(const std::vector<std::string>& argv, std::string& output) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return -1;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);  // the child gets only the write end
    HANDLE process = start(argv, writeEnd);
    CloseHandle(writeEnd);
    char buffer[4096];
    DWORD n = 0;
    while (process != nullptr && ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) {
        output.append(buffer, n);
    }
    SecureZeroMemory(buffer, sizeof buffer);
    CloseHandle(readEnd);
    return process == nullptr ? -1 : waitFor(process);
}

std::tm localTime(std::time_t when) {
    std::tm local{};
    localtime_s(&local, &when);
    return local;
}

}  // namespace korvane
