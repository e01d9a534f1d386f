// Calculator sheet files made byte by byte for tests, and their formula
// cells read back byte by byte: what goes in and what comes out of a
// conversion is then seen without the engine's own reading of it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/link_file_format.h"
#include "server/device_file_service.h"

namespace gridlet::testing {

using Position = std::pair<std::int32_t, std::int32_t>;  // row, column

// A formula cell: its position and the formula as the sheet stores it
// (token bytes on the XB Plus, characters on the 68k class).
struct StoredFormula {
  Position at;
  std::string bytes;
  // The XB Plus record's last value, as the 9 bytes of a real (zero when
  // empty).
  std::string value = {};
};

inline void PutBigEndian16(std::string& out, unsigned value) {
  out.push_back(static_cast<char>(value >> 8 & 0xFF));
  out.push_back(static_cast<char>(value & 0xFF));
}

inline unsigned PositionCode(const Position& at) {
  return static_cast<unsigned>((at.second - 1) * 1000 + at.first);
}

// An ".xbv" file whose sheet holds the formulas.
inline std::string XbPlusFile(const std::string& name, const std::vector<StoredFormula>& cells) {
  std::string records;
  for (const StoredFormula& cell : cells) {
    const std::string value = cell.value.empty() ? std::string(9, '\0') : cell.value;
    records.push_back(static_cast<char>(17 + cell.bytes.size()));
    PutBigEndian16(records, PositionCode(cell.at));
    records.push_back(3);
    records += value.substr(0, 9);
    records += cell.bytes;
    records.append(4, '\0');
  }
  std::string data = {0, 0, '\xF3', '\x47', '\xBF', '\xAA'};
  std::string field = name.substr(0, 8);
  if (field.size() < 8) {
    field.push_back('\0');
    field.resize(8, ' ');
  }
  data += field;
  data.append(2, '\0');
  data.append(13, '\xAA');
  data.append(165, '\0');
  data += records;
  data.append(2, '\0');
  const std::size_t size = data.size() - 2;
  data[0] = static_cast<char>(size & 0xFF);
  data[1] = static_cast<char>(size >> 8);
  LinkVariable variable;
  variable.model = DEVICE_MODEL_XB_PLUS;
  variable.name = name;
  variable.type_id = 0x15;
  variable.data.assign(data.begin(), data.end());
  const std::vector<std::uint8_t> file = WriteLinkFile(variable);
  return std::string(file.begin(), file.end());
}

// A 68k-class file (".xdy" for the XD Plus) whose sheet holds the formulas,
// each with the value 0 as the writer stores it.
inline std::string Sheet68kFile(const std::string& name, const std::vector<StoredFormula>& cells,
                                long model = DEVICE_MODEL_XD_PLUS) {
  std::string data = "Gridlt";
  data.append(3, '\0');
  data += std::string{'\0', '\x01'};
  data.append(32, '\x66');
  data.append(32, '\0');
  data.append(64, '\x14');
  data += std::string{'\x01', '\0', '\x01', '\0', '\x02'};
  for (const StoredFormula& cell : cells) {
    data.push_back(static_cast<char>(cell.bytes.size() + 18));
    PutBigEndian16(data, PositionCode(cell.at));
    data.push_back(2);
    data += std::string{'\x0B', '\x40', 0, 0, 0, 0, 0, 0, 0, 0, '\x23'};
    data += cell.bytes;
    data.append(3, '\0');  // the formula's end and the reference count
  }
  data.push_back('\0');  // the terminator, completed by the type tag
  data += std::string("\0GRDL\0\xF8", 7);
  LinkVariable variable;
  variable.model = model;
  variable.folder = "main";
  variable.name = name;
  variable.type_id = 0x1C;
  variable.data.assign(data.begin(), data.end());
  const std::vector<std::uint8_t> file = WriteLinkFile(variable);
  return std::string(file.begin(), file.end());
}

// The formula cells of a calculator file by position: the stored formula
// bytes, as XbPlusFile and Sheet68kFile lay them out.
inline std::map<Position, std::string> StoredFormulas(const std::string& file) {
  const LinkVariable variable =
      ReadLinkFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
  const std::string data(variable.data.begin(), variable.data.end());
  const bool xb = IsXbPlusModel(variable.model);
  std::map<Position, std::string> formulas;
  std::size_t at = xb ? 194 : 144;
  while (at < data.size() && data[at] != 0) {
    const std::size_t length = static_cast<unsigned char>(data[at]);
    const unsigned code = static_cast<unsigned char>(data[at + 1]) << 8 |
                          static_cast<unsigned char>(data[at + 2]);
    const Position position{static_cast<std::int32_t>(code % 1000),
                            static_cast<std::int32_t>(code / 1000 + 1)};
    const int type = data[at + 3] & 3;
    if (xb && type == 3) {
      formulas[position] = data.substr(at + 13, length - 17);
    } else if (!xb && (type == 2 || type == 3)) {
      const std::size_t n = static_cast<unsigned char>(data[at + 4]);
      formulas[position] = data.substr(at + 4 + n, length - n - 7);
    }
    at += length;
  }
  return formulas;
}

}  // namespace gridlet::testing
