// Reporting a command line that cannot be carried out.
#pragma once

#include <cstdio>
#include <string>

namespace gridlet::cli {

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;

inline int UsageError(const std::string& message) {
  std::fprintf(stderr, "gridlet: %s\nTry 'gridlet --help' for more information.\n", message.c_str());
  return EXIT_USAGE;
}

}  // namespace gridlet::cli
