#include "platform/fresh_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <utility>

namespace gridlet {

namespace {
// The whole units of `unit` bytes inside [start, start + size), as a start
// and a size (0 when there is none).
std::pair<std::uintptr_t, std::size_t> WholeUnits(void* start, std::size_t size, std::size_t unit) {
  const auto begin = reinterpret_cast<std::uintptr_t>(start);
  const std::uintptr_t first = (begin + unit - 1) & ~(unit - 1);
  const std::uintptr_t last = (begin + size) & ~(unit - 1);
  return {first, last > first ? last - first : 0};
}
}  // namespace

void AdviseFreshPages(void* start, std::size_t size, FreshUse use) {
  // Refused advice (an older kernel, a system without large pages) leaves
  // the buffer as it is.
#ifdef MADV_HUGEPAGE
  if (const auto [first, length] = WholeUnits(start, size, kLargeBlock); length != 0) {
    ::madvise(reinterpret_cast<void*>(first), length, MADV_HUGEPAGE);
  }
#endif
#ifdef MADV_POPULATE_WRITE
  if (use == FreshUse::kFilledWhole) {
    static const auto kPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (const auto [first, length] = WholeUnits(start, size, kPage); length != 0) {
      ::madvise(reinterpret_cast<void*>(first), length, MADV_POPULATE_WRITE);
    }
  }
#endif
  // (Unused where the system has neither advice.)
  (void)start;
  (void)size;
  (void)use;
}

}  // namespace gridlet
