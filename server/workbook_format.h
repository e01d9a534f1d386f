// The formats a workbook target can be written in. The interface knows one
// workbook type; the format rides with the request (the command's --to xls,
// xlsx, ods or csv), and a caller that says nothing gets ".xls".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace gridlet {

enum class WorkbookFormat { Xls, Xlsx, Ods, Csv };

struct WorkbookFormatEntry {
  WorkbookFormat format;
  std::string_view name;       // "xls", as the command names it
  std::string_view extension;  // ".xls"
  std::int32_t fileFormat;     // the spreadsheet application's SaveAs format
  bool oneWorksheet;           // holds a single worksheet (CSV)
};

const WorkbookFormatEntry& WorkbookFormatOf(WorkbookFormat format);
std::optional<WorkbookFormat> WorkbookFormatNamed(std::string_view name);

}  // namespace gridlet
