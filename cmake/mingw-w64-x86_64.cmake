# Cross-building korvane-cli and the core tests for 64-bit Windows with Debian's mingw-w64 (the POSIX
# thread model, which std::thread needs). scripts/build-windows.sh uses it:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# KORVANE_WINDOWS_PREFIX names the folder where that script installed libgit2 and what it needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${KORVANE_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe with the C and C++ runtimes and winpthreads inside: it runs from any folder, with no DLL
# beside it, on Windows and under wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Tests listed by gtest_discover_tests and run by ctest go through wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
