// One cell record of an XB Plus sheet.
//
// Record layout: length L (one byte, counting the whole record; 0 ends the
// list), position (big-endian, (column - 1) x 1000 + row), type (0 number,
// 1 text, 3 formula), payload, and a 4-byte reference count.
//   number:  a 9-byte XB Plus real                         (L = 17)
//   text:    the quote token 0x2A and the text's tokens    (L = 8 + payload, at most 48)
//   formula: a 9-byte real (the last value), then tokens   (L = 17 + tokens, at most 57)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "calc/cell_changes.h"
#include "model/byte_reader.h"
#include "model/spreadsheet_cell.h"

namespace gridlet {

inline constexpr std::uint8_t XB_QUOTE_TOKEN = 0x2A;
// Token bytes that reach a record: texts keep 39 behind the quote token,
// formulas 40 (a longer formula is left out: cut, it would compute
// something else).
inline constexpr std::size_t XB_MAX_PAYLOAD = 40;
inline constexpr std::size_t XB_MAX_FORMULA = 40;
inline constexpr std::uint8_t XB_RECORD_OVERHEAD = 8;   // length, position, type, reference count
inline constexpr std::uint8_t XB_NUMBER_RECORD = 17;    // overhead + one real
inline constexpr std::int32_t XB_FIRST_ROW = 1;
inline constexpr std::int32_t XB_MAX_ROW = 999;
inline constexpr std::int32_t XB_MAX_COLUMN = 26;

class XbCell : public SpreadsheetCell {
 public:
  // Reads one record at the stream's position. A length byte of 0 (the
  // terminator) reads nothing more. A record too short for its type, or
  // one running past the end of the data, raises SheetDataError naming the
  // record's offset; nothing beyond the data is read.
  explicit XbCell(ByteReader& input);
  // Takes the source cell's record over.
  explicit XbCell(SpreadsheetCell& source) noexcept : SpreadsheetCell(source) {}

  // Creates the record from the cell's bytes. Type 2 raises
  // std::invalid_argument("Type").
  void TranslateToIntermediate() override;
  std::string Dump() override;
  // Sets the record bytes from a record read from tab text. Type 2 raises
  // std::invalid_argument("Type").
  void TranslateFromIntermediate() override { TranslateFromIntermediate(ORIGIN_TAB_TEXT); }
  // The same for a record of a sheet of the given origin (see
  // TextCharacters). The record is left as it is; Changes() tells what the
  // calculator forced.
  void TranslateFromIntermediate(std::int16_t origin);
  // The record's L bytes and two spare zero bytes.
  ByteBuffer GetOutput() override;
  std::uint16_t GetOutputLength() override { return length_; }

  std::uint8_t Length() const { return length_; }
  std::uint16_t Position() const { return position_; }
  std::uint8_t Type() const { return type_; }

  // Whether the record's position lies on an XB Plus sheet (rows 1..999,
  // columns 1..26).
  bool FitsOnSheet() const;
  // What TranslateFromIntermediate had to change: a text cut to its
  // record, characters replaced, small letters put in capitals, a number
  // beyond the reals' range written as the text stating it. A formula
  // whose tokens do not fit its record (FormulaTooLong), or that calls a
  // function the XB Plus does not have, which it would read as a product
  // of variables (UnknownFunction), or holds characters outside its
  // strings that the calculator has no token for (FormulaCharacters), or
  // refers to another worksheet (SheetReference), must not be written.
  const CellChanges& Changes() const { return changes_; }

  // Frees the record bytes once they have been written.
  void ReleaseBytes();

 private:
  void ReadNumberPayload(ByteReader& input, std::size_t offset);
  void EncodeNumber(const std::string& text);
  void EncodeText(std::string_view characters);
  void EncodeFormula(const IntermediateCell& record);

  std::uint8_t length_ = 0;
  std::uint16_t position_ = 0;
  std::uint8_t type_ = 0;
  std::string formula_;                          // formula token bytes
  std::array<std::uint8_t, 4> referenceCount_{};  // as read; written as zeros
  std::int16_t tokenLength_ = 0;                 // payload (text) or formula bytes written
  CellChanges changes_;
};

// Upper-cases a..z in place; other bytes stay as they are.
void UpperCaseAscii(std::string& text);

}  // namespace gridlet
