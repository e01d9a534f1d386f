// Large source files mapped into memory instead of copied. Reading a mapped
// file raises SIGBUS when another program cuts the file short meanwhile, so
// files are mapped only in a process that ends cleanly on that signal: a
// message, its leftovers removed (leftovers.h), exit status 1.
#pragma once

#include <cstddef>
#include <optional>

#include "model/source_bytes.h"

namespace gridlet {

// Installs the handler; from then on MapFile maps. A bus error outside the
// mapped files keeps its usual effect.
void EndCleanlyWhenAMappedFileShrinks();

// Maps `size` bytes of the open regular file read only; nothing when the
// handler is not installed or the system refuses (the caller then reads
// the file). The mapping lasts while the bytes are held.
std::optional<SourceBytes> MapFile(int fd, std::size_t size);

}  // namespace gridlet
