#include "server/gridlet.h"

#include <algorithm>

#include "bridge/workbook_exchange.h"
#include "encoding/cp1252.h"
#include "server/workbook_kind.h"

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
  request.workbook = workbookOptions_;
  return Convert(request, sheetName);
}

HRESULT Gridlet::Convert(ConversionRequest request, std::u16string_view sheetName) {
  // The engine holds names in the ANSI code page; a worksheet whose name
  // has no form there is chosen by its position.
  if (request.fromType == QZ_EXCEL && !Utf16ToCp1252(sheetName)) {
    std::vector<std::u16string> names;
    if (GetExcelSheetNames(FromAnsi(request.inputPath), names) != S_OK) return E_FAIL;
    const auto found = std::find(names.begin(), names.end(), sheetName);
    if (found != names.end()) request.sheetName = "#" + std::to_string(found - names.begin() + 1);
  }
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
  const std::optional<DelimitedText> delimited = DelimitedSource(workbookOptions_, path);
  SheetListResult list = ListWorkbookSheets(*services_.spreadsheets, &services_.messages, path.c_str(),
                                            delimited ? &*delimited : nullptr);
  if (list.result != S_OK) return list.result;
  sheetNames = std::move(list.names);
  return S_OK;
}

HRESULT Gridlet::WorkbookToText(std::u16string_view workbookName, std::u16string_view textFileName) {
  // The text of the first worksheet goes to the file the caller names, as
  // the workbook source of a conversion reads it.
  ConversionRequest request;
  request.inputPath = ToAnsi(workbookName);
  request.fromType = QZ_EXCEL;
  request.workbook = workbookOptions_;
  const std::optional<WorkbookText> text = ExportWorksheet(services_, request);
  if (!text) return S_OK;
  const std::string path = ToAnsi(textFileName);
  std::string why;
  if (!services_.files.WriteFile(path, text->bytes.data(), text->bytes.size(), &why)) {
    services_.messages.ReportError(GRIDLET_E_CONVERSION, path + ": " + why);
  }
  return S_OK;
}

}  // namespace gridlet
