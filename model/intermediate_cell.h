// The intermediate form that every conversion passes through: one record
// per non-empty cell, and the header of the sheet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gridlet {

// Kind codes of IntermediateCell::Type. Translations from the intermediate
// form decide on the low two bits.
inline constexpr std::int16_t CELL_NUMBER = 0;
inline constexpr std::int16_t CELL_TEXT = 1;
inline constexpr std::int16_t CELL_FORMULA = 3;

// Texts are 8-bit strings in the Windows ANSI code page; calculator
// characters without an ANSI form are spelled as named escapes ("_pi_"),
// and a line break inside a text (the calculators' newline) is one LF.
struct IntermediateCell {
  // Positions are 1-based. They are held in 32 bits so that long text
  // files keep their layout; calculator sheets apply their own limits.
  std::int32_t Row = 0;
  std::int32_t Column = 0;
  std::int16_t Type = CELL_NUMBER;
  // (The small fields come first: a sheet holds one record per cell, and
  // this order leaves no padding between them.)
  std::uint8_t State = 0;            // 2 once a spreadsheet-text cell translated it
  std::int32_t Length = 0;           // a text's length as the text side saw it
  std::string Data;                  // number text, text, or a formula's value
  std::optional<std::string> Data2;  // a formula's text; absent otherwise

  // Records made with new come from a slot pool (model/slot_pool.h): a
  // sheet makes one per cell.
  static void* operator new(std::size_t size);
  static void operator delete(void* record, std::size_t size) noexcept;
};

// Which format produced an intermediate sheet.
inline constexpr std::int16_t ORIGIN_TAB_TEXT = 131;
inline constexpr std::int16_t ORIGIN_SHEET68K = 132;
inline constexpr std::int16_t ORIGIN_XB_PLUS = 133;

struct SheetHeader {
  std::int16_t origin = 0;
  std::string name;
};

// The calculators' readers begin every text with the calculator's opening
// quote, as the XB Plus stores it; the other readers give a text's own
// characters, which may begin with a quote of their own.
inline bool TextsCarryOpeningQuote(std::int16_t origin) {
  return origin == ORIGIN_SHEET68K || origin == ORIGIN_XB_PLUS;
}

// The characters of a text record from a sheet of the given origin. A NUL
// byte ends a text, as everywhere in the engine.
inline std::string_view TextCharacters(std::string_view data, std::int16_t origin) {
  std::string_view text = data.substr(0, data.find('\0'));
  if (TextsCarryOpeningQuote(origin) && text.starts_with('"')) text.remove_prefix(1);
  return text;
}

inline std::string_view TextCharacters(const IntermediateCell& record, std::int16_t origin) {
  return TextCharacters(record.Data, origin);
}

}  // namespace gridlet
