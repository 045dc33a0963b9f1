#include "ui/desktop/Program.h"

#include <cstdio>
#include <cstdlib>

namespace korvane {

void endProgramNow() {
    std::fflush(nullptr);
    // Leaving without unwinding: the merge run that is waiting for the dialog must not continue, and
    // destroying the windows from inside their own event handler is not safe.
    std::_Exit(kAbandonedExitStatus);
}

}  // namespace korvane
