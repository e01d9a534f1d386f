#include "server/file_types.h"

#include "server/device_file_service.h"

namespace gridlet {

long DeviceModelCode(GRIDLET_FILE_TYPES type) {
  switch (type) {
    case QZ_GRIDLET_XBP: return DEVICE_MODEL_XB_PLUS;
    case QZ_GRIDLET_XC: return DEVICE_MODEL_XC;
    case QZ_GRIDLET_XD: return DEVICE_MODEL_XD_PLUS;
    case QZ_GRIDLET_XF: return DEVICE_MODEL_XF;
    default: return static_cast<long>(type);
  }
}

std::optional<GRIDLET_FILE_TYPES> TypeOfDeviceModel(long code) {
  for (GRIDLET_FILE_TYPES type : {QZ_GRIDLET_XBP, QZ_GRIDLET_XC, QZ_GRIDLET_XD, QZ_GRIDLET_XF}) {
    if (DeviceModelCode(type) == code) return type;
  }
  return std::nullopt;
}

std::string FileTypeName(GRIDLET_FILE_TYPES type) {
  switch (type) {
    case QZ_EXCEL: return "workbook";
    case QZ_TAB_TEXT: return "tab text";
    case QZ_GRIDLET_XBP: return "XB Plus sheet file";
    case QZ_GRIDLET_XC: return "XC sheet file";
    case QZ_GRIDLET_XD: return "XD Plus sheet file";
    case QZ_GRIDLET_XF: return "XF sheet file";
    case QZ_GRIDLET_NULL: return "no file";
    default: return "file type " + std::to_string(static_cast<int>(type));
  }
}

std::string_view OutputExtension(GRIDLET_FILE_TYPES type) {
  switch (type) {
    case QZ_EXCEL: return ".xls";
    case QZ_TAB_TEXT: return ".txt";
    case QZ_GRIDLET_XBP: return ".xbv";
    case QZ_GRIDLET_XC: return ".xcy";
    case QZ_GRIDLET_XD: return ".xdy";
    case QZ_GRIDLET_XF: return ".xfy";
    default: return {};
  }
}

bool Is68kClass(GRIDLET_FILE_TYPES type) {
  return type == QZ_GRIDLET_XC || type == QZ_GRIDLET_XD || type == QZ_GRIDLET_XF;
}

bool IsCalculatorType(GRIDLET_FILE_TYPES type) {
  return type == QZ_GRIDLET_XBP || Is68kClass(type);
}

}  // namespace gridlet
