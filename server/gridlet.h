// The converter object that automation clients and the command line use:
// it keeps the name of the file written last and runs conversions. Its
// strings are wide (UTF-16); inside, the engine works in the Windows ANSI
// code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/hresult.h"
#include "server/conversion_driver.h"

namespace gridlet {

class Gridlet {
 public:
  explicit Gridlet(ConversionServices services, const SheetKindRegistry& kinds = DefaultSheetKinds())
      : services_(services), driver_(services, kinds) {}

  // Stores a copy of the name; a null name stores none.
  HRESULT SetTheFileName(const std::u16string* name);
  // A copy of the stored name; empty when none is stored.
  HRESULT GetTheFileName(std::u16string& name) const;

  HRESULT Convert(std::u16string_view inputFileNameWithPath, GRIDLET_FILE_TYPES fromType,
                  std::u16string_view sheetName, std::u16string_view outputFileNameWithPath,
                  std::u16string_view saveInternalName, GRIDLET_FILE_TYPES toType, long overwrite);

  // What the conversions and sheet lists of this object assume of
  // workbooks beyond the interface's arguments (target format, CSV
  // sources); a COM caller keeps the defaults.
  void SetWorkbookOptions(const WorkbookOptions& options) { workbookOptions_ = options; }

  // The names of the workbook's worksheets in workbook order. S_OK, or
  // E_FAIL after the failure has been reported.
  HRESULT GetExcelSheetNames(std::u16string_view workbookFullPathName,
                             std::vector<std::u16string>& sheetNames);

  // Exports the workbook's first worksheet as tab text to the given file.
  // Failures are reported to the user; the result is always S_OK.
  HRESULT WorkbookToText(std::u16string_view workbookName, std::u16string_view textFileName);

  ConversionDriver& Driver() { return driver_; }

 private:
  // A request whose worksheet is given in full (a name need not have an
  // ANSI form).
  HRESULT Convert(ConversionRequest request, std::u16string_view sheetName);

  ConversionServices services_;
  ConversionDriver driver_;
  std::optional<std::u16string> fileName_;
  WorkbookOptions workbookOptions_;
};

// Wide text to the ANSI code page: characters without a form there become
// "?", as the Windows conversion does.
std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view text);

}  // namespace gridlet
