// A `gridlet serve` of a test's own: started on a free port of the loopback
// address with the options given, with a temporary folder of its own
// (TMPDIR) so that a test can see what it leaves behind, and stopped with
// SIGTERM. Also what the web tests share: multipart requests and the
// command's output for the same files.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_runner.h"

extern char** environ;

namespace gridlet::testing {

namespace fs = std::filesystem;

class ServedGridlet {
 public:
  explicit ServedGridlet(const std::vector<std::string>& options = {}) {
    fs::create_directories(scratch_.Path() / "tmp");
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe");
    std::vector<std::string> arguments{CliPath(), "serve", "--port", "0"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment{"TMPDIR=" + (scratch_.Path() / "tmp").string()};
    for (char** variable = environ; *variable; ++variable) {
      if (std::string_view(*variable).rfind("TMPDIR=", 0) != 0) environment.emplace_back(*variable);
    }
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string log = (scratch_.Path() / "serve.log").string();
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (error != 0) {
      ::close(out[0]);
      throw std::runtime_error("cannot start " + arguments[0]);
    }
    // "Gridlet serves on http://127.0.0.1:PORT/ ..."
    const std::string line = ReadLine(out[0], std::chrono::seconds(60));
    ::close(out[0]);
    const std::size_t at = line.find("127.0.0.1:");
    if (at == std::string::npos) {
      Stop();
      throw std::runtime_error("gridlet serve did not say where it listens: " + line + Log());
    }
    port_ = std::stoi(line.substr(at + 10));
  }
  ServedGridlet(const ServedGridlet&) = delete;
  ServedGridlet& operator=(const ServedGridlet&) = delete;
  ~ServedGridlet() { Stop(); }

  int Port() const { return port_; }
  pid_t Pid() const { return pid_; }
  // The server's temporary folder.
  fs::path TempFolder() const { return scratch_.Path() / "tmp"; }
  std::string Log() const { return "\n--- serve.log:\n" + scratch_.Read("serve.log"); }

  std::unique_ptr<httplib::Client> Client() const {
    auto client = std::make_unique<httplib::Client>("127.0.0.1", port_);
    client->set_connection_timeout(std::chrono::seconds(10));
    client->set_read_timeout(std::chrono::seconds(300));
    client->set_write_timeout(std::chrono::seconds(60));
    return client;
  }

  // The process runs and answers its health check.
  bool Alive() const {
    if (pid_ <= 0 || ::waitpid(pid_, nullptr, WNOHANG) != 0) return false;
    httplib::Result result = Client()->Get("/api/health");
    return result && result->status == 200;
  }

  // Stops the server with SIGTERM; its exit status (-1 when it did not
  // end by itself and was killed, or had ended before).
  int Stop() {
    if (pid_ <= 0) return status_;
    int raw = 0;
    if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
      status_ = -1;  // it ended before it was told to
    } else {
      ::kill(pid_, SIGTERM);
      status_ = -1;
      for (int i = 0; i < 600; ++i) {
        if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
          status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      if (status_ == -1 && ::waitpid(pid_, &raw, WNOHANG) == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &raw, 0);
      }
    }
    pid_ = -1;
    return status_;
  }

 private:
  static std::string ReadLine(int fd, std::chrono::seconds limit) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd wanted{fd, POLLIN, 0};
      if (::poll(&wanted, 1, 200) <= 0) continue;
      char buffer[256];
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got <= 0) break;
      line.append(buffer, static_cast<std::size_t>(got));
    }
    return line;
  }

  ScratchFolder scratch_;
  pid_t pid_ = -1;
  int port_ = 0;
  int status_ = -1;
};

// A multipart part: a file when a file name is given, a field otherwise.
inline httplib::MultipartFormData FilePart(const std::string& fileName, const std::string& content) {
  return {"file", content, fileName, "application/octet-stream"};
}
inline httplib::MultipartFormData Field(const std::string& name, const std::string& value) {
  return {name, value, "", ""};
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// A file the command wrote: its name and its bytes.
struct Written {
  std::string name;
  std::string bytes;
};

// What `gridlet convert` writes for sources of the folder, converted
// together to `target` in a fresh output folder: the written files in the
// order of the sources (the command prints each path written).
inline std::vector<Written> CommandOutputs(const ScratchFolder& folder, const std::vector<std::string>& sources,
                                           const std::string& target, const std::string& options = "") {
  static int run = 0;
  const std::string out = "out-" + std::to_string(++run);
  fs::create_directories(folder.Path() / out);
  std::string arguments = "convert";
  for (const std::string& source : sources) arguments += " '" + source + "'";
  arguments += " --to " + target + " -o " + out + " " + options;
  const CliResult result = RunCli(folder, arguments);
  std::vector<Written> outputs;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    const fs::path path = fs::path(line).is_absolute() ? fs::path(line) : folder.Path() / line;
    outputs.push_back({path.filename().string(), ReadFile(path)});
  }
  EXPECT_EQ(outputs.size(), sources.size()) << "gridlet " << arguments << ":\n" << result.err;
  return outputs;
}

inline bool HaveLibreOffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

}  // namespace gridlet::testing
