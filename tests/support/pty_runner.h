// Runs the gridlet command on a pseudo-terminal, as a person at a terminal
// would: standard input, output and error are the terminal, of a given
// width and locale, and prompts are answered from a script as they appear.
// Nothing waits for a person: every prompt must be scripted, and a command
// that does not end within the deadline (a prompt left unanswered) is
// killed, which the result says.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/cli_runner.h"

namespace gridlet::testing {

struct PtyRun {
  std::string args;                      // split at spaces; no quoting
  std::vector<std::string> extraArgs;    // further arguments, taken whole
  unsigned short columns = 80;
  std::string locale = "C.UTF-8";
  // Each prompt is answered with the next line once its text (the first of
  // the pair) has appeared since the last answer.
  std::vector<std::pair<std::string, std::string>> answers;
};

struct PtyResult {
  int status = -1;         // the exit status, -1 when killed
  bool timedOut = false;
  std::string output;      // everything the terminal showed, CR LF as LF
  std::size_t answered = 0;
};

inline PtyResult RunOnPty(const ScratchFolder& folder, const PtyRun& run) {
  std::vector<std::string> words;
  for (std::size_t at = 0; at < run.args.size();) {
    const std::size_t space = run.args.find(' ', at);
    const std::size_t end = space == std::string::npos ? run.args.size() : space;
    if (end > at) words.push_back(run.args.substr(at, end - at));
    at = end + 1;
  }
  words.insert(words.end(), run.extraArgs.begin(), run.extraArgs.end());
  const std::string program = CliPath();

  struct winsize size {};
  size.ws_col = run.columns;
  size.ws_row = 24;
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, &size);
  if (child < 0) return {};
  if (child == 0) {
    if (chdir(folder.Path().c_str()) != 0) _exit(127);
    setenv("LC_ALL", run.locale.c_str(), 1);
    setenv("TERM", "xterm", 1);
    unsetenv("COLUMNS");
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }

  PtyResult result;
  std::string sinceAnswer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  char buffer[4096];
  for (;;) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      result.timedOut = true;
      break;
    }
    pollfd fd{master, POLLIN, 0};
    if (poll(&fd, 1, 200) <= 0) continue;
    const ssize_t got = read(master, buffer, sizeof buffer);
    if (got <= 0) break;  // the command closed the terminal: it ended
    result.output.append(buffer, static_cast<std::size_t>(got));
    sinceAnswer.append(buffer, static_cast<std::size_t>(got));
    if (result.answered < run.answers.size() &&
        sinceAnswer.find(run.answers[result.answered].first) != std::string::npos) {
      const std::string line = run.answers[result.answered].second + "\n";
      if (write(master, line.data(), line.size()) < 0) break;
      ++result.answered;
      sinceAnswer.clear();
    }
  }
  close(master);
  int raw = 0;
  waitpid(child, &raw, 0);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  // The terminal ends lines with CR LF, and echoes what was typed.
  std::string plain;
  for (std::size_t i = 0; i < result.output.size(); ++i) {
    if (result.output[i] == '\r' && i + 1 < result.output.size() && result.output[i + 1] == '\n') continue;
    plain += result.output[i];
  }
  result.output = std::move(plain);
  return result;
}

}  // namespace gridlet::testing
