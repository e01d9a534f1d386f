// Which sheet kind reads and writes each file type.
#pragma once

#include <array>

#include "server/file_types.h"
#include "server/sheet_kind.h"

namespace gridlet {

class SheetKindRegistry {
 public:
  // The kind for a file type, or null when the type has none.
  SheetKind* Find(GRIDLET_FILE_TYPES type) const {
    return type >= 0 && type < static_cast<int>(kinds_.size()) ? kinds_[type] : nullptr;
  }
  void Register(GRIDLET_FILE_TYPES type, SheetKind& kind) { kinds_.at(type) = &kind; }

 private:
  // Indexed by file type; the XF type is read and written through the XD
  // Plus kind and has no entry of its own.
  std::array<SheetKind*, QZ_GRIDLET_NULL> kinds_{};
};

// Every kind this build has.
const SheetKindRegistry& DefaultSheetKinds();

}  // namespace gridlet
