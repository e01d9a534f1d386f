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

void* NewBlock(std::size_t bytes) {
  if (bytes < kLargeBlock) return ::operator new(bytes);
  void* block = ::operator new(bytes, std::align_val_t{kLargeBlock});
  AdviseFreshMemory(block, bytes);
  return block;
}

void DeleteBlock(void* block, std::size_t bytes) noexcept {
  if (bytes < kLargeBlock) {
    ::operator delete(block);
  } else {
    ::operator delete(block, std::align_val_t{kLargeBlock});
  }
}

}  // namespace gridlet
