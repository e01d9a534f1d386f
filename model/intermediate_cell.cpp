#include "model/intermediate_cell.h"

#include "model/slot_pool.h"

namespace gridlet {

namespace {
using RecordPool = SlotPool<sizeof(IntermediateCell), alignof(IntermediateCell)>;
}

void* IntermediateCell::operator new(std::size_t size) {
  return size == sizeof(IntermediateCell) ? RecordPool::Allocate() : ::operator new(size);
}

void IntermediateCell::operator delete(void* record, std::size_t size) noexcept {
  if (size == sizeof(IntermediateCell)) {
    RecordPool::Free(record);
  } else {
    ::operator delete(record);
  }
}

}  // namespace gridlet
