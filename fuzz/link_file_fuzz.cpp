// Calculator link files from any bytes, through the device file service:
// loaded, copied to a model of the choice byte under a name from the input,
// saved, and loaded again. A second mode builds a variable from the input
// so that the writer's files, checksums included, are read back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/link_file_device_service.h"
#include "platform/link_file_format.h"
#include "tests/support/in_memory_file_system.h"

namespace {

using namespace gridlet;

constexpr long kModels[] = {DEVICE_MODEL_XB_PLUS, DEVICE_MODEL_XC, DEVICE_MODEL_XD_PLUS,
                            DEVICE_MODEL_XF};

std::string Text(fuzz::Input& input, std::size_t most) {
  const std::size_t n = std::min<std::size_t>(input.Byte() % (most + 1), input.Size());
  std::string out(reinterpret_cast<const char*>(input.Data()), n);
  for (std::size_t i = 0; i < n; ++i) input.Byte();
  return out;
}

void CheckReadsBack(const std::string& file, const LinkVariable& written) {
  const LinkVariable read =
      ReadLinkFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
  fuzz::Check(read.model == written.model, "the model reads back");
  fuzz::Check(read.data == written.data, "the data reads back");
  fuzz::Check(read.type_id == written.type_id && read.attribute == written.attribute,
              "the type and attribute read back");
}

void LoadAndSave(fuzz::Input& input) {
  const long model = kModels[input.Byte() % 4];
  const std::string name = Text(input, 20);
  testing::InMemoryFileSystem files;
  files.Put("/in/file", std::string(reinterpret_cast<const char*>(input.Data()), input.Size()));

  LinkFileDeviceService service(files);
  LinkVariable loaded;
  if (!fuzz::Guarded([&] {
        service.LoadFile("/in/file", 0);
        loaded = ReadLinkFile(input.Data(), input.Size());
      })) {
    return;
  }
  const bool compatible = IsXbPlusModel(model) == IsXbPlusModel(loaded.model);
  try {
    service.SetDeviceModel(model);
    service.SetDeviceName(name);
    (void)service.GetDeviceName();
    service.SaveFile("/out/file", 0, 0);
  } catch (const ComError&) {
    fuzz::Check(!compatible, "a loaded file can be saved for a model of its layout");
    return;
  }
  fuzz::Check(compatible, "a file cannot move between the layouts");
  fuzz::Check(service.GetFileName() == "/out/file", "the written file is named");
  LinkVariable expected = loaded;
  expected.model = model;
  CheckReadsBack(files.files.at("/out/file"), expected);
}

void WriteAndRead(fuzz::Input& input) {
  LinkVariable variable;
  variable.model = kModels[input.Byte() % 4];
  variable.type_id = input.Byte();
  variable.version = input.Byte();
  variable.attribute = input.Byte();
  variable.name = Text(input, 12);
  variable.folder = Text(input, 12);
  variable.comment = Text(input, 50);
  // Within what both layouts' length fields describe.
  variable.data.assign(input.Data(), input.Data() + std::min<std::size_t>(input.Size(), 60000));
  if (IsXbPlusModel(variable.model)) {
    // The XB Plus data opens with its own size field.
    const std::size_t n = variable.data.size();
    variable.data.insert(variable.data.begin(), {static_cast<std::uint8_t>(n & 0xFF),
                                                 static_cast<std::uint8_t>(n >> 8 & 0xFF)});
  }
  const std::vector<std::uint8_t> file = WriteLinkFile(variable);
  CheckReadsBack(std::string(file.begin(), file.end()), variable);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Quiet();
  fuzz::Input input(data, size);
  const std::uint8_t mode = input.Byte();
  if (mode & 1) {
    WriteAndRead(input);
  } else {
    LoadAndSave(input);
  }
  return 0;
}
