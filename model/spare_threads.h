// Threads for work done beside the caller's, kept once their work has
// ended: a thread that is done waits a while for more work rather than
// ending. A run that reads a large text on two threads, writes it on two
// and syncs it on a third starts two threads, not four; and a service
// converting one file after another starts none for most of them. Each
// start costs about as much as writing a few hundred kilobytes.
#pragma once

#include <cstddef>
#include <functional>
#include <future>

namespace gridlet {

// Runs `work` on a spare thread, started if none is waiting. `work` must
// not throw. Returns false, without running it, when no thread could be
// started.
bool RunOnSpareThread(std::function<void()> work);

// Runs `work` on a spare thread; the future tells when it has ended and
// holds what it threw. When no thread could be started, `work` is dropped
// unrun and the future is not valid.
std::future<void> StartOnSpareThread(std::function<void()> work);

// How many spare threads wait for work now.
std::size_t SpareThreadsWaiting();

}  // namespace gridlet
