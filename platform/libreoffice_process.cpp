#include "platform/libreoffice_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

#include "platform/leftovers.h"

extern char** environ;

namespace gridlet {
namespace {

std::string SystemError(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

// This process's environment with the given variables set.
std::vector<std::string> MergedEnvironment(
    const std::vector<std::pair<std::string, std::string>>& overrides) {
  std::map<std::string, std::string> variables;
  std::vector<std::string> order;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string text(*entry);
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = text.substr(0, equals);
    if (variables.emplace(name, text.substr(equals + 1)).second) order.push_back(name);
  }
  for (const auto& [name, value] : overrides) {
    if (variables.count(name) == 0) order.push_back(name);
    variables[name] = value;
  }
  std::vector<std::string> merged;
  for (const std::string& name : order) merged.push_back(name + "=" + variables[name]);
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void UniqueFd::Reset() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::unique_ptr<ChildProcess> ChildProcess::Spawn(const Launch& launch, std::string* why) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);

  const int streams[3] = {launch.standardInput, launch.standardOutput, launch.standardError};
  for (int target = 0; target < 3; ++target) {
    if (streams[target] >= 0) {
      posix_spawn_file_actions_adddup2(&actions, streams[target], target);
    } else {
      posix_spawn_file_actions_addopen(&actions, target, "/dev/null", target == 0 ? O_RDONLY : O_WRONLY, 0);
    }
  }
  // A process group of its own, and the usual dispositions whatever ours are.
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGHUP);
  sigset_t noMask;
  sigemptyset(&noMask);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &noMask);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> argv{launch.program};
  argv.insert(argv.end(), launch.arguments.begin(), launch.arguments.end());
  std::vector<std::string> envp = MergedEnvironment(launch.environment);
  std::vector<char*> argvPointers = Pointers(argv);
  std::vector<char*> envpPointers = Pointers(envp);

  pid_t pid = -1;
  // Started and recorded at once: a signal that ends this process ends
  // the child's group too.
  auto hold = leftovers::Hold();
  const int error = posix_spawn(&pid, launch.program.c_str(), &actions, &attributes,
                                argvPointers.data(), envpPointers.data());
  if (error == 0) leftovers::AddProcessGroup(pid);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    if (why) *why = SystemError(launch.program.c_str(), error);
    return nullptr;
  }
  return std::unique_ptr<ChildProcess>(new ChildProcess(pid));
}

ChildProcess::~ChildProcess() { KillGroup(); }

bool ChildProcess::HasExited() {
  if (reaped_) return true;
  siginfo_t info{};
  // WNOWAIT: a finished child stays a zombie, so its group id cannot be
  // given to anyone else before KillGroup.
  if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
    return errno == ECHILD;
  }
  return info.si_pid != 0;
}

bool ChildProcess::WaitForExit(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!HasExited()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void ChildProcess::KillGroup() {
  if (reaped_) return;
  // The group is ours: the child leads it, and while it is not reaped its
  // id cannot pass to anyone else.
  leftovers::KillProcessGroup(pid_);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  reaped_ = true;
  leftovers::RemoveProcessGroup(pid_);
}

std::optional<std::pair<LineChannel, UniqueFd>> LineChannel::Create(std::string* why) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    if (why) *why = SystemError("socketpair", errno);
    return std::nullopt;
  }
  return std::make_pair(LineChannel(UniqueFd(fds[0])), UniqueFd(fds[1]));
}

bool LineChannel::SendLine(std::string_view line) {
  if (!fd_.Valid()) return false;
  std::string message(line);
  message.push_back('\n');
  std::size_t sent = 0;
  while (sent < message.size()) {
    // MSG_NOSIGNAL: a helper that is gone gives an error, not SIGPIPE.
    const ssize_t n = ::send(fd_.Get(), message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

LineChannel::Status LineChannel::ReceiveLine(std::string& line,
                                             std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return Status::Line;
    }
    if (!fd_.Valid()) return Status::Closed;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return Status::Timeout;
    pollfd watch{fd_.Get(), POLLIN, 0};
    const int ready = ::poll(&watch, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (ready < 0 && errno != EINTR) return Status::Closed;
    if (ready <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::recv(fd_.Get(), buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      fd_.Reset();
      return Status::Closed;
    }
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace gridlet
