#include "server/gridlet.h"

#include "bridge/workbook_exchange.h"
#include "encoding/cp1252.h"

namespace gridlet {

std::string ToAnsi(std::u16string_view text) { return Utf16ToCp1252(text, '?'); }
std::u16string FromAnsi(std::string_view text) { return Cp1252ToUtf16(text); }

HRESULT Gridlet::SetTheFileName(const std::u16string* name) {
  fileName_ = name ? std::optional<std::u16string>(*name) : std::nullopt;
  return S_OK;
}

HRESULT Gridlet::GetTheFileName(std::u16string& name) const {
  name = fileName_.value_or(std::u16string());
  return S_OK;
}

HRESULT Gridlet::Convert(std::u16string_view inputFileNameWithPath, GRIDLET_FILE_TYPES fromType,
                         std::u16string_view sheetName, std::u16string_view outputFileNameWithPath,
                         std::u16string_view saveInternalName, GRIDLET_FILE_TYPES toType,
                         long overwrite) {
  ConversionRequest request;
  request.inputPath = ToAnsi(inputFileNameWithPath);
  request.fromType = fromType;
  request.sheetName = ToAnsi(sheetName);
  request.outputLocation = ToAnsi(outputFileNameWithPath);
  request.saveInternalName = ToAnsi(saveInternalName);
  request.toType = toType;
  request.overwrite = overwrite;
  std::optional<std::string> written;
  const HRESULT result = driver_.Convert(request, &written);
  if (written) fileName_ = FromAnsi(*written);
  return result;
}

}  // namespace gridlet

namespace gridlet {

HRESULT Gridlet::GetExcelSheetNames(std::u16string_view workbookFullPathName,
                                    std::vector<std::u16string>& sheetNames) {
  if (!services_.spreadsheets) {
    services_.messages.ReportError(GRIDLET_E_NO_SPREADSHEET_APP);
    return E_FAIL;
  }
  const std::string path = ToAnsi(workbookFullPathName);
  SheetListResult list = ListWorkbookSheets(*services_.spreadsheets, &services_.messages, path.c_str());
  if (list.result != S_OK) return list.result;
  sheetNames.clear();
  for (const std::string& name : list.names) sheetNames.push_back(FromAnsi(name));
  return S_OK;
}

HRESULT Gridlet::WorkbookToText(std::u16string_view workbookName, std::u16string_view textFileName) {
  // The text goes to the file the caller names, from the first worksheet.
  std::vector<std::u16string> sheets;
  if (GetExcelSheetNames(workbookName, sheets) != S_OK) return S_OK;
  const std::string workbook = ToAnsi(workbookName);
  if (sheets.empty()) {
    services_.messages.ReportError(GRIDLET_E_SPREADSHEET_APP, workbook + " has no worksheet");
    return S_OK;
  }
  const std::string text = ToAnsi(textFileName);
  const std::string sheet = ToAnsi(sheets.front());
  WorkbookToTextFile(*services_.spreadsheets, services_.messages, workbook.c_str(), text.c_str(),
                     sheet.c_str());
  return S_OK;
}

}  // namespace gridlet
