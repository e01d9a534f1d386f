// What a LibreOffice instance leaves on the system, as tests look for it:
// processes whose command line names a folder (soffice runs with its
// profile there, the helper with its script) and pipe sockets that no one
// listens on any more.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <set>
#include <string>
#include <vector>

namespace gridlet::testing {

struct RunningProcess {
  std::string pid;
  std::string name;  // as /proc gives it: soffice.bin, oosplash, python3
  std::string command;
};

inline std::vector<RunningProcess> ProcessesUsing(const std::filesystem::path& folder) {
  // A process may end while it is read: its files then read as empty.
  const auto read = [](const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  };
  std::vector<RunningProcess> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string command = read(entry.path() / "cmdline");
    std::replace(command.begin(), command.end(), '\0', ' ');
    if (command.find(folder.string()) == std::string::npos) continue;
    std::string name = read(entry.path() / "comm");
    while (!name.empty() && name.back() == '\n') name.pop_back();
    found.push_back({pid, name, command});
  }
  return found;
}

// "pid name: command" for each, to show in a failed expectation.
inline std::vector<std::string> Described(const std::vector<RunningProcess>& processes) {
  std::vector<std::string> lines;
  for (const RunningProcess& p : processes) lines.push_back(p.pid + " " + p.name + ": " + p.command);
  return lines;
}

// LibreOffice's pipe sockets in the temporary folders.
inline std::set<std::string> PipeSockets() {
  std::set<std::string> found;
  for (const char* tmp : {"/tmp", "/var/tmp"}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(tmp, error)) {
      if (entry.path().filename().string().rfind("OSL_PIPE_", 0) == 0) found.insert(entry.path().string());
    }
  }
  return found;
}

// A socket that no one listens on any more.
inline bool IsDeadSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::copy(path.begin(), path.end(), address.sun_path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool dead =
      ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno == ECONNREFUSED;
  ::close(fd);
  return dead;
}

// The dead pipe sockets that were not there before.
inline std::vector<std::string> StalePipeSockets(const std::set<std::string>& before) {
  std::vector<std::string> stale;
  for (const std::string& socket : PipeSockets()) {
    if (before.count(socket) == 0 && IsDeadSocket(socket)) stale.push_back(socket);
  }
  return stale;
}

}  // namespace gridlet::testing
