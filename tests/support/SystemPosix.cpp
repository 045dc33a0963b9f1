// The POSIX side of the tests' system helpers.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "support/TestSupport.h"

namespace korvane::test {

int runShell(const std::string& command, const std::string& errPath, std::string* out) {
    FILE* p =
        ::popen(("(" + command + ")" + (out ? "" : " >/dev/null") + " 2>'" + errPath + "'").c_str(), "r");
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) {
        out->append(buf, n);
    }
    const int raw = ::pclose(p);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

bool makeNamedPipe(const std::string& path) {
    return ::mkfifo(path.c_str(), 0644) == 0;
}

bool makeLink(const std::string& target, const std::string& link) {
    return ::symlink(target.c_str(), link.c_str()) == 0;
}

void setEnvironment(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

}  // namespace korvane::test
