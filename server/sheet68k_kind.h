// The sheet files of the 68k-class calculators: ".xcy" (XC) and ".xdy"
// (XD Plus), and ".xfy" (XF), which is read and written through the XD
// Plus kind.
#pragma once

#include <cstddef>

#include "server/file_types.h"
#include "server/sheet_kind.h"

namespace gridlet {

// The smallest file that is read: the file of an empty sheet (242 bytes)
// holds no cells and counts as too short.
inline constexpr std::size_t kMin68kFileSize = 243;
// Where the file holds the variable name (8 bytes) and the sheet data.
inline constexpr std::size_t k68kNameOffset = 64;
inline constexpr std::size_t k68kNameSize = 8;
inline constexpr std::size_t k68kDataOffset = 88;
inline constexpr const char* kSheet68kTypeTag = "GRDL";

class Sheet68kKind : public SheetKind {
 public:
  // `type` is QZ_GRIDLET_XC or QZ_GRIDLET_XD.
  explicit Sheet68kKind(GRIDLET_FILE_TYPES type) : type_(type) {}

  HRESULT ReadSource(ConversionContext& context) override;
  // The sheet's label at the start of the content and its type tag at the
  // end.
  std::optional<std::string> CheckFile(const ByteBuffer& file) const override;
  HRESULT WriteTarget(ConversionContext& context) override;

 private:
  GRIDLET_FILE_TYPES type_;
};

}  // namespace gridlet
