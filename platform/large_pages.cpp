#include "platform/large_pages.h"

#include <sys/mman.h>

#include <cstdint>

#include "model/fresh_memory.h"

namespace gridlet {

void AdviseLargePages(void* start, std::size_t size) {
#ifdef MADV_HUGEPAGE
  const auto begin = reinterpret_cast<std::uintptr_t>(start);
  const std::uintptr_t first = (begin + kLargeBlock - 1) & ~(kLargeBlock - 1);
  const std::uintptr_t last = (begin + size) & ~(kLargeBlock - 1);
  // Only advice: a system without large pages refuses it, and the buffer
  // is used as it is.
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)start;
  (void)size;
#endif
}

}  // namespace gridlet
