// Large buffers that the engine fills once, front to back (the records of a
// long text, its output), are announced here before they are first
// written. On machines where every fresh page costs a fault, filling them
// costs more than the work that fills them; the platform may answer by
// backing them with large pages, or by making their pages at once. Without
// advice nothing is done.
#pragma once

#include <cstddef>

namespace gridlet {

// The size of a large page on the common platforms, and of the engine's
// large blocks.
inline constexpr std::size_t kLargeBlock = std::size_t{2} << 20;

// How a fresh buffer is about to be filled.
enum class FreshUse {
  // Front to back, perhaps not to its end: its pages are best made as
  // they are reached.
  kFilledInTime,
  // Whole, before long: its pages may all be made at once, in one call
  // rather than one fault each.
  kFilledWhole,
};

using FreshMemoryAdvice = void (*)(void* start, std::size_t size, FreshUse use);

// Replaces the advice (nullptr: none). Returns the previous one.
FreshMemoryAdvice SetFreshMemoryAdvice(FreshMemoryAdvice advice);

// Passes a buffer about to be filled to the advice, if there is one.
void AdviseFreshMemory(void* start, std::size_t size, FreshUse use);

}  // namespace gridlet
