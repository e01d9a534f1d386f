#include "platform/device_service_errors.h"

namespace gridlet {

const char* DeviceServiceErrorText(HRESULT code) {
  switch (code) {
    case DEVICE_E_UNKNOWN_MODEL: return "The calculator model is not supported.";
    case DEVICE_E_NO_MODEL: return "No calculator model has been chosen.";
    case DEVICE_E_NO_VARIABLE: return "There is no calculator variable to save.";
    case DEVICE_E_NOT_SAVED: return "No calculator file has been written yet.";
    case DEVICE_E_BAD_DATA: return "The calculator variable's data is missing.";
    case DEVICE_E_BAD_TAG: return "The variable's type tag does not suit the calculator model.";
    case DEVICE_E_TOO_LARGE: return "The variable is too large for a calculator file.";
    case DEVICE_E_CANNOT_READ: return "The calculator file cannot be read.";
    case DEVICE_E_TRUNCATED: return "The calculator file is shorter than its header.";
    case DEVICE_E_BAD_SIGNATURE: return "The file is not a calculator variable file.";
    case DEVICE_E_BAD_HEADER: return "The calculator file's header is damaged.";
    case DEVICE_E_BAD_LENGTH:
      return "A length recorded in the calculator file does not agree with the file's size.";
    case DEVICE_E_BAD_CHECKSUM: return "The calculator file's checksum does not match its content.";
    case DEVICE_E_INCOMPATIBLE_COPY:
      return "A variable cannot be copied between the XB Plus and the 68k-class calculators.";
    case DEVICE_E_CANNOT_WRITE: return "The calculator file cannot be written.";
    default: return nullptr;
  }
}

}  // namespace gridlet
