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
