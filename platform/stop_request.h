// The one state the whole process shares: a request to stop, as an interrupt or
// termination signal makes it. Every run looks at it beside its own stop token (the
// user's Cancel, common/member_run.h) at each piece of output and between members, so that
// a run stops between two pieces and cleans up instead of dying with half a file under a
// member's name. Setting it is safe inside a signal handler; nothing here blocks,
// allocates or takes a lock.
#pragma once

namespace quillory::platform {

// Asks the work in progress to stop. signalNumber is the signal that asked (0 for none);
// the first request's number is kept. Async-signal-safe.
void RequestStop(int signalNumber);

// True once a stop has been requested (until ResetStopRequest).
bool StopRequested();

// The signal of the first request, 0 when none came from a signal.
int StopSignal();

// Forgets the request (tests, and a process that starts new work after a stop).
void ResetStopRequest();

// Makes SIGINT, SIGTERM and SIGHUP request a stop instead of ending the process at once.
// A blocking read of the terminal is interrupted by them (no automatic restart), so a
// question waiting for an answer gives up.
void InstallStopSignalHandlers();

// Keeps those signals away from the calling thread (a worker), so that they reach the
// thread that may be waiting at the terminal and interrupt its read.
void BlockStopSignals();

}  // namespace quillory::platform
