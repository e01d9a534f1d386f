// The changes a calculator sheet has to make to the cells it is given (a
// cell left out, a text cut), gathered while it encodes them so that the
// user is told once for each kind of change, with the cells it touched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gridlet {

class SheetMessages;

class SheetChanges {
 public:
  // Records that `change` (a sentence that ends where the cells follow, as
  // in "These formulas call functions the XB Plus does not have and were
  // left out") happened to the cell at row and column.
  void Add(std::string_view change, std::int32_t row, std::int32_t column);

  bool Empty() const { return kinds_.empty(); }

  // One notice for each kind of change, in the order they first happened:
  // the sentence, the first cells by name and how many more there were.
  void Report(SheetMessages* messages) const;

 private:
  std::vector<std::pair<std::string, std::vector<std::string>>> kinds_;
};

}  // namespace gridlet
