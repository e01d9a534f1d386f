// XB Plus sheet data from any bytes. What reads must write again, and what
// the writer makes must read back with every cell that fits the sheet.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "calc/xb_sheet.h"
#include "fuzz/fuzz_support.h"
#include "support/recording_sheet_messages.h"

namespace {

using namespace gridlet;

// Writes a translated sheet as XB Plus data and returns the bytes.
ByteBuffer Write(SpreadsheetFile& source, testing::RecordingSheetMessages& messages) {
  XbSheet target(source);
  target.SetMessages(&messages);
  target.TranslateFromIntermediate();
  ByteBuffer out = target.GetOutput();
  fuzz::Check(out.size() == static_cast<std::size_t>(target.GetOutputLength()) + 3,
              "GetOutput gives the data and one trailing zero byte");
  return out;
}

// A target sheet takes its source's records over and frees them with
// itself; the source must not be used after its target is gone.
void Run(const std::uint8_t* data, std::size_t size) {
  XbSheet source(data, size);
  source.TranslateToIntermediate();
  const std::size_t cells = source.GetCellList()->Size();
  fuzz::ReadAsTabText<XbSheet>(data, size);

  testing::RecordingSheetMessages messages;
  const ByteBuffer first = Write(source, messages);
  XbSheet again(first.data(), first.size());
  again.TranslateToIntermediate();
  fuzz::Check(again.GetCellList()->Size() + messages.CellsNamedAsLeftOut() == cells,
              "every cell is written and read back, or named as left out");
  // Written data reads back to the same cells when written again. (Texts and
  // formulas need not keep their bytes: they are upper-cased on every
  // write, and a token whose name has small letters becomes letters.)
  std::vector<IntermediateCell> before;
  for (const auto& cell : *again.GetCellList()) before.push_back(*cell->Cell());
  testing::RecordingSheetMessages secondMessages;
  const ByteBuffer second = Write(again, secondMessages);
  XbSheet third(second.data(), second.size());
  third.TranslateToIntermediate();
  const CellList& after = *third.GetCellList();
  fuzz::Check(before.size() == after.Size(), "a written sheet keeps its cells");
  for (std::size_t i = 0; i < before.size(); ++i) {
    const IntermediateCell& a = before[i];
    const IntermediateCell& b = *after.At(i).Cell();
    fuzz::Check(a.Row == b.Row && a.Column == b.Column, "a written cell keeps its place");
    const unsigned kindA = a.Type & 3u, kindB = b.Type & 3u;
    fuzz::Check(kindA == kindB, "a written cell keeps its kind");
    if (kindA == CELL_NUMBER) fuzz::Check(a.Data == b.Data, "a number keeps its value");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Quiet();
  fuzz::Guarded([&] { Run(data, size); });
  return 0;
}
