#pragma once
// halvex-t44 from start to end: the process-wide objects, the command line, the single
// instance rule, the background program, the window side, the event listener and then the
// presence monitor, the event loop, and the orderly end.

namespace t44::shell::qt {

// Returns the process's exit code.
int runApplication(int argc, char **argv);

}  // namespace t44::shell::qt
