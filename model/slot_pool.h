// Fixed-size slots for the objects that a sheet makes one of per cell: the
// text cells and the IntermediateCell records. A text file of 50 MB holds
// millions of cells; taking them from the general heap one by one costs more
// than reading the bytes, and each carries the heap's own header.
//
// Slots are cut in order from blocks of kSlotBlockSize bytes, aligned to
// their size so that a slot finds its block from its address. Each thread
// cuts from a block of its own; a freed slot is not used again, but a block
// goes back as soon as it is no longer a thread's current block and all its
// slots are freed, on whichever thread: the first such block of a pool is
// kept as the pool's spare for its next new block, the others go back to
// the heap. The cells and records of one conversion are made together and
// freed together, so their blocks empty together and memory stays in
// proportion to the sheets alive; the spare spares a batch of small sheets
// asking the system for a fresh block (and faulting it in) sheet by sheet.
//
// Under AddressSanitizer the slots come from the general heap, so that the
// sanitizer still sees every object on its own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>

namespace gridlet {

#if defined(__SANITIZE_ADDRESS__)
#define GRIDLET_SLOT_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GRIDLET_SLOT_POOL 0
#endif
#endif
#ifndef GRIDLET_SLOT_POOL
#define GRIDLET_SLOT_POOL 1
#endif

inline constexpr std::size_t kSlotBlockSize = 256 * 1024;

namespace slot_pool_detail {

// The head of a block. `remaining` counts the slots handed out and not yet
// freed, plus kCurrent while the block is a thread's current block; the
// count that brings it to zero frees the block.
struct Block {
  std::atomic<std::uint64_t> remaining;
  std::atomic<Block*>* spare;  // the pool's spare block
};

inline constexpr std::uint64_t kCurrent = std::uint64_t{1} << 62;
inline constexpr std::size_t kFirstSlot =
    (sizeof(Block) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
    alignof(std::max_align_t);

inline Block* BlockOf(void* slot) {
  return reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(slot) & ~(kSlotBlockSize - 1));
}

inline void Drop(Block* block, std::uint64_t count) {
  if (block->remaining.fetch_sub(count, std::memory_order_acq_rel) != count) return;
  Block* none = nullptr;
  if (block->spare->compare_exchange_strong(none, block, std::memory_order_acq_rel)) return;
  block->~Block();
  ::operator delete(block, std::align_val_t{kSlotBlockSize});
}

}  // namespace slot_pool_detail

template <std::size_t SlotSize, std::size_t SlotAlign>
class SlotPool {
  static_assert(SlotAlign <= alignof(std::max_align_t) && SlotSize % SlotAlign == 0);
  static_assert(SlotSize <= kSlotBlockSize - slot_pool_detail::kFirstSlot);

 public:
  // A slot of SlotSize bytes; raises std::bad_alloc when no block can be had.
  static void* Allocate() {
#if GRIDLET_SLOT_POOL
    Current& current = Mine();
    if (!current.block || current.next + SlotSize > kSlotBlockSize) current.Replace();
    void* slot = reinterpret_cast<char*>(current.block) + current.next;
    current.next += SlotSize;
    ++current.handed;
    return slot;
#else
    return ::operator new(SlotSize);
#endif
  }

  // Frees a slot from Allocate, on any thread.
  static void Free(void* slot) noexcept {
#if GRIDLET_SLOT_POOL
    slot_pool_detail::Drop(slot_pool_detail::BlockOf(slot), 1);
#else
    ::operator delete(slot);
#endif
  }

 private:
  // The block this thread cuts slots from.
  struct Current {
    slot_pool_detail::Block* block = nullptr;
    std::size_t next = 0;      // offset of the next slot
    std::uint64_t handed = 0;  // slots cut from the block
    Current() = default;
    Current(const Current&) = delete;
    Current& operator=(const Current&) = delete;
    ~Current() { Retire(); }

    // A fresh block; the old one is kept when none can be had.
    void Replace() {
      slot_pool_detail::Block* fresh = Spare().exchange(nullptr, std::memory_order_acq_rel);
      if (!fresh) {
        void* memory = ::operator new(kSlotBlockSize, std::align_val_t{kSlotBlockSize});
        fresh = new (memory) slot_pool_detail::Block{};
        fresh->spare = &Spare();
      }
      fresh->remaining.store(slot_pool_detail::kCurrent, std::memory_order_relaxed);
      Retire();
      block = fresh;
      next = slot_pool_detail::kFirstSlot;
      handed = 0;
    }
    // After this the block's count is the slots still in use.
    void Retire() {
      if (!block) return;
      slot_pool_detail::Drop(block, slot_pool_detail::kCurrent - handed);
      block = nullptr;
    }
  };

  static Current& Mine() {
    thread_local Current current;
    return current;
  }
  // An emptied block kept for the pool's next one (or null), on any thread.
  static std::atomic<slot_pool_detail::Block*>& Spare() {
    static std::atomic<slot_pool_detail::Block*> spare{nullptr};
    return spare;
  }
};

// The bodies of a class's own operator new and delete: objects of exactly
// the class come from its slot pool, objects of larger derived classes
// (whose size the operators are given) from the general heap.
template <class T>
void* NewPooled(std::size_t size) {
  return size == sizeof(T) ? SlotPool<sizeof(T), alignof(T)>::Allocate() : ::operator new(size);
}

template <class T>
void DeletePooled(void* object, std::size_t size) noexcept {
  if (size == sizeof(T)) {
    SlotPool<sizeof(T), alignof(T)>::Free(object);
  } else {
    ::operator delete(object);
  }
}

}  // namespace gridlet
