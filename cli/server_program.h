// Starting the web service's program (gridlet-serve) in place of the
// command, for `gridlet serve`.
#pragma once

#include <string>
#include <vector>

namespace gridlet::cli {

// Replaces the process with gridlet-serve and the arguments: the program
// beside the command (a build) or in ../libexec/gridlet (an installation).
// Returns only when it cannot be started, after saying why: exit status 1.
int StartServer(const char* argv0, const std::vector<std::string>& arguments);

}  // namespace gridlet::cli
