# Cross-building Korvane's programs and tests for 64-bit Windows with Debian's mingw-w64 (the POSIX
# thread model, which std::thread needs). scripts/build-windows.sh uses it:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# KORVANE_WINDOWS_PREFIX names the folder where that script installed libgit2 and what it needs,
# KORVANE_WINDOWS_QT the folder of its Qt.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${KORVANE_WINDOWS_PREFIX} ${KORVANE_WINDOWS_QT})
# The static Qt for Windows that scripts/build-windows.sh builds (KORVANE_WINDOWS_QT names its folder)
# takes its tools (moc, rcc, uic) from Debian's own Qt of the same version on this machine.
if(NOT DEFINED QT_HOST_PATH)
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe with the C and C++ runtimes and winpthreads inside: it runs from any folder, with no DLL
# beside it, on Windows and under wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Tests listed by gtest_discover_tests and run by ctest go through wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
