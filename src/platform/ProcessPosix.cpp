#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iterator>
#include <thread>

#include "platform/Process.h"

extern char** environ;

namespace korvane {
namespace {

// Starts `argv` found on PATH; with `output`, its standard output goes into that pipe, its standard
// input comes from /dev/null and its standard error goes there. The process id, or -1.
pid_t start(const std::vector<std::string>& argv, int output) {
    std::vector<char*> pointers;
    for (const std::string& a : argv) {
        pointers.push_back(const_cast<char*>(a.c_str()));
    }
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

using Clock = std::chrono::steady_clock;

// The moment a limit of `seconds` from now ends; none (Clock::time_point::max()) for 0.
Clock::time_point deadlineIn(int seconds) {
    return seconds > 0 ? Clock::now() + std::chrono::seconds(seconds) : Clock::time_point::max();
}

// Waits until `fd` can be read (or has ended); false when the deadline came first.
bool readable(int fd, Clock::time_point deadline) {
    for (;;) {
        int wait = -1;
        if (deadline != Clock::time_point::max()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                return false;
            }
            wait = static_cast<int>(std::min<decltype(left)>(left, INT_MAX));
        }
        pollfd p{fd, POLLIN, 0};
        const int n = poll(&p, 1, wait);
        if (n > 0) {
            return true;
        }
        if (n < 0 && errno != EINTR) {
            return true;  // the read that follows reports the failure
        }
    }
}

// The exit status of `pid`, or -1; a program still running at the deadline is killed (kTimedOut).
int waitFor(pid_t pid, Clock::time_point deadline = Clock::time_point::max()) {
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(pid, &status, deadline == Clock::time_point::max() ? 0 : WNOHANG);
        if (ended == pid) {
            break;
        }
        if (ended < 0 && errno != EINTR) {
            return -1;
        }
        if (ended == 0) {
            if (Clock::now() >= deadline) {
                kill(pid, SIGKILL);
                waitFor(pid);
                return kTimedOut;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::string ownProgramPath() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

bool isProgram(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

int runProgram(const std::vector<std::string>& argv) {
    const pid_t pid = start(argv, -1);
    return pid < 0 ? -1 : waitFor(pid);
}

int programOutput(const std::vector<std::string>& argv, std::string& output, int limitSeconds) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return -1;
    }
    const pid_t pid = start(argv, ends[1]);
    close(ends[1]);
    const Clock::time_point deadline = deadlineIn(limitSeconds);
    char buffer[4096];
    // A program that keeps its output open past the deadline is killed by the wait below.
    for (ssize_t n = 0; pid >= 0 && readable(ends[0], deadline);) {
        n = read(ends[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        output.append(buffer, static_cast<std::size_t>(n));
    }
    std::fill(std::begin(buffer), std::end(buffer), '\0');
    close(ends[0]);
    return pid < 0 ? -1 : waitFor(pid, deadline);
}

int readFirstLine(const std::string& path, std::string& text, int limitSeconds) {
    // Without O_NONBLOCK, opening a named pipe waits for a writer, with no limit.
    const int fd = path == "-" ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const Clock::time_point deadline = deadlineIn(limitSeconds);
    // Standard input is read a byte at a time: what follows the first line is not this reader's.
    char buffer[4096];
    const std::size_t chunk = fd == STDIN_FILENO ? 1 : sizeof buffer;
    int error = 0;
    while (text.find('\n') == std::string::npos) {
        if (!readable(fd, deadline)) {
            error = ETIMEDOUT;
            break;
        }
        const ssize_t n = read(fd, buffer, chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? errno : 0;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    std::fill(std::begin(buffer), std::end(buffer), '\0');
    if (fd != STDIN_FILENO) {
        close(fd);
    }
    return error;
}

void keepOutOfCoreDumps() {
    // A core file would hold the password and the decrypted tiddlers. Linux also keeps a process that
    // is not dumpable out of a core_pattern pipe (a crash collector) and from other processes' ptrace.
#ifdef __linux__
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
    rlimit core{};
    if (getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_cur != 0) {
        core.rlim_cur = 0;
        setrlimit(RLIMIT_CORE, &core);
    }
}

unsigned long ownProcessId() {
    return static_cast<unsigned long>(getpid());
}

std::string machineName() {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

bool processRuns(unsigned long id) {
    // EPERM: it runs, as another user.
    return id <= static_cast<unsigned long>(INT_MAX) && id != 0 &&
           (kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH);
}

std::tm localTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

}  // namespace korvane
