// XB Plus sheet files (".xbv"): one application variable holding an
// XB Plus sheet.
#pragma once

#include "server/sheet_kind.h"

namespace gridlet {

class XbPlusKind : public SheetKind {
 public:
  // Reads the variable data of the file (from offset 72, without the
  // closing checksum) as an XB Plus sheet.
  HRESULT ReadSource(ConversionContext& context) override;
  // The sheet's signature after the variable data's size field.
  std::optional<std::string> CheckFile(const ByteBuffer& file) const override;
  // Encodes the sheet, names it for the device (model 5, ".xbv") and has
  // the device file service write it.
  HRESULT WriteTarget(ConversionContext& context) override;
};

// The instance the registry uses.
SheetKind& XbPlusSheetKind();

}  // namespace gridlet
