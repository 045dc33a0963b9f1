// What korvane-cli asks of the operating system besides files: its own arguments and path, running
// another program (git) and waiting for it, and the local time. One implementation per system
// (ProcessPosix.cpp, ProcessWin.cpp), so that no code above this layer asks which system it runs on.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace korvane {

// The program's arguments after its name, as UTF-8. Call once at the start: on Windows it also makes
// standard output and standard error binary (a line ends in \n, as on every other system) and the
// console show UTF-8.
std::vector<std::string> programArguments(int argc, char** argv);

// The full path of the running program; empty when the system does not tell.
std::string ownProgramPath();

// A file that can be started as a program.
bool isProgram(const std::string& path);

// Runs a program found on PATH with `argv` and waits for it: its exit status, or -1 when it could not
// be started or did not end normally. It shares this program's standard streams.
int runProgram(const std::vector<std::string>& argv);

// Runs a program found on PATH, its standard output read into `output` (what it prints on standard
// error is dropped): its exit status, or -1 when it could not be started or did not end normally. The
// caller owns what was read, and wipes it when it was secret.
int programOutput(const std::vector<std::string>& argv, std::string& output);

// The first line a program found on PATH prints, without its line break; empty when it printed
// nothing or ended with a status other than 0. What it prints on standard error is dropped.
std::string firstLineOf(const std::vector<std::string>& argv);

// `when` as the local time of this machine.
std::tm localTime(std::time_t when);

}  // namespace korvane
