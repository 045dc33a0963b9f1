// Ending the desktop program at once, for the moments when the user abandons a merge run.
#pragma once

namespace korvane {

// Ends the process immediately with exit status 0: no further step of a merge run runs and no file is
// written. Settings are already on disk, because every change is written when it happens.
[[noreturn]] void endProgramNow();

}  // namespace korvane
