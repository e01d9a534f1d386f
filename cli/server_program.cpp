#include "cli/server_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli/usage_error.h"

namespace gridlet::cli {

namespace {

constexpr const char* kProgram = "gridlet-serve";

// The folder of the running program.
std::filesystem::path OwnFolder(const char* argv0) {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) self = std::filesystem::absolute(argv0, error);
  return self.parent_path();
}

}  // namespace

int StartServer(const char* argv0, const std::vector<std::string>& arguments) {
  const std::filesystem::path folder = OwnFolder(argv0);
  const std::filesystem::path candidates[] = {folder / kProgram,
                                              folder / ".." / "libexec" / "gridlet" / kProgram};
  int error = ENOENT;
  for (const std::filesystem::path& program : candidates) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    error = errno == ENOENT ? error : errno;
  }
  std::fprintf(stderr, "gridlet: error: cannot start the web service (%s beside gridlet): %s\n", kProgram,
               std::strerror(error));
  return EXIT_FAILED;
}

}  // namespace gridlet::cli
