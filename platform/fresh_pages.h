// The engine's fresh-memory advice on this platform (model/fresh_memory.h):
// a large buffer about to be filled is backed with large pages where the
// system offers them (one fault then maps 2 MB instead of 4 KB), and the
// pages of one about to be filled whole are made in one call.
#pragma once

#include <cstddef>

#include "model/fresh_memory.h"

namespace gridlet {

// Asks for large pages for the whole large pages inside [start, start +
// size), and, for a buffer filled whole, for all its whole pages at once.
// Only advice: does nothing where the system has neither.
void AdviseFreshPages(void* start, std::size_t size, FreshUse use);

}  // namespace gridlet
