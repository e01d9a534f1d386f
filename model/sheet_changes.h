// The changes a calculator sheet has to make to the cells it is given (a
// cell left out, a text cut), gathered while it encodes them so that the
// user is warned once for each kind of change, with the cells it touched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/hresult.h"

namespace gridlet {

class SheetMessages;

// A kind of change: the sentence that names it, ending where the cells
// follow ("These formulas call functions the XB Plus does not have and
// were left out"), and the error code of its own that the warning carries,
// if any.
struct ChangeKind {
  std::string_view sentence;
  HRESULT code = S_OK;
};

class SheetChanges {
 public:
  // Records that a change of this kind happened to the cell at row and
  // column.
  void Add(const ChangeKind& kind, std::int32_t row, std::int32_t column);
  // The same for a cell given by its address ("B7").
  void Add(const ChangeKind& kind, std::string address);

  bool Empty() const { return kinds_.empty(); }
  // How many cells changes of this kind touched.
  std::size_t Count(const ChangeKind& kind) const;

  // One warning for each kind of change, in the order they first happened:
  // the sentence, how many cells, the first of them by name and how many
  // more there were ("...: 12 cells, A1, B2, ..., J7 and 2 more.").
  void Report(SheetMessages* messages) const;

 private:
  struct Entry {
    const ChangeKind* kind;
    std::vector<std::string> cells;  // the first few
    std::size_t count = 0;
  };
  std::vector<Entry> kinds_;
};

}  // namespace gridlet
