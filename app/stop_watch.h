// Quitting on an interrupt, termination or hang-up signal: the signals only request a
// stop (platform/stop_request.h), which ends a run between two pieces of output; a watch
// on the event loop then dismisses any open question or dialog (as "no" or cancel) and
// closes the main window once no run is going on, so the program quits cleanly instead
// of dying with half a file under a member's name.
#pragma once

class QWidget;

namespace quillory {

// Installs the signal handlers and the watch over mainWindow (which refuses to close
// during a run).
void InstallStopWatch(QWidget& mainWindow);

}  // namespace quillory
