// The text paths of the calculator cells over long inputs: the rewrite
// tables over long formulas, the XB Plus tokenizer over long texts and
// the 68k-class renderer over deeply nested expressions.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_data.h"
#include "calc/formula_rewrites.h"
#include "encoding/render68k.h"
#include "encoding/xb_tokens.h"
#include "model/spreadsheet_text_rewrites.h"

namespace gridlet::bench {
namespace {

void RewriteBench(benchmark::State& state, const std::string& text,
                  std::span<const RewriteRule> table) {
  for (auto _ : state) {
    std::string work = text;
    ApplyRewrites(work, table);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// Spreadsheet formulas on their way to the intermediate form; intermediate
// formulas on their way to the spreadsheet, to the XB Plus (upper-cased
// by the cell first) and to the 68k-class sheets.
void BM_RewriteExcelToIntermediate(benchmark::State& state) {
  RewriteBench(state, LongSpreadsheetFormula(state.range(0)), ExcelNamesToIntermediateTable());
}
void BM_RewriteIntermediateToExcel(benchmark::State& state) {
  RewriteBench(state, LongIntermediateFormula(state.range(0)), IntermediateNamesToExcelTable());
}
void BM_RewriteIntermediateToXb(benchmark::State& state) {
  std::string text = LongIntermediateFormula(state.range(0));
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  RewriteBench(state, text, IntermediateToXbRewrites());
}
void BM_RewriteIntermediateTo68k(benchmark::State& state) {
  RewriteBench(state, LongIntermediateFormula(state.range(0)), IntermediateToSheet68kRewrites());
}
// A short formula, the common case: the cost is that of the table.
constexpr int kShort = 16;
constexpr int kLong = 1 << 20;
BENCHMARK(BM_RewriteExcelToIntermediate)->Arg(kShort)->Arg(kLong);
BENCHMARK(BM_RewriteIntermediateToExcel)->Arg(kShort)->Arg(kLong);
BENCHMARK(BM_RewriteIntermediateToXb)->Arg(kShort)->Arg(kLong);
BENCHMARK(BM_RewriteIntermediateTo68k)->Arg(kShort)->Arg(kLong);

// The whole text is tokenized into a buffer large enough for all of it
// (two bytes per character always suffice).
void BM_XbTextToTokens(benchmark::State& state) {
  std::string text = LongIntermediateFormula(state.range(0));
  IntermediateNamesToXb(text);
  std::vector<std::uint8_t> tokens(2 * text.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(XbTextToTokens(tokens.data(), tokens.size(), text));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_XbTextToTokens)->Arg(kShort)->Arg(kLong);

// And back: the tokens of the same text as names.
void BM_XbTokensToText(benchmark::State& state) {
  std::string text = LongIntermediateFormula(state.range(0));
  IntermediateNamesToXb(text);
  std::vector<std::uint8_t> tokens(2 * text.size());
  tokens.resize(XbTextToTokens(tokens.data(), tokens.size(), text));
  for (auto _ : state) {
    std::string out;
    XbTokensToText(tokens.data(), tokens.size(), out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * tokens.size()));
}
BENCHMARK(BM_XbTokensToText)->Arg(kShort)->Arg(kLong);

// Expressions nested as deep as the renderer goes (its limit is
// kRender68kMaxDepth levels), and a shallow one for comparison.
void BM_Render68kDeep(benchmark::State& state) {
  const Bytes variable = DeepExpressionVariable(static_cast<int>(state.range(0)));
  std::size_t length = 0;
  for (auto _ : state) {
    const std::optional<std::string> text =
        RenderVariable68k({}, variable.data(), variable.size(), 0);
    length = text ? text->size() : 0;
    benchmark::DoNotOptimize(length);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * variable.size()));
  state.counters["text"] = static_cast<double>(length);
}
BENCHMARK(BM_Render68kDeep)->Arg(10)->Arg(100)->Arg(kRender68kMaxDepth - 10);

}  // namespace
}  // namespace gridlet::bench
