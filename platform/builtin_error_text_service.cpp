#include "platform/builtin_error_text_service.h"

#include <cstdio>

#include "platform/device_service_errors.h"

namespace gridlet {

const char* KnownErrorText(HRESULT code) {
  switch (static_cast<std::uint32_t>(code)) {
    case 0x8C050001u: return "The file could not be converted or written.";
    case 0x8C05001Bu:
      return "The spreadsheet application could not be started. Please check that it is "
             "installed.";
    case 0x8C05001Cu: return "The source file is too short to be a sheet of its type.";
    case 0x8C05001Du: return "The tab-delimited text file could not be opened.";
    case 0x8C05001Fu: return "The spreadsheet application failed while reading or writing the workbook.";
    case 0x8C050021u:
      return "The sheet is too large for the calculator. Only the cells that fit have been "
             "written.";
    case 0x8C050022u: return "The source file is damaged or is not a sheet of its type.";
    case 0x8C050023u: return "The conversion cannot be carried out as requested.";
    case 0x8C050024u: return "The source file could not be opened.";
    case 0x8C020012u: return "A number is too large for the calculator (beyond 9.9999999999999E99).";
    case 0x8C020014u: return "The data is an assembly program, not a sheet.";
    case 0x80004005u: return "Unspecified failure.";
    case 0x80004003u: return "A required component is not available.";
    case 0x8007000Eu: return "Not enough memory.";
    case 0x80070057u: return "An argument is not valid.";
    default: return DeviceServiceErrorText(code);
  }
}

std::string BuiltinErrorTextService::GetErrorText(HRESULT code) {
  if (const char* text = KnownErrorText(code)) return text;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "Unknown error 0x%08X.", static_cast<unsigned>(code));
  return buffer;
}

}  // namespace gridlet
