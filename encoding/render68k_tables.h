// The tag vocabulary of the 68k-class token stream: the class and name of
// every one-byte tag and the names of the codes that follow the two-byte
// tags 0x1C, 0xE3 and 0xE4. Names are in the calculator's character set; an
// empty name means the table has none.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace gridlet {

// A one-byte tag: its class (which rule renders it) and its name.
struct Tag68kEntry {
  std::uint8_t tagClass;
  std::string_view name;
};

// A command after the tag 0xE4: its form class (how its operands are laid
// out) and its name, which ends with a space when operands follow.
struct Command68kEntry {
  std::uint8_t formClass;
  std::string_view name;
};

inline constexpr std::size_t kSysVar68kCodes = 0x72;   // codes 0..0x71 after 0x1C
inline constexpr std::size_t kExt68kCodes = 0x36;      // codes 0..0x35 after 0xE3
inline constexpr std::size_t kCommand68kCodes = 0x98;  // codes 0..0x97 after 0xE4

extern const std::array<Tag68kEntry, 256> Tag68kTable;
extern const std::array<std::string_view, kSysVar68kCodes> Tag68kSysVarNames;
extern const std::array<std::string_view, kExt68kCodes> Tag68kExtNames;
extern const std::array<Command68kEntry, kCommand68kCodes> Tag68kCommands;

// The names that are written as calls, name then "(" and the arguments:
// the functions of the 68k-class calculators, sorted, each once.
std::span<const std::string_view> Function68kNames();

}  // namespace gridlet
