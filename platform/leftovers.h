// What the process leaves on the system while it works: the process groups
// of the programs it starts, its private folders, the sockets its children
// make and its temporary files. Each is recorded while it exists, so that a
// signal that ends the process early can remove them all (see
// termination_signals.h); the code that makes one removes it again as
// usual and takes it off the record.
#pragma once

#include <sys/types.h>

#include <mutex>
#include <string>

namespace gridlet::leftovers {

enum class Kind {
  File,
  Folder,  // removed with everything in it
  Socket,  // removed only while it is a socket
};

// Held while a leftover is made and recorded, so that no cleanup can run
// between the two. Recursive: the recording functions take it too.
std::unique_lock<std::recursive_mutex> Hold();

void AddProcessGroup(pid_t group);
void RemoveProcessGroup(pid_t group);
void AddPath(const std::string& path, Kind kind);
void RemovePath(const std::string& path);

// Kills every recorded process group and waits (up to five seconds) until
// no process of it is left, then removes every recorded path. Keeps the
// record locked on return, so that nothing new is made before the process
// ends.
void RemoveAll();

// Kills the process group until no live process of it is left (up to five
// seconds); `leader` is left as a zombie for its parent to reap.
void KillProcessGroup(pid_t leader);

}  // namespace gridlet::leftovers
