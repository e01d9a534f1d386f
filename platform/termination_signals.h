// Ending the process cleanly on SIGINT, SIGTERM and SIGHUP: the programs it
// started are killed and everything recorded in leftovers.h is removed
// before it exits with the conventional status, 128 + the signal's number
// (130 for SIGINT).
#pragma once

namespace gridlet {

// Blocks the three signals in the calling thread, and so in every thread
// started after it, and starts a thread that waits for them. Call it at
// the start of main, before any other thread exists. Children started
// through ChildProcess get the default dispositions and no blocked signal.
void EndCleanlyOnTerminationSignals();

}  // namespace gridlet
