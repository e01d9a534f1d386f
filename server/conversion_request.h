// One Convert call: its arguments, and the services the driver works with.
#pragma once

#include <cstdint>
#include <string>

#include "encoding/text_file_encoding.h"
#include "server/device_file_service.h"
#include "server/file_system.h"
#include "server/file_types.h"
#include "server/user_messages.h"
#include "server/workbook_format.h"

namespace gridlet {

class SpreadsheetApplicationLauncher;

// What a request says of workbooks beyond the interface's one workbook
// type: the format a workbook target is written in, and how a delimited
// text (CSV) is read as a workbook source.
struct WorkbookOptions {
  WorkbookFormat targetFormat = WorkbookFormat::Xls;
  bool csvSource = false;  // a source named ".csv" is one too
  char csvSeparator = ',';
  std::int32_t csvCodePage = 65001;  // UTF-8; 1252 for Windows-1252
};

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
  WorkbookOptions workbook;
};

struct ConversionServices {
  FileSystem& files;
  UserMessages& messages;
  DeviceFileServiceFactory& devices;
  SpreadsheetApplicationLauncher* spreadsheets = nullptr;  // none: workbooks cannot be reached
};

}  // namespace gridlet
