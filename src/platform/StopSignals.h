// SIGINT, SIGTERM and SIGHUP end the show the way closing the window does: the
// loop finishes its frame and the engine shuts down, so the log ends with its
// shutdown lines and a capture keeps what it wrote. SIGHUP (a closed terminal
// or ssh session) counts as SIGTERM.
#pragma once

namespace stopSignals {

// Installed before SDL_Init: SDL then keeps these handlers instead of its own.
void install();
// The signal that asked for the stop, 0 when none did.
int received();
// The exit status a capture ended by that signal returns: 130 for SIGINT, 143
// for SIGTERM and SIGHUP, 0 when no signal came.
int exitStatus();
// Its name for the one line that says why the show stopped.
const char* name();
// Forgets a received signal (tests run several engines in one process).
void clear();

} // namespace stopSignals
