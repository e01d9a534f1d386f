#include "server/sheet_preview.h"

#include <algorithm>
#include <cstdio>

#include "encoding/escape_glyphs.h"
#include "server/conversion_driver.h"

namespace gridlet {

namespace {

DisplayKind KindOf(const IntermediateCell& record) {
  switch (record.Type & 3) {
    case CELL_FORMULA: return DisplayKind::Formula;
    case CELL_NUMBER: return DisplayKind::Number;
    default: return DisplayKind::Text;
  }
}

const char* KindName(DisplayKind kind) {
  switch (kind) {
    case DisplayKind::Number: return "number";
    case DisplayKind::Formula: return "formula";
    default: return "text";
  }
}

bool IsCalculatorOrigin(std::int16_t origin) {
  return origin == ORIGIN_XB_PLUS || origin == ORIGIN_SHEET68K;
}

}  // namespace

std::string DisplayText(const IntermediateCell& record, std::int16_t origin) {
  std::string_view text = record.Data;
  const DisplayKind kind = KindOf(record);
  if (kind == DisplayKind::Formula && record.Data2) text = *record.Data2;
  // Calculator texts carry the calculator's own opening quote.
  if (kind == DisplayKind::Text && IsCalculatorOrigin(origin) && text.starts_with('"')) {
    text.remove_prefix(1);
  }
  return EscapedTextToUnicode(text);
}

SheetPreview MakeSheetPreview(const std::vector<IntermediateCell>& records, const SheetHeader& header,
                              GRIDLET_FILE_TYPES type) {
  SheetPreview preview;
  preview.type = type;
  if (IsCalculatorOrigin(header.origin)) preview.name = EscapedTextToUnicode(header.name);
  preview.cells.reserve(records.size());
  for (const IntermediateCell& record : records) {
    if (record.Row < 1 || record.Column < 1) continue;
    DisplayCell cell;
    cell.row = record.Row;
    cell.column = record.Column;
    cell.address = CellAddress(record.Row, record.Column);
    cell.kind = KindOf(record);
    cell.text = DisplayText(record, header.origin);
    preview.rows = std::max(preview.rows, cell.row);
    preview.columns = std::max(preview.columns, cell.column);
    preview.cells.push_back(std::move(cell));
  }
  std::stable_sort(preview.cells.begin(), preview.cells.end(),
                   [](const DisplayCell& a, const DisplayCell& b) {
                     return a.row != b.row ? a.row < b.row : a.column < b.column;
                   });
  return preview;
}

HRESULT ReadSheetPreview(ConversionServices services, const ConversionRequest& request,
                         SheetPreview& preview) {
  ConversionDriver driver(services);
  std::vector<IntermediateCell> records;
  SheetHeader header;
  GRIDLET_FILE_TYPES readAs = request.fromType;
  const HRESULT result = driver.ReadRecords(request, records, &header, &readAs);
  if (result != S_OK) return result;
  preview = MakeSheetPreview(records, header, readAs);
  return S_OK;
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  out.reserve(utf8.size() + 2);
  for (const char c : utf8) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string SheetPreviewJson(const SheetPreview& preview) {
  std::string_view type = OutputExtension(preview.type);
  if (!type.empty()) type.remove_prefix(1);  // no full stop
  std::string out = "{\"type\":" + JsonString(type) + ",\"name\":" + JsonString(preview.name) +
                    ",\"rows\":" + std::to_string(preview.rows) +
                    ",\"columns\":" + std::to_string(preview.columns) + ",\"cells\":[";
  bool first = true;
  for (const DisplayCell& cell : preview.cells) {
    if (!first) out += ',';
    first = false;
    out += "{\"address\":" + JsonString(cell.address) + ",\"row\":" + std::to_string(cell.row) +
           ",\"column\":" + std::to_string(cell.column) + ",\"kind\":\"" + KindName(cell.kind) +
           "\",\"text\":" + JsonString(cell.text) + "}";
  }
  out += "]}";
  return out;
}

}  // namespace gridlet
