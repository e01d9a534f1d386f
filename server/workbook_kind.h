// Workbooks, reached through the spreadsheet application: a worksheet is
// exported as tab text and read as spreadsheet text; a target is written
// as tab text that the application saves as a workbook; a workbook to a
// workbook is a copy made by the application.
#pragma once

#include <optional>

#include "bridge/workbook_exchange.h"
#include "server/sheet_kind.h"
#include "server/workbook_text.h"

namespace gridlet {

class WorkbookKind : public SheetKind {
 public:
  HRESULT ReadSource(ConversionContext& context) override;
  HRESULT WriteTarget(ConversionContext& context) override;
  bool ReadsThroughFileSystem() const override { return false; }
  // Without a worksheet named, the application saves the whole workbook,
  // every worksheet with its formulas, values and formats, in the target
  // format: nothing of it passes through the intermediate form.
  std::optional<HRESULT> CopyWithinKind(ConversionContext& context) override;
};

// How a workbook source is opened: as delimited text (CSV) when the
// options or the file's name say so, otherwise as whatever workbook it is.
std::optional<DelimitedText> DelimitedSource(const WorkbookOptions& options, const std::string& path);

// The text of the request's worksheet, ready to be read as a sheet;
// nothing when the export failed (reported). Warns of the cells it
// changed.
std::optional<WorkbookText> ExportWorksheet(ConversionServices& services, const ConversionRequest& request);

}  // namespace gridlet
