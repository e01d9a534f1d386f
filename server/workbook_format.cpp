#include "server/workbook_format.h"

#include "bridge/spreadsheet_application.h"

namespace gridlet {

namespace {

constexpr WorkbookFormatEntry FORMATS[] = {
    {WorkbookFormat::Xls, "xls", ".xls", XL_FILE_FORMAT_WORKBOOK, false},
    {WorkbookFormat::Xlsx, "xlsx", ".xlsx", XL_FILE_FORMAT_XLSX, false},
    {WorkbookFormat::Ods, "ods", ".ods", XL_FILE_FORMAT_ODS, false},
    {WorkbookFormat::Csv, "csv", ".csv", XL_FILE_FORMAT_CSV_UTF8, true},
};

}  // namespace

const WorkbookFormatEntry& WorkbookFormatOf(WorkbookFormat format) {
  for (const WorkbookFormatEntry& entry : FORMATS) {
    if (entry.format == format) return entry;
  }
  return FORMATS[0];
}

std::optional<WorkbookFormat> WorkbookFormatNamed(std::string_view name) {
  for (const WorkbookFormatEntry& entry : FORMATS) {
    if (entry.name == name) return entry.format;
  }
  return std::nullopt;
}

}  // namespace gridlet
