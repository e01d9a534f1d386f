// One cell record of a 68k-class sheet (".xcy", ".xdy", ".xfy").
//
// Record layout: length L (1 byte, counts the whole record; 0 ends the
// list), position (2 bytes big-endian, (column - 1) x 1000 + row), type
// (0 number, 1 text, 2 formula; read by its low two bits, 3 as a formula),
// the payload, and a 2-byte reference count (written as zeros).
//
//   number   L = 16     a 10-byte 68k float (any expression when read)
//   text     L = c + 9  0x22, the c characters, 0x22, 0x00
//   formula  L = f + 18 value field (n = 11, then a 10-byte float of 0),
//                       the f characters, 0x00
//
// Values are read back by rendering them as calculator variables, so the
// reader builds each as a length-prefixed variable ending in its tag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "calc/cell_changes.h"
#include "model/byte_reader.h"
#include "model/spreadsheet_cell.h"

namespace gridlet {

inline constexpr std::int32_t kSheet68kMaxRow = 999;
inline constexpr std::int32_t kSheet68kMaxColumn = 64;
// The longest text a record holds (L = 252).
inline constexpr std::size_t kSheet68kMaxText = 243;
// The longest formula whose record length still fits its byte (L = 255).
inline constexpr std::size_t kSheet68kMaxFormula = 237;

class Cell68k : public SpreadsheetCell {
 public:
  // Reads one record; a record of length 0 (the terminator) reads nothing
  // more. Raises SheetDataError for a record that does not fit the data or
  // whose fields do not fit its length.
  explicit Cell68k(ByteReader& input);
  // Takes the source cell's record over; nothing is encoded yet.
  explicit Cell68k(SpreadsheetCell& source) noexcept : SpreadsheetCell(source) {}

  void TranslateToIntermediate() override;
  std::string Dump() override;
  // Encodes a record read from tab text.
  void TranslateFromIntermediate() override { TranslateFromIntermediate(ORIGIN_TAB_TEXT); }
  // Encodes a record of a sheet of the given origin (see TextCharacters);
  // the record is left as it is. Changes() tells what the calculator
  // forced: a text cut, characters it does not have, a number beyond its
  // range kept as the text stating it, a formula's strings with characters
  // replaced. A formula longer than kSheet68kMaxFormula characters
  // (FormulaTooLong) leaves the length at 0: its record length would not
  // fit its byte, and the cell must not be written; so does one holding,
  // outside its strings, a character the calculators do not have
  // (FormulaCharacters), or referring to another worksheet (SheetReference).
  void TranslateFromIntermediate(std::int16_t origin);
  // The record's L bytes. Raises std::invalid_argument("Type") for a cell
  // that holds no encoded type.
  ByteBuffer GetOutput() override;
  std::uint16_t GetOutputLength() override { return length_; }

  std::uint8_t Length() const { return length_; }
  std::uint16_t Position() const { return position_; }
  const CellChanges& Changes() const { return changes_; }
  // Frees the encoded payload once the record has been written.
  void ReleasePayload();

 private:
  void EncodeNumber(const std::string& data);
  void EncodeText(std::string_view characters);
  void EncodeFormula(const IntermediateCell& record);

  std::uint8_t length_ = 0;
  std::uint16_t position_ = 0;
  std::uint8_t type_ = 0;
  // Read: the formula as a string variable. Encoded: the f characters and
  // their 0x00.
  std::string formula_;
  std::uint16_t referenceCount_ = 0;
  std::int16_t formulaLength_ = 0;  // f + 1, the formula bytes of the record
  CellChanges changes_;
};

}  // namespace gridlet
