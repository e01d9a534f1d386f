#include "server/sheet68k_kind.h"

#include <algorithm>

#include "calc/sheet68k.h"
#include "model/sheet_data_error.h"

namespace gridlet {

namespace {
constexpr std::size_t kChecksumSize = 2;
// The data handed to the device: after the output length, and without the
// terminator's last 0x00, which the device's own type tag supplies.
constexpr std::size_t kLengthField = 2;
constexpr std::int32_t kNotHandedOver = 7;
// How a sheet's content opens and ends: its label, and the type tag that
// the device writes after the data (0x00, "GRDL", 0x00, 0xF8).
constexpr std::string_view kSheet68kLabel("Gridlt\0", 7);
constexpr std::string_view kSheet68kTypeTagBytes("\0GRDL\0\xF8", 7);
// No file of the layout is longer: the content length is a 16-bit field.
constexpr std::size_t kLongest68kFile = k68kDataOffset + 0xFFFF + kChecksumSize;
}  // namespace

HRESULT Sheet68kKind::ReadSource(ConversionContext& context) {
  const ConversionRequest& request = context.request;
  std::optional<ByteBuffer> bytes = context.ReadSourceFile(OpenFailureCode());
  if (!bytes) return E_FAIL;
  if (bytes->size() < kMin68kFileSize) {
    context.services.messages.ReportError(GRIDLET_E_SOURCE_TOO_SHORT, request.inputPath);
    return CONVERT_SOURCE_TOO_SHORT;
  }
  RefuseFileLongerThan(bytes->size(), kLongest68kFile, "a 68k-class sheet file");
  if (std::optional<std::string> problem = CheckFile(*bytes)) throw SheetDataError(*problem);
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

std::optional<std::string> Sheet68kKind::CheckFile(const ByteBuffer& file) const {
  // The variable must be a sheet: its content opens with the sheet's label
  // and ends with the sheet's type tag.
  if (file.size() < k68kDataOffset + kChecksumSize) return std::nullopt;
  const std::string_view content(reinterpret_cast<const char*>(file.data()) + k68kDataOffset,
                                 file.size() - k68kDataOffset - kChecksumSize);
  if (content.starts_with(kSheet68kLabel) && content.ends_with(kSheet68kTypeTagBytes)) return std::nullopt;
  return "the file holds a variable that is not a Gridlet sheet";
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
