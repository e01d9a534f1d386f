// One row of a special-character table: an escape name such as "_pi_" and
// the character's code in each calculator charset.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace gridlet {

// Number of charset columns in every special-character table.
inline constexpr std::size_t kCharsetColumnCount = 10;

struct SpecialCharEntry {
  std::string_view name;
  // Code per charset column; 0 means the charset has no such character.
  // The low byte is the byte the device stores.
  std::array<std::uint32_t, kCharsetColumnCount> codes;
};

}  // namespace gridlet
