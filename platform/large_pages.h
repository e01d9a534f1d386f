// Backing a large buffer about to be filled with large pages where the
// system offers them: one fault then maps 2 MB instead of 4 KB. The
// engine's fresh-memory advice on this platform (model/fresh_memory.h).
#pragma once

#include <cstddef>

namespace gridlet {

// Asks for large pages for the whole large pages inside [start, start +
// size); does nothing where the system has none, or for small buffers.
void AdviseLargePages(void* start, std::size_t size);

}  // namespace gridlet
