// Reporting a command line that cannot be carried out.
#pragma once

#include <cstdio>
#include <string>

namespace gridlet::cli {

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;

// Prints the problem and where to read how to say it; `command` is the
// subcommand that was given, if any.
inline int UsageError(const std::string& message, const std::string& command = {}) {
  const std::string help = command.empty() ? "gridlet --help" : "gridlet " + command + " --help";
  std::fprintf(stderr, "gridlet: %s\nTry '%s' for more information.\n", message.c_str(), help.c_str());
  return EXIT_USAGE;
}

}  // namespace gridlet::cli
