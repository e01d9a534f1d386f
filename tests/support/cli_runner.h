// Runs the gridlet command in a scratch folder and captures what it
// prints.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace gridlet::testing {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("gridlet-test-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  void Write(const std::string& name, const std::string& content) const {
    std::filesystem::create_directories((path_ / name).parent_path());
    std::ofstream(path_ / name, std::ios::binary) << content;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

 private:
  std::filesystem::path path_;
};

// Whether the text holds the part.
inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The characters of UTF-8 text: the columns it takes on a terminal when it
// holds no wide character.
inline std::size_t CodePoints(const std::string& utf8) {
  std::size_t count = 0;
  for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

inline std::string CliPath() {
  const char* path = std::getenv("GRIDLET_CLI");
  return path ? path : "gridlet";
}

// Runs `gridlet ARGS` in the folder with no terminal attached, in a UTF-8
// locale. A command that does not end within a minute is stopped (status
// 124).
inline CliResult RunCli(const ScratchFolder& folder, const std::string& args) {
  const std::string out = folder / ".stdout";
  const std::string err = folder / ".stderr";
  const std::string command = "cd '" + folder.Path().string() + "' && LC_ALL=C.UTF-8 timeout 60 '" +
                              CliPath() + "' " + args + " </dev/null >'" + out + "' 2>'" + err + "'";
  CliResult result;
  const int raw = std::system(command.c_str());
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = folder.Read(".stdout");
  result.err = folder.Read(".stderr");
  return result;
}

}  // namespace gridlet::testing
