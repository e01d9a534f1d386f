#include "server/sheet68k_kind.h"

#include <algorithm>

#include "calc/sheet68k.h"

namespace gridlet {

namespace {
constexpr std::size_t kChecksumSize = 2;
// The data handed to the device: after the output length, and without the
// terminator's last 0x00, which the device's own type tag supplies.
constexpr std::size_t kLengthField = 2;
constexpr std::int32_t kNotHandedOver = 7;
// No file of the layout is longer: the content length is a 16-bit field.
constexpr std::size_t kLongest68kFile = k68kDataOffset + 0xFFFF + kChecksumSize;
}  // namespace

HRESULT Sheet68kKind::ReadSource(ConversionContext& context) {
  const ConversionRequest& request = context.request;
  std::optional<ByteBuffer> bytes = context.services.files.ReadFile(request.inputPath);
  if (!bytes) return E_FAIL;
  if (bytes->size() < kMin68kFileSize) {
    context.services.messages.ReportError(GRIDLET_E_SOURCE_TOO_SHORT, request.inputPath);
    return CONVERT_SOURCE_TOO_SHORT;
  }
  RefuseFileLongerThan(bytes->size(), kLongest68kFile, "a 68k-class sheet file");
  const auto field = bytes->begin() + k68kNameOffset;
  const std::string name(field, std::find(field, field + k68kNameSize, 0));
  auto sheet = std::make_unique<Sheet68k>(bytes->data() + k68kDataOffset,
                                          bytes->size() - k68kDataOffset - kChecksumSize);
  bytes.reset();
  sheet->SetName(name);
  sheet->SetMessages(&context.services.messages);
  sheet->TranslateToIntermediate();
  context.SetSource(std::move(sheet));
  return S_OK;
}

HRESULT Sheet68kKind::WriteTarget(ConversionContext& context) {
  Sheet68k& sheet = context.MakeTarget<Sheet68k>();
  sheet.SetMessages(&context.services.messages);
  sheet.TranslateFromIntermediate();
  const ByteBuffer output = sheet.GetOutput();
  const std::int32_t length = sheet.GetOutputLength();

  const GRIDLET_FILE_TYPES written = context.WrittenType(type_);
  const ConversionContext::CalculatorOutput target =
      context.NameCalculatorOutput(DeviceModelCode(written), OutputExtension(written));
  if (HRESULT answer = context.AskOverwrite(target.path); answer != S_OK) return answer;

  const std::size_t handed = std::min<std::size_t>(
      static_cast<std::size_t>(std::max(length - kNotHandedOver, 0)),
      output.size() > kLengthField ? output.size() - kLengthField : 0);
  DeviceFileService& device = context.Device();
  device.SetVariableData(handed ? output.data() + kLengthField : nullptr, static_cast<long>(handed),
                         VariableTag::String(kSheet68kTypeTag));
  device.SaveFile(target.path, 0, 0);
  context.SetFileName(target.path);
  return S_OK;
}

}  // namespace gridlet
