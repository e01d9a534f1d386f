// 68k-class sheet data from any bytes. What reads must write again, and
// what the writer makes must read back with every cell that fits.
#include <cstddef>
#include <cstdint>

#include "calc/sheet68k.h"
#include "fuzz/fuzz_support.h"
#include "support/recording_sheet_messages.h"

namespace {

using namespace gridlet;

constexpr std::size_t kLengthField = 2;

ByteBuffer Write(SpreadsheetFile& source, testing::RecordingSheetMessages& messages) {
  Sheet68k target(source);
  target.SetMessages(&messages);
  target.TranslateFromIntermediate();
  ByteBuffer out = target.GetOutput();
  fuzz::Check(out.size() >= kLengthField + kSheet68kHeaderSize + 2, "the output holds the header");
  fuzz::Check(static_cast<std::size_t>(target.GetOutputLength()) <= kSheet68kMaxOutput + 8,
              "the output stays within the sheet's limit");
  return out;
}

// A target sheet takes its source's records over and frees them with
// itself; the source must not be used after its target is gone.
void Run(const std::uint8_t* data, std::size_t size) {
  Sheet68k source(data, size);
  source.TranslateToIntermediate();
  const std::size_t cells = source.GetCellList()->Size();
  fuzz::ReadAsTabText<Sheet68k>(data, size);

  testing::RecordingSheetMessages messages;
  const ByteBuffer first = Write(source, messages);
  // The sheet data as the device stores it: without the output length.
  Sheet68k again(first.data() + kLengthField, first.size() - kLengthField);
  again.TranslateToIntermediate();
  const std::size_t kept = again.GetCellList()->Size();
  fuzz::Check(kept + messages.CellsNamedAsLeftOut() == cells,
              "every cell is written, or named as left out");

  testing::RecordingSheetMessages secondMessages;
  const ByteBuffer second = Write(again, secondMessages);
  Sheet68k third(second.data() + kLengthField, second.size() - kLengthField);
  third.TranslateToIntermediate();
  fuzz::Check(third.GetCellList()->Size() == kept,
              "a written sheet keeps its cells when written again");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Quiet();
  fuzz::Guarded([&] { Run(data, size); });
  return 0;
}
