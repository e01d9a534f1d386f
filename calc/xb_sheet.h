// The sheet of the XB Plus calculators: the data of one application
// variable.
//
// Sheet data (offsets from the variable data's first byte; little-endian
// except the cell positions):
//   0    2    data size: the bytes after this field (194 + the records)
//   2    4    signature F3 47 BF AA
//   6    8    name: up to 8 characters; a shorter one ends with one 0x00,
//             then spaces
//   14   2    reserved, 00 00
//   16   13   reserved, 13 x 0xAA
//   29   165  reserved, zeros
//   194  n    the cell records (XbCell)
//   194+n 2   terminator 00 00
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/sheet_changes.h"
#include "calc/xb_cell.h"
#include "model/spreadsheet_file.h"

namespace gridlet {

inline constexpr std::uint32_t XB_SHEET_SIGNATURE = 0xAABF47F3u;
inline constexpr std::size_t XB_SHEET_HEADER_SIZE = 194;
inline constexpr std::size_t XB_SHEET_NAME_SIZE = 8;
// The most bytes of header and records (the size field's count less the
// terminator) that the calculator application holds.
inline constexpr std::int32_t XB_MAX_SHEET_DATA = 22527;

class XbSheet : public SpreadsheetFile {
 public:
  // Reads the sheet from variable data: the header and every cell record,
  // each translated into its intermediate record at once, then sorted by
  // position. A record naming row 0, or the position of an earlier record,
  // is left out (TranslateToIntermediate warns of it) rather than let it
  // take another cell's place. Damaged data raises SheetDataError
  // (std::invalid_argument "Type" for a record of type 2); the cells read
  // so far are deleted.
  XbSheet(const std::uint8_t* data, std::size_t length);
  // Takes the source's header and, through one XbCell each, its cells.
  explicit XbSheet(SpreadsheetFile& source);
  // The same for a source of this kind; without it the implicit copy
  // constructor would take the header over and build no cells.
  explicit XbSheet(XbSheet& source) : XbSheet(static_cast<SpreadsheetFile&>(source)) {}

  // Gives the sheet its header: origin 133 and the name read from the data;
  // warns of the records the reader left out.
  void TranslateToIntermediate() override;
  std::string Dump() override;
  // Encodes the cells in list order. What the XB Plus forces is named in
  // one warning for each kind of change, with its cells: cells off the
  // sheet (rows 1..999, columns A..Z) and cells beyond XB_MAX_SHEET_DATA
  // (0x8C050021; the cells before them are kept) are left out, and so are
  // formulas that do not fit their record or call unknown functions; texts
  // are cut, put in capitals and have characters replaced; a number no real
  // holds is kept as the text stating it.
  void TranslateFromIntermediate() override;
  // The complete sheet data, size field through terminator, and one
  // trailing 0x00: GetOutputLength() + 3 bytes.
  ByteBuffer GetOutput() override;

  // Upper case, the first 8 characters, anything but a letter or a digit
  // becomes "A", and so does a first character that is not a letter.
  // Always returns true.
  bool SetName(std::string_view name) override;

 private:
  std::array<std::uint8_t, 2> reserved2_{};
  std::array<std::uint8_t, 13> reserved13_{};
  ByteBuffer output_;  // header placeholders and the records written
  SheetChanges readChanges_;  // records the reader left out
};

}  // namespace gridlet
