// The processes the LibreOffice adapter starts, and the line channel to
// its helper. Each child runs in a process group of its own, so that it
// can be ended together with the processes it starts itself.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gridlet {

// An owned file descriptor.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  void Reset();

 private:
  int fd_ = -1;
};

class ChildProcess {
 public:
  struct Launch {
    std::string program;                 // a path; PATH is not searched
    std::vector<std::string> arguments;  // after the program's own name
    // Set on top of this process's environment.
    std::vector<std::pair<std::string, std::string>> environment;
    int standardInput = -1;  // -1: /dev/null, for each of the three
    int standardOutput = -1;
    int standardError = -1;
  };

  // Starts the program in a new process group; null with *why on failure.
  static std::unique_ptr<ChildProcess> Spawn(const Launch& launch, std::string* why);

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Ends the group when it is still there.
  ~ChildProcess();

  pid_t Id() const { return pid_; }
  // Whether the child has ended. It stays unreaped, and so keeps its
  // process group reserved, until KillGroup.
  bool HasExited();
  // Waits until the child has ended or the time is up.
  bool WaitForExit(std::chrono::milliseconds limit);
  // Kills whatever is left of the group and reaps the child. Idempotent.
  void KillGroup();

 private:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  pid_t pid_;
  bool reaped_ = false;
};

// A stream socket to a child, one text line per message.
class LineChannel {
 public:
  // Ours and the end to hand to the child as its standard input and output.
  static std::optional<std::pair<LineChannel, UniqueFd>> Create(std::string* why);

  // False when the other end is gone.
  bool SendLine(std::string_view line);

  enum class Status { Line, Timeout, Closed };
  // The next line, without its LF.
  Status ReceiveLine(std::string& line, std::chrono::steady_clock::time_point deadline);

  void Close() { fd_.Reset(); }

 private:
  explicit LineChannel(UniqueFd fd) : fd_(std::move(fd)) {}
  UniqueFd fd_;
  std::string pending_;
};

}  // namespace gridlet
