// A sheet as people see it, for any front end that shows sheets (the
// command's `show`, the web page): every cell with its address, its kind
// and its text in UTF-8, calculator characters as themselves (π, ≤, √, ⁻¹,
// accented letters) and without the XB Plus calculators' internal opening
// quote of texts. Sources are read through the same source stages as a
// conversion, so their checks and messages are the same.
//
// Texts are shown as they are: control characters stay in them. A front
// end that prints to a terminal escapes them itself; the JSON form escapes
// them as JSON does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/cell_address.h"
#include "model/hresult.h"
#include "model/intermediate_cell.h"
#include "server/conversion_request.h"
#include "server/file_types.h"

namespace gridlet {

enum class DisplayKind { Number, Text, Formula };

struct DisplayCell {
  std::int32_t row = 0;     // 1-based
  std::int32_t column = 0;  // 1-based, 1 is column A
  std::string address;      // "B3"
  DisplayKind kind = DisplayKind::Number;
  std::string text;         // UTF-8; a formula's text with its "="
};

struct SheetPreview {
  // The type the source was read as: the type its content shows, which may
  // differ from the one asked for (a calculator file under another
  // calculator's extension).
  GRIDLET_FILE_TYPES type = QZ_TAB_TEXT;
  std::string name;          // the sheet's own name (calculator files only), UTF-8
  std::int32_t rows = 0;     // the last row that holds a cell, 0 for none
  std::int32_t columns = 0;  // the last column that holds a cell, 0 for none
  std::vector<DisplayCell> cells;  // by row, then column; file order within one place
};

// Reads request.inputPath as a source of request.fromType (the worksheet
// request.sheetName of a workbook; the text encoding of the request for tab
// text); the target fields are not used. Failures are reported through
// services.messages, as a conversion reports them; the result is S_OK or
// the failing result of the source stage.
HRESULT ReadSheetPreview(ConversionServices services, const ConversionRequest& request,
                         SheetPreview& preview);

// The preview of records already read (in any order), with the header of
// their sheet.
SheetPreview MakeSheetPreview(const std::vector<IntermediateCell>& records, const SheetHeader& header,
                              GRIDLET_FILE_TYPES type);

// The display text of one record: escapes as their characters, the
// XB Plus internal quote dropped, a formula as its formula text.
std::string DisplayText(const IntermediateCell& record, std::int16_t origin);

// {"type":"xbv","name":"BUDGET","rows":2,"columns":3,"cells":[{"address":
// "A1","row":1,"column":1,"kind":"number","text":"1"},...]}. Kinds are
// "number", "text" and "formula".
std::string SheetPreviewJson(const SheetPreview& preview);

// The text as a JSON string literal, quotes included.
std::string JsonString(std::string_view utf8);

}  // namespace gridlet
