// A translated source sheet that holds the given records as they are, as
// if a reader of the given origin had made them: for the tests of writers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/spreadsheet_file.h"

namespace gridlet::testing {

class RecordCell : public SpreadsheetCell {
 public:
  explicit RecordCell(const IntermediateCell& values) { NewCell() = values; }
  void TranslateToIntermediate() override {}
  void TranslateFromIntermediate() override {}
  ByteBuffer GetOutput() override { return {}; }
};

class RecordSheet : public SpreadsheetFile {
 public:
  explicit RecordSheet(const std::vector<IntermediateCell>& records,
                       std::int16_t origin = ORIGIN_TAB_TEXT, const std::string& name = "sheet")
      : SpreadsheetFile(nullptr, 0) {
    cells_ = std::make_unique<CellList>();
    for (const IntermediateCell& record : records) cells_->Append(std::make_unique<RecordCell>(record));
    SetName(name);
    CreateHeader(origin);
  }
  void TranslateToIntermediate() override {}
  std::string Dump() override { return {}; }
  void TranslateFromIntermediate() override {}
  ByteBuffer GetOutput() override { return {}; }
};

}  // namespace gridlet::testing
