#include "model/fresh_memory.h"

#include <atomic>
#include <new>

#include "model/block_vector.h"

namespace gridlet {

namespace {
std::atomic<FreshMemoryAdvice> currentAdvice{nullptr};
}

FreshMemoryAdvice SetFreshMemoryAdvice(FreshMemoryAdvice advice) { return currentAdvice.exchange(advice); }

void AdviseFreshMemory(void* start, std::size_t size, FreshUse use) {
  if (FreshMemoryAdvice advice = currentAdvice.load(std::memory_order_relaxed)) advice(start, size, use);
}

namespace {
// Blocks are whole pages, aligned to the page, so that a block touches no
// page beyond its own; large blocks are aligned to a large page.
constexpr std::size_t kPage = 4096;
// Blocks come in sizes that double (or as large as the text they hold): a
// block of this size or more follows as many bytes filled before it, and
// is about to be filled in its turn, likely whole. Its pages are made at
// once. Large blocks are only advised as such: their pages are few.
constexpr std::size_t kMadeAtOnce = std::size_t{64} << 10;

std::align_val_t BlockAlignment(std::size_t bytes) {
  return std::align_val_t{bytes < kLargeBlock ? kPage : kLargeBlock};
}
}  // namespace

void* NewBlock(std::size_t bytes) {
  void* block = ::operator new(bytes, BlockAlignment(bytes));
  if (bytes >= kLargeBlock) {
    AdviseFreshMemory(block, bytes, FreshUse::kFilledInTime);
  } else if (bytes >= kMadeAtOnce) {
    AdviseFreshMemory(block, bytes, FreshUse::kFilledWhole);
  }
  return block;
}

void DeleteBlock(void* block, std::size_t bytes) noexcept { ::operator delete(block, BlockAlignment(bytes)); }

}  // namespace gridlet
