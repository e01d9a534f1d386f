// Reading tab text: the sheet from bytes and its translation into the
// intermediate form, and the whole txt -> null conversion through the
// driver and the file system.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "bench/bench_data.h"
#include "model/field_scan.h"
#include "model/fresh_memory.h"
#include "platform/fresh_pages.h"
#include "model/tab_text_writer.h"
#include "model/text_sheet.h"
#include "platform/builtin_error_text_service.h"
#include "platform/link_file_device_service.h"
#include "platform/scripted_message_boxes.h"
#include "platform/std_file_system.h"
#include "server/conversion_driver.h"
#include "server/user_messages.h"

namespace gridlet::bench {
namespace {

constexpr std::size_t kTextSize = 50u << 20;

const std::string& FiftyMegabytes() {
  static const std::string text = GenerateTabText(kTextSize);
  return text;
}

// The bytes of memory the process holds, from /proc/self/statm.
std::size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t pages = 0;
  std::size_t resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// The fresh-memory advice of the command, for the time of a benchmark.
class CommandMemoryAdvice {
 public:
  CommandMemoryAdvice() : previous_(SetFreshMemoryAdvice(AdviseFreshPages)) {}
  ~CommandMemoryAdvice() { SetFreshMemoryAdvice(previous_); }
  CommandMemoryAdvice(const CommandMemoryAdvice&) = delete;
  CommandMemoryAdvice& operator=(const CommandMemoryAdvice&) = delete;

 private:
  FreshMemoryAdvice previous_;
};

void BM_TextSheetRead(benchmark::State& state) {
  const bool cold = state.range(0) != 0;
  const std::string& text = FiftyMegabytes();
  QuietTrace quiet;
  CommandMemoryAdvice advice;
  // The memory that the translated sheet holds, per byte of input,
  // measured once outside the timed loop.
  std::size_t cells = 0;
  double memoryPerByte = 0;
  {
    malloc_trim(0);
    const std::size_t before = ResidentBytes();
    auto sheet = ReadTabText(text);
    cells = sheet->GetCellList()->Size();
    memoryPerByte = static_cast<double>(ResidentBytes() - before) / static_cast<double>(text.size());
    sheet->GetCellList()->DeleteAll();
    malloc_trim(0);
  }
  for (auto _ : state) {
    TextSheet sheet(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    sheet.SetName("BENCH");
    sheet.TranslateToIntermediate();
    benchmark::DoNotOptimize(sheet.GetCellList()->Size());
    // Freeing the cells is not reading. With cold memory the heap goes
    // back to the system, so that every read starts as the first one of a
    // process does; otherwise the next read finds the pages in place, as
    // the later files of a batch may.
    state.PauseTiming();
    sheet.GetCellList()->DeleteAll();
    if (cold) malloc_trim(0);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["cells"] = static_cast<double>(cells);
  state.counters["memory/input"] = memoryPerByte;
  state.counters["bytes/cell"] = static_cast<double>(text.size()) / static_cast<double>(cells);
}
BENCHMARK(BM_TextSheetRead)
    ->ArgName("cold")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Only the splitting into fields, without cells or records: the share of
// the read that is scanning bytes.
void BM_TabTextFieldScan(benchmark::State& state) {
  const std::string& text = FiftyMegabytes();
  for (auto _ : state) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::uint8_t* const end = p + text.size();
    FieldStops stops(p, end);
    std::size_t fields = 0;
    while (p < end) {
      fields += stops.Field(p).empty() ? 0 : 1;
      if (p < end && *p == '\r') ++p;
    }
    benchmark::DoNotOptimize(fields);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_TabTextFieldScan)->Unit(benchmark::kMillisecond)->UseRealTime();

// Writing a read store as tab text into memory, as a conversion to tab
// text does before the file: on two threads as a quiet conversion writes,
// or on one (traces on, sent nowhere).
void BM_PackedTextWrite(benchmark::State& state) {
  const bool oneThread = state.range(0) == 1;
  const std::string& text = FiftyMegabytes();
  QuietTrace quiet;
  auto sheet = ReadTabText(text);
  const PackedCells* store = sheet->GetCellList()->Packed();
  if (store == nullptr) return state.SkipWithError("the sheet holds no store");
  if (oneThread) SetTraceSink([](std::string_view) {});
  ByteBuffer bytes;
  bytes.reserve(text.size() * 3 / 2);
  std::size_t size = 0;
  for (auto _ : state) {
    const OutputPieces::Sink none;
    OutputPieces out(bytes, none);
    WritePackedRecords(*store, out, ORIGIN_TAB_TEXT, kPlainFieldWriting, [](const std::vector<CellPosition>&) {});
    size = out.Finish();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["output/input"] = static_cast<double>(size) / static_cast<double>(text.size());
}
BENCHMARK(BM_PackedTextWrite)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A folder under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "gridlet_bench_XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern + "/";
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

void BM_TabTextToNull(benchmark::State& state) {
  const std::string& text = FiftyMegabytes();
  TempFolder folder;
  const std::string input = folder.Path() + "sheet.txt";
  std::ofstream(input, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
  QuietTrace quiet;
  StdFileSystem files;
  ScriptedMessageBoxes boxes;
  BuiltinErrorTextServiceFactory errorTexts;
  UserMessages messages{boxes, errorTexts, files};
  LinkFileDeviceServiceFactory devices{files};
  ConversionDriver driver{ConversionServices{files, messages, devices}};
  ConversionRequest request;
  request.inputPath = input;
  request.fromType = QZ_TAB_TEXT;
  request.outputLocation = folder.Path();
  request.saveInternalName = "sheet";
  request.toType = QZ_GRIDLET_NULL;
  CommandMemoryAdvice advice;
  for (auto _ : state) {
    std::optional<std::string> written;
    const HRESULT result = driver.Convert(request, &written);
    if (result != S_OK || !boxes.boxes.empty()) state.SkipWithError("the conversion failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_TabTextToNull)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace gridlet::bench
