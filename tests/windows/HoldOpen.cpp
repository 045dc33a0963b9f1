// Test helper for the Windows tests: holds a file open as another program would, until a second file
// appears (or a minute has passed).
//   korvane_hold_open FILE none|read RELEASE
// "none" shares nothing (no other program may even read the file); "read" lets others read it but not
// write, rename or remove it, as an editor or a spreadsheet does. Prints "held" once the file is open.
#include <windows.h>

#include <cstdio>

int main() {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr || count != 4) {
        std::fputs("usage: korvane_hold_open FILE none|read RELEASE\n", stderr);
        return 2;
    }
    const DWORD share = lstrcmpW(args[2], L"read") == 0 ? FILE_SHARE_READ : 0;
    HANDLE file =
        CreateFileW(args[1], GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open: error %lu\n", GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    for (int i = 0; i < 600 && GetFileAttributesW(args[3]) == INVALID_FILE_ATTRIBUTES; ++i) {
        Sleep(100);
    }
    CloseHandle(file);
    return 0;
}
