// Makes a calculator file whose bytes a test changed consistent again: its
// length fields agree with its size and its checksum with its content, so
// that the change reaches the sheet reader instead of the file checks.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace gridlet::testing {

inline void SealLinkFile(std::vector<std::uint8_t>& file) {
  auto le16 = [&](std::size_t at, std::size_t value) {
    file[at] = static_cast<std::uint8_t>(value);
    file[at + 1] = static_cast<std::uint8_t>(value >> 8);
  };
  auto checksum = [&](std::size_t from, std::size_t to) {
    unsigned sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += file[i];
    le16(to, sum & 0xFFFF);
  };
  const std::string_view signature(reinterpret_cast<const char*>(file.data()), 8);
  if (signature == "**QZXBF*") {
    const std::size_t d = file.size() - 72 - 2;
    le16(53, 17 + d);
    le16(57, d);
    le16(70, d);
    le16(72, d - 2);
    checksum(55, 72 + d);
  } else {
    const std::size_t s = file.size() - 88 - 2;
    for (int i = 0; i < 4; ++i) file[76 + i] = static_cast<std::uint8_t>(file.size() >> (8 * i));
    file[86] = static_cast<std::uint8_t>(s >> 8);
    file[87] = static_cast<std::uint8_t>(s);
    checksum(86, 88 + s);
  }
}

}  // namespace gridlet::testing
