// One Convert call: its arguments, and the services the driver works with.
#pragma once

#include <string>

#include "encoding/text_file_encoding.h"
#include "server/device_file_service.h"
#include "server/file_system.h"
#include "server/file_types.h"
#include "server/user_messages.h"

namespace gridlet {

class SpreadsheetApplicationLauncher;

// Strings are 8-bit, in the Windows ANSI code page.
struct ConversionRequest {
  std::string inputPath;
  GRIDLET_FILE_TYPES fromType = QZ_TAB_TEXT;
  std::string sheetName;       // the worksheet of a workbook source
  std::string outputLocation;  // the output folder, ending with a separator
  std::string saveInternalName;  // the sheet's name on the calculator
  GRIDLET_FILE_TYPES toType = QZ_TAB_TEXT;
  long overwrite = 0;  // accepted and not consulted: the user is always asked
  // Any warning fails the conversion: nothing is written.
  bool strict = false;
  // The encoding of tab-text sources and targets; a source that opens with
  // a byte-order mark is read in the encoding the mark names.
  TextEncoding textEncoding = TextEncoding::Cp1252;
};

struct ConversionServices {
  FileSystem& files;
  UserMessages& messages;
  DeviceFileServiceFactory& devices;
  SpreadsheetApplicationLauncher* spreadsheets = nullptr;  // none: workbooks cannot be reached
};

}  // namespace gridlet
