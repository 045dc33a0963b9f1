// Ending the desktop program at once, for the moments when a merge run cannot go on.
#pragma once

namespace korvane {

// The exit status of a merge that did not end: the user closed a conflict dialog without a choice (or
// the run met an internal error). It is not a success, and no file was written.
inline constexpr int kAbandonedExitStatus = 1;

// Ends the process immediately with kAbandonedExitStatus: no further step of a merge run runs and no
// file is written. Settings are already on disk, because every change is written when it happens.
[[noreturn]] void endProgramNow();

}  // namespace korvane
