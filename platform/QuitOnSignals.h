#pragma once

class QCoreApplication;

// Ends the application's event loops when SIGTERM or SIGINT arrives (how XScreenSaver stops a
// display mode, and Ctrl+C in a terminal), so that the program leaves through main and cleans up
// like any other exit. The handler only writes a byte to a pipe; the quit happens in the event
// loop. Returns false when the pipe could not be made (the default handlers then stay).
bool QuitOnSignals(QCoreApplication& app);
