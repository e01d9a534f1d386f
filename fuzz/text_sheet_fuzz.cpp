// Tab text from any bytes: read as a plain text file and as the
// spreadsheet program's text, written back, and read again. The text
// written must read back to cells at the same positions.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "model/text_sheet.h"

namespace {

using namespace gridlet;

std::vector<std::pair<std::int32_t, std::int32_t>> Positions(const SpreadsheetFile& sheet) {
  std::vector<std::pair<std::int32_t, std::int32_t>> out;
  for (const auto& cell : *sheet.GetCellList()) {
    fuzz::Check(cell->Cell() != nullptr, "every cell read holds a record");
    out.emplace_back(cell->Cell()->Row, cell->Cell()->Column);
  }
  return out;
}

template <class SheetT>
void RoundTrip(const std::uint8_t* data, std::size_t size) {
  SheetT source(data, size);
  source.SetName("fuzz");
  source.TranslateToIntermediate();
  fuzz::Check(source.GetHeader() && source.GetHeader()->origin == ORIGIN_TAB_TEXT,
              "a text sheet gets the tab-text header");

  SheetT target(source);
  target.TranslateFromIntermediate();
  const ByteBuffer out = target.GetOutput();
  const auto length = static_cast<std::size_t>(target.GetOutputLength());
  fuzz::Check(out.size() == length + 2, "the output is the text and two zero bytes");

  SheetT again(out.data(), length);
  again.TranslateToIntermediate();
  fuzz::Check(Positions(again) == Positions(source), "the written text keeps every cell in place");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Quiet();
  fuzz::Guarded([&] { RoundTrip<TextSheet>(data, size); });
  fuzz::Guarded([&] { RoundTrip<ExcelTextSheet>(data, size); });
  return 0;
}
