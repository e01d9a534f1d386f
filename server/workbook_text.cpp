#include "server/workbook_text.h"

#include "model/cell_address.h"

namespace gridlet {

namespace {

bool IsBreak(char c) { return c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

WorkbookText PrepareWorkbookText(std::string_view exported, bool placeholderInA1) {
  WorkbookText prepared;
  prepared.bytes.reserve(exported.size() + 2);
  std::string field;
  std::int32_t row = 1;
  std::int32_t column = 1;
  std::size_t i = 0;
  const std::size_t n = exported.size();
  while (i < n) {
    field.clear();
    bool replaced = false;
    if (exported[i] == '"') {
      field.push_back('"');
      ++i;
      while (i < n) {
        const char c = exported[i];
        if (c == '"') {
          field.push_back('"');
          ++i;
          if (i < n && exported[i] == '"') {
            field.push_back('"');
            ++i;
            continue;
          }
          break;  // the closing quote
        }
        if (IsBreak(c)) {
          replaced = true;
          if (c == '\r' && i + 1 < n && exported[i + 1] == '\n') ++i;
          field.push_back(' ');
        } else {
          field.push_back(c);
        }
        ++i;
      }
    }
    // Unquoted, or what follows a closing quote: up to the field's end.
    while (i < n && !IsBreak(exported[i])) field.push_back(exported[i++]);

    if (placeholderInA1 && row == 1 && column == 1) field.clear();
    if (replaced && !field.empty()) prepared.cellsWithBreaks.push_back(CellAddress(row, column));
    if (!field.empty()) prepared.empty = false;
    prepared.bytes.insert(prepared.bytes.end(), field.begin(), field.end());

    if (i >= n) break;
    if (exported[i] == '\t') {
      prepared.bytes.push_back('\t');
      ++column;
      ++i;
    } else {
      if (exported[i] == '\r' && i + 1 < n && exported[i + 1] == '\n') ++i;
      ++i;
      prepared.bytes.push_back('\r');
      prepared.bytes.push_back('\n');
      ++row;
      column = 1;
    }
  }
  return prepared;
}

}  // namespace gridlet
