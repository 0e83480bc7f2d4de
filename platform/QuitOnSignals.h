#pragma once

#include <functional>

class QCoreApplication;

// Ends the application's event loops when SIGTERM, SIGINT or SIGHUP arrives (how XScreenSaver
// stops a display mode, Ctrl+C in a terminal, the terminal closing), so that the program leaves
// through main and cleans up like any other exit. The handler only writes a byte to a pipe; the
// quit happens in the event loop. SIGUSR1, when report is given, calls it instead (for a look at a
// running program from outside, such as its frame count). SIGPIPE is ignored: a message to a closed
// pipe is lost, nothing more. Returns false when the pipe could not be made (the default handlers
// then stay).
bool QuitOnSignals(QCoreApplication& app, const std::function<void()>& report = {});

// Whether such a signal has come: one that came while a start waited in a loop of its own ended
// only that loop, and the main loop, started afterwards, would not know it.
bool QuitRequested();
