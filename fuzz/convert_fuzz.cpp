// The whole conversion over any file: the first byte picks the source type,
// the second the target type, the rest is the file. Every call must end
// with a result, never an exception; a calculator file written must load
// in the device file service and convert to tab text again.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/link_file_format.h"
#include "server/conversion_driver.h"
#include "tests/support/in_memory_conversion.h"

namespace {

using namespace gridlet;

constexpr GRIDLET_FILE_TYPES kTypes[] = {QZ_TAB_TEXT, QZ_GRIDLET_XBP, QZ_GRIDLET_XC,
                                         QZ_GRIDLET_XD, QZ_GRIDLET_XF};

const char* Extension(GRIDLET_FILE_TYPES type) {
  switch (type) {
    case QZ_GRIDLET_XBP: return ".xbv";
    case QZ_GRIDLET_XC: return ".xcy";
    case QZ_GRIDLET_XD: return ".xdy";
    case QZ_GRIDLET_XF: return ".xfy";
    default: return ".txt";
  }
}

bool IsCalculator(GRIDLET_FILE_TYPES type) { return type != QZ_TAB_TEXT; }

struct World : testing::InMemoryConversion {

  HRESULT Convert(const std::string& input, GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to,
                  std::optional<std::string>& written) {
    ConversionRequest request;
    request.inputPath = input;
    request.fromType = from;
    request.outputLocation = "/out/";
    request.saveInternalName = "SHEET";
    request.toType = to;
    try {
      return driver.Convert(request, &written);
    } catch (const std::exception& error) {
      fuzz::Fail(std::string("Convert let an exception through: ") + error.what());
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Quiet();
  fuzz::Input input(data, size);
  const GRIDLET_FILE_TYPES from = kTypes[input.Byte() % 5];
  const GRIDLET_FILE_TYPES to = kTypes[input.Byte() % 5];

  World world;
  const std::string source = std::string("/in/source") + Extension(from);
  world.files.Put(source, std::string(reinterpret_cast<const char*>(input.Data()), input.Size()));
  std::optional<std::string> written;
  const HRESULT result = world.Convert(source, from, to, written);
  fuzz::Check(result == S_OK || result == E_FAIL || result == CONVERT_SOURCE_TOO_SHORT,
              "a conversion without prompts succeeds or fails");
  if (result != S_OK) {
    fuzz::Check(!written, "a failed conversion names no file");
    fuzz::Check(!world.boxes.boxes.empty(), "a failure is shown to the user");
    return 0;
  }
  fuzz::Check(written.has_value(), "a conversion names its file");
  const auto file = world.files.files.find(*written);
  fuzz::Check(file != world.files.files.end(), "the named file exists");
  if (!IsCalculator(to)) return 0;

  const std::string& bytes = file->second;
  fuzz::Guarded([&] {
    (void)ReadLinkFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }) || (fuzz::Fail("a written calculator file loads in the device service"), false);

  std::optional<std::string> back;
  World again;
  again.files.Put(*written, bytes);
  const HRESULT reread = again.Convert(*written, to, QZ_TAB_TEXT, back);
  // A sheet without cells makes a file too short to hold any.
  fuzz::Check(reread == S_OK || reread == CONVERT_SOURCE_TOO_SHORT,
              "a written calculator file converts to tab text again");
  return 0;
}
