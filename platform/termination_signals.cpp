#include "platform/termination_signals.h"

#include <signal.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/leftovers.h"

namespace gridlet {

namespace {

sigset_t TerminationSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  return signals;
}

[[noreturn]] void WaitAndEnd(sigset_t signals) {
  int signal = 0;
  while (sigwait(&signals, &signal) != 0) {
  }
  const char* name = signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP";
  // On a terminal the line replaces whatever progress line it shows.
  const std::string note =
      std::string(::isatty(STDERR_FILENO) ? "\r\033[K" : "") + "gridlet: stopped by " + name + "\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, note.data(), note.size());
  leftovers::RemoveAll();
  ::_exit(128 + signal);
}

}  // namespace

void EndCleanlyOnTerminationSignals() {
  const sigset_t signals = TerminationSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread(WaitAndEnd, signals).detach();
}

}  // namespace gridlet
