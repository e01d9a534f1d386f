// Workbooks, reached through the spreadsheet application: a worksheet is
// exported as tab text and read as spreadsheet text; a target is written
// as tab text that the application saves as a workbook.
#pragma once

#include "server/sheet_kind.h"

namespace gridlet {

class WorkbookKind : public SheetKind {
 public:
  HRESULT ReadSource(ConversionContext& context) override;
  HRESULT WriteTarget(ConversionContext& context) override;
  bool ReadsThroughFileSystem() const override { return false; }
};

}  // namespace gridlet
