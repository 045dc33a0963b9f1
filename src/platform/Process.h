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
// console show UTF-8, and a program without a console of its own (the desktop program) started from a
// console writes to that console.
std::vector<std::string> programArguments(int argc, char** argv);

// The full path of the running program; empty when the system does not tell.
std::string ownProgramPath();

// A file that can be started as a program.
bool isProgram(const std::string& path);

// Runs a program found on PATH with `argv` and waits for it: its exit status, or -1 when it could not
// be started or did not end normally. It shares this program's standard streams.
int runProgram(const std::vector<std::string>& argv);

// How long a password command may run, and a password pipe may stay silent, before the run stops: a
// password that never comes must not hang a merge, nor git, which waits for its merge driver.
constexpr int kPasswordSeconds = 60;
// programOutput's status for a program that did not end within its time limit (it was killed).
constexpr int kTimedOut = -2;

// Runs a program found on PATH with standard input closed, its standard output read into `output`
// (what it prints on standard error is dropped): its exit status, or -1 when it could not be started or
// did not end normally. With a limit, a program still running after `limitSeconds` is killed
// (kTimedOut). The caller owns what was read, and wipes it when it was secret.
int programOutput(const std::vector<std::string>& argv, std::string& output, int limitSeconds = 0);

// Reads the first line of a file (`-`: standard input), its line end included, into `text`: 0, or the
// errno value of the failure; ETIMEDOUT when a pipe gave no complete line within `limitSeconds` (a
// regular file is read whatever its size). The caller wipes `text` when it was secret.
int readFirstLine(const std::string& path, std::string& text, int limitSeconds);

// Keeps this process out of core dumps and crash reports for the rest of its life, since a password or
// decrypted text is (or is about to be) in its memory. Cheap, and the same when called again.
void keepOutOfCoreDumps();

// The first line a program found on PATH prints, without its line break; empty when it printed
// nothing or ended with a status other than 0. What it prints on standard error is dropped.
std::string firstLineOf(const std::vector<std::string>& argv);

// This process's number and this machine's name, which a lock file records; processRuns tells whether
// a process of this machine with that number still runs (true when the system will not say).
unsigned long ownProcessId();
std::string machineName();
bool processRuns(unsigned long id);

// `when` as the local time of this machine.
std::tm localTime(std::time_t when);

}  // namespace korvane
