#include "server/sheet_kind_registry.h"

#include "server/sheet68k_kind.h"
#include "server/tab_text_kind.h"
#include "server/workbook_kind.h"
#include "server/xb_plus_kind.h"

namespace gridlet {

const SheetKindRegistry& DefaultSheetKinds() {
  static TabTextKind tabText;
  static WorkbookKind workbook;
  static Sheet68kKind sheetXc(QZ_GRIDLET_XC), sheetXd(QZ_GRIDLET_XD);
  static const SheetKindRegistry registry = [] {
    SheetKindRegistry kinds;
    kinds.Register(QZ_EXCEL, workbook);
    kinds.Register(QZ_TAB_TEXT, tabText);
    kinds.Register(QZ_GRIDLET_XC, sheetXc);
    kinds.Register(QZ_GRIDLET_XD, sheetXd);
    kinds.Register(QZ_GRIDLET_XBP, XbPlusSheetKind());
    return kinds;
  }();
  return registry;
}

}  // namespace gridlet
