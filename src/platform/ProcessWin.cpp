#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/Process.h"
#include "platform/WinText.h"

namespace korvane {
namespace {

// Starts `argv`, searched on PATH like any command. With `output`, its standard output goes into that
// handle and its standard input comes from NUL, its standard error goes there; without, it shares this
// program's standard streams.
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
        nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, 0, nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nul;
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

using Clock = std::chrono::steady_clock;

// The moment a limit of `seconds` from now ends; none (Clock::time_point::max()) for 0.
Clock::time_point deadlineIn(int seconds) {
    return seconds > 0 ? Clock::now() + std::chrono::seconds(seconds) : Clock::time_point::max();
}

// The milliseconds left until `deadline`, for the system's waits.
DWORD millisecondsUntil(Clock::time_point deadline) {
    if (deadline == Clock::time_point::max()) {
        return INFINITE;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<DWORD>(std::clamp<decltype(left)>(left, 0, INFINITE - 1));
}

// Waits until a pipe holds bytes or has ended: false when the deadline came first. Reading an empty
// pipe would wait with no limit, so the pipe is looked at without reading until then.
bool pipeReadable(HANDLE pipe, Clock::time_point deadline) {
    for (;;) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) || waiting > 0) {
            return true;  // the read that follows gives the bytes, the end or the failure
        }
        if (millisecondsUntil(deadline) == 0) {
            return false;
        }
        Sleep(10);
    }
}

int waitFor(HANDLE process, Clock::time_point deadline = Clock::time_point::max()) {
    DWORD status = 0;
    const DWORD waited = WaitForSingleObject(process, millisecondsUntil(deadline));
    if (waited == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
        return kTimedOut;
    }
    const bool ended = waited == WAIT_OBJECT_0 && GetExitCodeProcess(process, &status);
    CloseHandle(process);
    return ended ? static_cast<int>(status) : -1;
}

}  // namespace

std::vector<std::string> programArguments(int, char**) {
    // A program without a console of its own (the desktop program) that was started from a console
    // prints its usage, version and problems there; with its output sent elsewhere, it writes there.
    if (GetStdHandle(STD_OUTPUT_HANDLE) == nullptr && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
    // Binary streams: a merge driver's or a list's lines end in \n on every system.
    if (_fileno(stdout) >= 0) {
        _setmode(_fileno(stdout), _O_BINARY);
    }
    if (_fileno(stderr) >= 0) {
        _setmode(_fileno(stderr), _O_BINARY);
    }
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

int programOutput(const std::vector<std::string>& argv, std::string& output, int limitSeconds) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return -1;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);  // the child gets only the write end
    HANDLE process = start(argv, writeEnd);
    CloseHandle(writeEnd);
    const Clock::time_point deadline = deadlineIn(limitSeconds);
    char buffer[4096];
    DWORD n = 0;
    // A program that keeps its output open past the deadline is ended by the wait below.
    while (process != nullptr && pipeReadable(readEnd, deadline) &&
           ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) {
        output.append(buffer, n);
    }
    SecureZeroMemory(buffer, sizeof buffer);
    CloseHandle(readEnd);
    return process == nullptr ? -1 : waitFor(process, deadline);
}

int readFirstLine(const std::string& path, std::string& text, int limitSeconds) {
    const bool input = path == "-";
    HANDLE file = input
                      ? GetStdHandle(STD_INPUT_HANDLE)
                      : CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || file == nullptr) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
               : error == ERROR_ACCESS_DENIED                                 ? EACCES
                                                                              : EIO;
    }
    // Only a pipe can keep a reader waiting: a file on a disk is read whatever its size, and a console
    // is a person typing.
    const bool pipe = GetFileType(file) == FILE_TYPE_PIPE;
    const Clock::time_point deadline = deadlineIn(limitSeconds);
    // Standard input is read a byte at a time: what follows the first line is not this reader's.
    char buffer[4096];
    const DWORD chunk = input ? 1 : sizeof buffer;
    int error = 0;
    DWORD n = 0;
    while (text.find('\n') == std::string::npos) {
        if (pipe && !pipeReadable(file, deadline)) {
            error = ETIMEDOUT;
            break;
        }
        if (!ReadFile(file, buffer, chunk, &n, nullptr)) {
            const DWORD failure = GetLastError();
            error = failure == ERROR_BROKEN_PIPE || failure == ERROR_HANDLE_EOF ? 0 : EIO;
            break;
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, n);
    }
    SecureZeroMemory(buffer, sizeof buffer);
    if (!input) {
        CloseHandle(file);
    }
    return error;
}

void keepOutOfCoreDumps() {
    // A crash report would hold the password and the decrypted tiddlers. SEM_NOGPFAULTERRORBOX keeps
    // Windows Error Reporting from being invoked for a crash of this process. The abort() of the
    // universal C runtime would call it too and is told not to; that of msvcrt.dll never does.
    constexpr UINT kQuiet = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX;
    SetErrorMode(SetErrorMode(kQuiet) | kQuiet);
#ifdef _UCRT
    _set_abort_behavior(0, _CALL_REPORTFAULT);
#endif
}

unsigned long ownProcessId() {
    return GetCurrentProcessId();
}

std::string machineName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

bool processRuns(unsigned long id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (!process) {
        return GetLastError() != ERROR_INVALID_PARAMETER;  // no such process; otherwise one not ours
    }
    DWORD code = 0;
    const bool runs = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return runs;
}

std::tm localTime(std::time_t when) {
    std::tm local{};
    localtime_s(&local, &when);
    return local;
}

}  // namespace korvane
