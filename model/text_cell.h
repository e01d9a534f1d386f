// A cell of a tab-delimited text file: one field's bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "model/decimal_number.h"
#include "model/packed_cells.h"
#include "model/spreadsheet_cell.h"
#include "model/text_quoting.h"
#include "model/trace.h"

namespace gridlet {

// What a field of tab text becomes: the kind of its record, and where the
// record's text is: the field itself, the field within its enclosing
// quotes (`inQuotes`), or a text that differs (`changed`, it is then in the
// reader's `changed`).
struct FieldReading {
  std::int16_t type;
  bool changed;
  bool inQuotes = false;

  // The record's text, for a reading that did not change it.
  std::string_view TextOf(std::string_view field) const { return TextOfField(field, inQuotes); }
};
// A field of a plain tab-text file: "=" first makes a formula (its names
// rewritten into intermediate names), a well-formed decimal number a
// number, anything else a text (its quotes read back as QuotePlainText
// writes them).
FieldReading ReadPlainField(std::string_view field, std::string& changed);
// How both kinds of sheet read a field that they keep as it stands: one
// that opens with neither "=" nor a quote is a number or a text. Nothing
// for the others. Inline: most fields of a file are of this sort.
// The bytes from the field on may be read up to `readableEnd` (see
// IsDecimalNumberWithin).
inline std::optional<FieldReading> ReadFieldAsItStands(std::string_view field,
                                                       const char* readableEnd = nullptr) {
  if (field.empty() || field.front() == '=' || field.front() == '"') return std::nullopt;
  const FieldReading reading{IsDecimalNumberWithin(field, readableEnd) ? CELL_NUMBER : CELL_TEXT, false};
  Trace("TextCell::TranslateToIntermediate4\n");
  return reading;
}
// The same for a field of at most 16 bytes, the first `size` of the 16
// readable from `field`, told without a branch between the numbers and
// texts that come mixed in any order: the type of its record (CELL_TEXT
// for an empty field, which makes none), or -1 for a field that
// ReadFieldAsItStands leaves to the full reading. Traces nothing.
inline int ShortFieldType(const char* field, std::size_t size) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(field));
  const auto first = static_cast<unsigned char>(_mm_cvtsi128_si32(bytes));
  const int type = NumberMarks(bytes).Number((std::uint32_t{1} << size) - 1) ? CELL_NUMBER : CELL_TEXT;
  return ((first != '=') & (first != '"')) ? type : -1;
#else
  if (size == 0) return CELL_TEXT;
  const std::string_view text(field, size);
  if (text.front() == '=' || text.front() == '"') return -1;
  return IsDecimalNumber(text) ? CELL_NUMBER : CELL_TEXT;
#endif
}
// A field of the tab text exchanged with the spreadsheet program: quoted,
// a text whatever it holds; otherwise as a plain field.
FieldReading ReadExchangeField(std::string_view field, std::string& changed);

// How the cells of a text sheet write their records: texts quoted by
// `quote`, and numbers that `holds` refuses (when there is one) as the
// texts stating them.
struct FieldWriting {
  void (*quote)(std::string& out, std::string_view text);
  bool (*holds)(std::string_view number);
  bool Holds(std::string_view number) const { return holds == nullptr || holds(number); }
};
extern const FieldWriting kPlainFieldWriting;
extern const FieldWriting kExchangeFieldWriting;

// The text a record of a sheet of the given origin is written as (see
// TextCharacters): a number as written, a text quoted, a formula
// (`formula`) with its names in the spreadsheet's spelling. That is `data`
// (or `formula`) itself when it goes out as it stands, otherwise `field`,
// which is set to it. `readAsNumber` tells that a number's data is known
// to be a well-formed number (it was read as one and has not changed
// since).
std::string_view WriteFieldText(std::string& field, std::int16_t type, std::string_view data,
                                std::string_view formula, std::int16_t origin, const FieldWriting& writing,
                                bool readAsNumber = false);

class TextCell : public SpreadsheetCell {
 public:
  // A cell holding a field's text (already cut at its first NUL); the
  // sheet splits the fields with ReadField below.
  explicit TextCell(std::string_view text) { text_.assign(text); }
  // Takes the source cell's record over.
  explicit TextCell(SpreadsheetCell& source) noexcept : SpreadsheetCell(source) {}

  // Reads the field: "=" first makes a formula, a well-formed decimal
  // number a number, anything else a text (its quotes read back as
  // QuotePlainText writes them).
  void TranslateToIntermediate() override;
  std::string Dump() override;
  // Sets the field from a record read from tab text.
  void TranslateFromIntermediate() override { TranslateFromIntermediate(ORIGIN_TAB_TEXT); }
  // Sets the field from a record of a sheet of the given origin (see
  // TextCharacters): a number as written, a text quoted, a formula with its
  // names in the spreadsheet's spelling.
  virtual void TranslateFromIntermediate(std::int16_t origin);
  // The text followed by one TAB.
  ByteBuffer GetOutput() override;
  std::uint16_t GetOutputLength() override;

  std::int32_t Row() const { return row_; }
  std::int32_t Column() const { return column_; }
  void SetPosition(std::int32_t row, std::int32_t column) {
    row_ = row;
    column_ = column;
  }
  const std::string& Text() const { return text_; }
  // Takes record i of a store: a record of its own, and its position.
  void TakeRecord(const PackedCells& store, std::size_t i);
  void ReleaseText() { std::string().swap(text_); }

  // Rewrites the cell's formula text into the spreadsheet's spelling; a
  // cell without text is left alone.
  void IntermediateNamesToExcel();

  // A text sheet makes one cell per field: cells of this size come from a
  // slot pool (model/slot_pool.h), larger derived cells from the heap.
  static void* operator new(std::size_t size);
  static void operator delete(void* cell, std::size_t size) noexcept;

 protected:
  // Sets position and text from the record, written as `writing` says.
  void TextFromRecord(std::int16_t origin, const FieldWriting& writing);
  // Makes the record from the field's reading, with the given State.
  void RecordFromText(FieldReading reading, std::string& changed, std::uint8_t state);

 private:
  std::int32_t row_ = 0;
  std::int32_t column_ = 0;
};

// A cell of the tab text exchanged with the spreadsheet program, which
// quotes every text and doubles the quotes inside (QuoteExchangeText): a
// quoted field is a text, whatever it holds. A number beyond what a
// spreadsheet holds (WorkbookHoldsNumber) goes out as the text stating it.
class ExcelTextCell : public TextCell {
 public:
  using TextCell::TextCell;
  using TextCell::TranslateFromIntermediate;

  void TranslateToIntermediate() override;
  void TranslateFromIntermediate(std::int16_t origin) override;
};

// A cell of kind CellT made from record i of a store.
template <class CellT>
std::unique_ptr<SpreadsheetCell> MakePackedCell(const PackedCells& store, std::size_t i) {
  auto cell = std::make_unique<CellT>(std::string_view());
  cell->TakeRecord(store, i);
  return cell;
}

// Whether a spreadsheet holds the number as a number: its decimal exponent
// lies within -307..307.
bool WorkbookHoldsNumber(std::string_view number);

// Reads one field of tab text starting at `p`: its bytes up to the first
// TAB or CR, or to `end`. A TAB is consumed with the field; a CR is left at
// `p` for the row end. Returns the field's text, which a NUL byte cuts.
std::string_view ReadField(const std::uint8_t*& p, const std::uint8_t* end);

}  // namespace gridlet
