// The vocabulary of the XB Plus formula language: the names of the one- and
// two-byte tokens and the list that text is tokenized against.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace gridlet {

// A two-byte token: a prefix byte, a second byte and the token's name.
struct XbTokenName2 {
  std::uint8_t first;
  std::uint8_t second;
  std::string_view name;
};

// Names of the one-byte tokens, indexed by the byte; some are empty.
extern const std::array<std::string_view, 256> XbTokenNames1;

// Names of the two-byte tokens, searched in table order.
extern const std::array<XbTokenName2, 309> XbTokenNames2;

// True for the ten bytes that start a two-byte token.
constexpr bool IsXbPrefixByte(std::uint8_t byte) {
  switch (byte) {
    case 0x5C: case 0x5D: case 0x5E: case 0x60: case 0x61:
    case 0x62: case 0x63: case 0x7E: case 0xAA: case 0xBB:
      return true;
    default:
      return false;
  }
}

// A name that text is matched against and the token it stands for: the byte
// for a one-byte token, first byte * 256 + second byte for a two-byte token.
struct XbTokenizeEntry {
  std::string_view name;
  std::uint16_t code;
  // Another spelling of the token, which reads back with its table name
  // ("if" of If, "o" of the letter O).
  bool respelled = false;
};

// Every tokenizable name: the non-empty names of both tables (without the
// names of the bare prefix bytes) and the alternative spellings. Grouped by
// first character in byte order, longest name first within a group, names
// of equal length in the order of the tables. Built once on first use.
std::span<const XbTokenizeEntry> XbTokenizeList();

// The names of the tokens that open a call (they end with "("), each once,
// sorted: the functions and commands of the XB Plus.
std::span<const std::string_view> XbFunctionNames();

// The length of the longest tokenizable name that `text` begins with, or
// 0 when it begins with none.
std::size_t XbNameLengthAt(std::string_view text);

// The part of XbTokenizeList whose names begin with `first`.
std::span<const XbTokenizeEntry> XbTokenizeGroup(char first);

}  // namespace gridlet
