// The sheet data of the 68k-class calculators (XC, XD Plus and XF share
// it): a 144-byte header, the cell records (Cell68k) and a terminator.
//
// | offset | size | content                                              |
// | 0      | 9    | "Gridlt" and three 0x00                              |
// | 9      | 2    | 00 01                                                |
// | 11     | 32   | 0x66 each                                            |
// | 43     | 32   | 0x00 each                                            |
// | 75     | 64   | 0x14 each                                            |
// | 139    | 3    | 01 00 01                                             |
// | 142    | 2    | cell offset d, big-endian: records start at 142 + d  |
// | 144    | n    | the cell records (written with d = 2)                |
// | 144+n  | 2    | 00 00                                                |
//
// The reader uses only the cell offset. GetOutput puts the 2-byte
// little-endian output length (152 + n) before the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "calc/cell68k.h"
#include "model/sheet_changes.h"
#include "model/spreadsheet_file.h"

namespace gridlet {

inline constexpr std::size_t kSheet68kHeaderSize = 144;
inline constexpr std::size_t kSheet68kCellOffsetField = 142;
// The output length up to which cells are written.
inline constexpr std::int32_t kSheet68kMaxOutput = 65300;

class Sheet68k : public SpreadsheetFile {
 public:
  // From the variable content (a file's bytes from offset 88 on, without
  // the checksum): reads and translates every record and sorts the cells.
  // A record naming row 0, or the position of an earlier record, is left
  // out (TranslateToIntermediate warns of it) rather than let it take
  // another cell's place. Raises SheetDataError for data that is not a
  // sheet of this kind.
  Sheet68k(const std::uint8_t* data, std::size_t length);
  // From a translated source sheet: takes its header and records over.
  explicit Sheet68k(SpreadsheetFile& source);
  // The same for a source of this kind; without it the implicit copy
  // constructor would take the header over and build no cells.
  explicit Sheet68k(Sheet68k& source) : Sheet68k(static_cast<SpreadsheetFile&>(source)) {}

  // Stores the name as the calculator allows it: letters, digits and "_",
  // beginning with a letter, at most 8 characters. Returns whether the
  // name had to be changed.
  bool SetName(std::string_view name) override;

  // Gives the sheet its header; warns of the records the reader left out.
  void TranslateToIntermediate() override;
  std::string Dump() override { return {}; }
  // Encodes the cells in list order. What the calculators force is named
  // in one warning for each kind of change, with its cells: cells outside
  // rows 1..999 and columns 1..64, cells beyond the output limit
  // (0x8C050021; the cells before them are kept) and formulas too long for
  // a record are left out; texts are cut; characters the calculators do
  // not have stay spelled as their escapes; a number beyond their range is
  // kept as the text stating it.
  void TranslateFromIntermediate() override;
  // The output length, the header, the records and the terminator; empty
  // before TranslateFromIntermediate.
  ByteBuffer GetOutput() override;

 private:
  void ReadCells(std::size_t length);

  ByteBuffer output_;  // placeholders for the length and header, then the records
  SheetChanges readChanges_;  // records the reader left out
};

}  // namespace gridlet
