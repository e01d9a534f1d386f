// Full calculator sheets written from the intermediate form and read back:
// an XB Plus sheet and a 68k-class sheet holding as many cells as their
// data allow.
#include <benchmark/benchmark.h>

#include "bench/bench_data.h"
#include "calc/sheet68k.h"
#include "calc/xb_sheet.h"

namespace gridlet::bench {
namespace {

// Where each reader starts in GetOutput's bytes: an XB Plus sheet at its
// size field, a 68k-class sheet after its output length.
constexpr std::size_t kXbReadFrom = 0;
constexpr std::size_t k68kReadFrom = 2;

template <class SheetT>
void WriteSheet(benchmark::State& state, const std::string& text) {
  QuietTrace quiet;
  std::size_t bytes = 0;
  std::size_t cells = 0;
  for (auto _ : state) {
    // The records move to the sheet written, so every round reads its
    // source again, untimed.
    state.PauseTiming();
    std::unique_ptr<SpreadsheetFile> source = ReadTabText(text);
    cells = source->GetCellList()->Size();
    // A text sheet makes its cell objects when first asked for one: made
    // here, so that the write is timed from records, as it always was.
    source->GetCellList()->ResetCursor();
    benchmark::DoNotOptimize(source->GetCellList()->Next());
    state.ResumeTiming();
    SheetT sheet(*source);
    sheet.TranslateFromIntermediate();
    const ByteBuffer out = sheet.GetOutput();
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.counters["cells"] = static_cast<double>(cells);
  state.counters["bytes"] = static_cast<double>(bytes);
}

template <class SheetT>
ByteBuffer SheetBytes(const std::string& text) {
  QuietTrace quiet;
  std::unique_ptr<SpreadsheetFile> source = ReadTabText(text);
  SheetT sheet(*source);
  sheet.TranslateFromIntermediate();
  return sheet.GetOutput();
}

template <class SheetT>
void ReadSheet(benchmark::State& state, const ByteBuffer& data, std::size_t from) {
  QuietTrace quiet;
  std::size_t cells = 0;
  for (auto _ : state) {
    SheetT sheet(data.data() + from, data.size() - from);
    sheet.TranslateToIntermediate();
    cells = sheet.GetCellList()->Size();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.counters["cells"] = static_cast<double>(cells);
}

void BM_XbSheetWrite(benchmark::State& state) { WriteSheet<XbSheet>(state, FullXbSheetText()); }
void BM_XbSheetRead(benchmark::State& state) {
  ReadSheet<XbSheet>(state, SheetBytes<XbSheet>(FullXbSheetText()), kXbReadFrom);
}
void BM_Sheet68kWrite(benchmark::State& state) { WriteSheet<Sheet68k>(state, Full68kSheetText()); }
void BM_Sheet68kRead(benchmark::State& state) {
  ReadSheet<Sheet68k>(state, SheetBytes<Sheet68k>(Full68kSheetText()), k68kReadFrom);
}

BENCHMARK(BM_XbSheetWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XbSheetRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sheet68kWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sheet68kRead)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gridlet::bench
