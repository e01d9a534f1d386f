// The text a spreadsheet application saved for a worksheet, from any
// bytes, made ready for the sheet reader (the first byte says whether A1
// held the placeholder): rows end in CR LF and nothing else breaks a row,
// every field keeps its place, and the sheet reader takes the result.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "server/workbook_text.h"

namespace {

using namespace gridlet;

// The row ends (CR LF) of a text.
std::size_t Rows(const std::uint8_t* p, std::size_t size) {
  std::size_t rows = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (p[i] == '\r' && i + 1 < size && p[i + 1] == '\n') ++rows, ++i;
  }
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Quiet();
  if (size == 0) return 0;
  const bool placeholder = data[0] & 1;
  const std::string_view exported(reinterpret_cast<const char*>(data + 1), size - 1);
  const WorkbookText prepared = PrepareWorkbookText(exported, placeholder);
  const std::uint8_t* out = prepared.bytes.data();
  const std::size_t length = prepared.bytes.size();
  for (std::size_t i = 0; i < length; ++i) {
    if (out[i] == '\n') fuzz::Check(i > 0 && out[i - 1] == '\r', "a LF only in a row end");
    if (out[i] == '\r') fuzz::Check(i + 1 < length && out[i + 1] == '\n', "a CR only in a row end");
  }
  fuzz::Check(prepared.cellsWithBreaks.size() <= length, "no more changed cells than bytes");
  // Preparing again changes nothing: no break is left inside a field.
  const WorkbookText again = PrepareWorkbookText(
      std::string_view(reinterpret_cast<const char*>(out), length), false);
  fuzz::Check(again.bytes == prepared.bytes, "prepared text is stable");
  fuzz::Check(again.cellsWithBreaks.empty(), "no cell of prepared text holds a break");
  fuzz::Check(Rows(again.bytes.data(), again.bytes.size()) == Rows(out, length), "rows stay rows");
  fuzz::Guarded([&] {
    ExcelTextSheet sheet(out, length);
    sheet.TranslateToIntermediate();
  });
  return 0;
}
