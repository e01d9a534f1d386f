// The two layouts of calculator variable files: the XB Plus file (".xbv")
// and the 68k-class file (".xcy", ".xdy", ".xfy"). Each holds one variable
// with a checksum over its entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gridlet {

bool IsXbPlusModel(long model);
bool Is68kModel(long model);

// One variable as a file holds it.
struct LinkVariable {
  long model = 0;            // DEVICE_MODEL_*: picks the layout and the signature
  std::string folder;        // 68k-class only; at most 8 bytes
  std::string name;          // at most 8 bytes
  std::string comment;       // at most 42 (XB Plus) or 40 (68k-class) bytes
  std::uint8_t type_id = 0;  // 0x15 application variable (XB Plus), 0x1C tagged custom type (68k)
  std::uint8_t version = 0;  // XB Plus only
  // XB Plus: 0x00 in RAM, 0x80 archived. 68k-class: 0 none, 1 locked, 2 archived.
  std::uint8_t attribute = 0;
  // XB Plus: the variable data, beginning with its own 2-byte size field.
  // 68k-class: the content that follows the big-endian size field.
  std::vector<std::uint8_t> data;
};

// The largest data each layout's length fields can describe.
inline constexpr std::size_t kMaxXbPlusData = 0xFFFF - 17;
inline constexpr std::size_t kMax68kData = 0xFFFF;

// The whole file. Raises a ComError (DEVICE_E_TOO_LARGE) for data beyond
// the layout's limit; longer names and comments are cut to their fields.
std::vector<std::uint8_t> WriteLinkFile(const LinkVariable& variable);

// Reads a file of either layout, checking the signature, every length field
// against the file's size and the checksum. Raises a ComError with the
// device service's code for the first fault found.
LinkVariable ReadLinkFile(const std::uint8_t* bytes, std::size_t size);

}  // namespace gridlet
