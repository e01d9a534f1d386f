#include "model/fresh_memory.h"

#include <atomic>
#include <new>

#include "model/block_vector.h"

namespace gridlet {

namespace {
std::atomic<FreshMemoryAdvice> currentAdvice{nullptr};
}

FreshMemoryAdvice SetFreshMemoryAdvice(FreshMemoryAdvice advice) { return currentAdvice.exchange(advice); }

void AdviseFreshMemory(void* start, std::size_t size) {
  if (FreshMemoryAdvice advice = currentAdvice.load(std::memory_order_relaxed)) advice(start, size);
}

namespace {
// Blocks are whole pages, aligned to the page, so that a block touches no
// page beyond its own; large blocks are aligned to a large page.
constexpr std::size_t kPage = 4096;

std::align_val_t BlockAlignment(std::size_t bytes) {
  return std::align_val_t{bytes < kLargeBlock ? kPage : kLargeBlock};
}
}  // namespace

void* NewBlock(std::size_t bytes) {
  void* block = ::operator new(bytes, BlockAlignment(bytes));
  if (bytes >= kLargeBlock) AdviseFreshMemory(block, bytes);
  return block;
}

void DeleteBlock(void* block, std::size_t bytes) noexcept { ::operator delete(block, BlockAlignment(bytes)); }

}  // namespace gridlet
