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

// One cell record as a calculator sheet stores it: its position, its type
// byte and its payload (everything between the type and the reference
// count).
struct StoredRecord {
  Position at;
  int type = 0;
  std::string payload;
};

// The record bytes of the XB Plus (4-byte reference count) or of the 68k
// class (2-byte reference count).
inline std::string RecordBytes(const std::vector<StoredRecord>& records, bool xb) {
  std::string out;
  const std::size_t count = xb ? 4 : 2;
  for (const StoredRecord& record : records) {
    out.push_back(static_cast<char>(4 + record.payload.size() + count));
    PutBigEndian16(out, PositionCode(record.at));
    out.push_back(static_cast<char>(record.type));
    out += record.payload;
    out.append(count, '\0');
  }
  return out;
}

// An ".xbv" file whose sheet holds the records.
inline std::string XbPlusFile(const std::string& name, const std::vector<StoredRecord>& records) {
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
  data += RecordBytes(records, true);
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

// A 68k-class file (".xdy" for the XD Plus) whose sheet holds the records.
inline std::string Sheet68kFile(const std::string& name, const std::vector<StoredRecord>& records,
                                long model = DEVICE_MODEL_XD_PLUS) {
  std::string data = "Gridlt";
  data.append(3, '\0');
  data += std::string{'\0', '\x01'};
  data.append(32, '\x66');
  data.append(32, '\0');
  data.append(64, '\x14');
  data += std::string{'\x01', '\0', '\x01', '\0', '\x02'};
  data += RecordBytes(records, false);
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

// Formula records: on the XB Plus the value's 9 bytes and the tokens, on
// the 68k class the value field of the value 0 (as the writer stores it),
// the characters and their 0x00.
inline std::vector<StoredRecord> FormulaRecords(const std::vector<StoredFormula>& cells, bool xb) {
  std::vector<StoredRecord> records;
  for (const StoredFormula& cell : cells) {
    if (xb) {
      const std::string value = cell.value.empty() ? std::string(9, '\0') : cell.value;
      records.push_back({cell.at, 3, value.substr(0, 9) + cell.bytes});
    } else {
      records.push_back({cell.at, 2,
                         std::string{'\x0B', '\x40', 0, 0, 0, 0, 0, 0, 0, 0, '\x23'} + cell.bytes +
                             std::string(1, '\0')});
    }
  }
  return records;
}

inline std::string XbPlusFile(const std::string& name, const std::vector<StoredFormula>& cells) {
  return XbPlusFile(name, FormulaRecords(cells, true));
}

inline std::string Sheet68kFile(const std::string& name, const std::vector<StoredFormula>& cells,
                                long model = DEVICE_MODEL_XD_PLUS) {
  return Sheet68kFile(name, FormulaRecords(cells, false), model);
}

// The records of a calculator file in file order.
inline std::vector<StoredRecord> StoredRecords(const std::string& file) {
  const LinkVariable variable =
      ReadLinkFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
  const std::string data(variable.data.begin(), variable.data.end());
  const bool xb = IsXbPlusModel(variable.model);
  std::vector<StoredRecord> records;
  std::size_t at = xb ? 194 : 144;
  while (at < data.size() && data[at] != 0) {
    const std::size_t length = static_cast<unsigned char>(data[at]);
    const unsigned code = static_cast<unsigned char>(data[at + 1]) << 8 |
                          static_cast<unsigned char>(data[at + 2]);
    records.push_back({{static_cast<std::int32_t>(code % 1000), static_cast<std::int32_t>(code / 1000 + 1)},
                       data[at + 3],
                       data.substr(at + 4, length - 4 - (xb ? 4 : 2))});
    at += length;
  }
  return records;
}

// The formula cells of a calculator file by position: the stored formula
// bytes, as XbPlusFile and Sheet68kFile lay them out.
inline std::map<Position, std::string> StoredFormulas(const std::string& file) {
  const LinkVariable variable =
      ReadLinkFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
  const bool xb = IsXbPlusModel(variable.model);
  std::map<Position, std::string> formulas;
  for (const StoredRecord& record : StoredRecords(file)) {
    const int type = record.type & 3;
    if (xb && type == 3) {
      formulas[record.at] = record.payload.substr(9);
    } else if (!xb && (type == 2 || type == 3)) {
      const std::size_t n = static_cast<unsigned char>(record.payload[0]);
      formulas[record.at] = record.payload.substr(n, record.payload.size() - n - 1);
    }
  }
  return formulas;
}

}  // namespace gridlet::testing
