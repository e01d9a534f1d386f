#include "model/intermediate_cell.h"

#include "model/slot_pool.h"

namespace gridlet {

void* IntermediateCell::operator new(std::size_t size) { return NewPooled<IntermediateCell>(size); }

void IntermediateCell::operator delete(void* record, std::size_t size) noexcept {
  DeletePooled<IntermediateCell>(record, size);
}

}  // namespace gridlet
