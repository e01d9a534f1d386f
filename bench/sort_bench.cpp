// SortByPosition on the largest cell lists a calculator file holds. A 68k
// sheet's content has a 16-bit length and its shortest record is 7 bytes,
// so a file holds up to (65535 - 144 - 2) / 7 = 9341 cells; an XB Plus
// file, with 8-byte records, fewer. Calculator sheets sort after reading.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "bench/bench_data.h"

namespace gridlet::bench {
namespace {

constexpr std::size_t kLargestSheet = (65535 - 144 - 2) / 7;

// A list of `count` cells whose records get the positions `order` before
// every sort: the calculator position p stands for column p / 1000 + 1 and
// row p % 1000.
void SortBench(benchmark::State& state, const std::vector<int>& order) {
  QuietTrace quiet;
  std::string text;
  for (std::size_t i = 0; i < order.size(); ++i) text += "1\r\n";
  std::unique_ptr<SpreadsheetFile> sheet = ReadTabText(text);
  CellList& cells = *sheet->GetCellList();
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t i = 0; i < cells.Size(); ++i) {
      IntermediateCell& record = *cells.At(i).Cell();
      record.Column = order[i] / 1000 + 1;
      record.Row = order[i] % 1000;
    }
    state.ResumeTiming();
    cells.SortByPosition();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * cells.Size()));
}

// Every position once, last first: the most exchanges for an ordering by
// pairs, the longest merges for a merge sort.
void BM_SortReversed(benchmark::State& state) {
  std::vector<int> order(kLargestSheet);
  std::iota(order.rbegin(), order.rend(), 0);
  SortBench(state, order);
}
// Shuffled, with every position held by seven cells, whose order must be
// kept.
void BM_SortShuffledWithTies(benchmark::State& state) {
  std::vector<int> order(kLargestSheet);
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i / 7);
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  SortBench(state, order);
}
// Already in order, as sheets written by the calculator usually are.
void BM_SortInOrder(benchmark::State& state) {
  std::vector<int> order(kLargestSheet);
  std::iota(order.begin(), order.end(), 0);
  SortBench(state, order);
}
BENCHMARK(BM_SortReversed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SortShuffledWithTies)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SortInOrder)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gridlet::bench
