#include "server/sheet_kind_registry.h"

#include "server/tab_text_kind.h"

namespace gridlet {

const SheetKindRegistry& DefaultSheetKinds() {
  static TabTextKind tabText;
  static const SheetKindRegistry registry = [] {
    SheetKindRegistry kinds;
    kinds.Register(QZ_TAB_TEXT, tabText);
    return kinds;
  }();
  return registry;
}

}  // namespace gridlet
