// The file types of the interface and what the driver derives from them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gridlet {

enum GRIDLET_FILE_TYPES : std::int32_t {
  QZ_EXCEL = 0,
  QZ_TAB_TEXT = 1,
  QZ_GRIDLET_XBP = 2,
  QZ_GRIDLET_XC = 3,
  QZ_GRIDLET_XD = 4,
  QZ_GRIDLET_XF = 5,
  QZ_GRIDLET_NULL = 6,
};

// The code given to the device file service's SetDeviceModel.
long DeviceModelCode(GRIDLET_FILE_TYPES type);

// ".xls", ".txt", ".xbv", ".xcy", ".xdy", ".xfy"; empty for other values.
std::string_view OutputExtension(GRIDLET_FILE_TYPES type);

// The type of the files of a device model code (XF files are the XF type).
std::optional<GRIDLET_FILE_TYPES> TypeOfDeviceModel(long code);

// The type as messages name it: "workbook", "tab text", "XB Plus sheet
// file", "XD Plus sheet file", ...
std::string FileTypeName(GRIDLET_FILE_TYPES type);

// The three 68k-class types.
bool Is68kClass(GRIDLET_FILE_TYPES type);
// The four calculator types.
bool IsCalculatorType(GRIDLET_FILE_TYPES type);

}  // namespace gridlet
