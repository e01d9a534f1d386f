#include "server/xb_plus_kind.h"

#include "calc/xb_sheet.h"

namespace gridlet {

namespace {

// Where the variable data begins in an ".xbv" file, and the checksum that
// closes the file.
constexpr std::size_t kVariableDataAt = 72;
constexpr std::size_t kChecksumSize = 2;
// A file of this size or less holds no sheet worth reading.
constexpr std::size_t kShortestFile = 271;
// No file of the layout is longer: its 16-bit section length counts the
// data and 17 bytes more.
constexpr std::size_t kLongestFile = kVariableDataAt + (0xFFFF - 17) + kChecksumSize;
// The device file service takes the data after the sheet's size field and
// signature.
constexpr std::size_t kSizeFieldAndSignature = 6;

}  // namespace

SheetKind& XbPlusSheetKind() {
  static XbPlusKind kind;
  return kind;
}

HRESULT XbPlusKind::ReadSource(ConversionContext& context) {
  const ConversionRequest& request = context.request;
  std::optional<ByteBuffer> bytes = context.services.files.ReadFile(request.inputPath);
  if (!bytes) return E_FAIL;
  if (bytes->size() <= kShortestFile) {
    context.services.messages.ReportError(GRIDLET_E_SOURCE_TOO_SHORT, request.inputPath);
    return CONVERT_SOURCE_TOO_SHORT;
  }
  RefuseFileLongerThan(bytes->size(), kLongestFile, "an XB Plus sheet file");
  auto sheet = std::make_unique<XbSheet>(bytes->data() + kVariableDataAt,
                                         bytes->size() - kVariableDataAt - kChecksumSize);
  bytes.reset();
  sheet->SetMessages(&context.services.messages);
  sheet->TranslateToIntermediate();
  context.SetSource(std::move(sheet));
  return S_OK;
}

HRESULT XbPlusKind::WriteTarget(ConversionContext& context) {
  XbSheet& sheet = context.MakeTarget<XbSheet>();
  sheet.SetMessages(&context.services.messages);
  sheet.TranslateFromIntermediate();

  const ConversionContext::CalculatorOutput output =
      context.NameCalculatorOutput(DEVICE_MODEL_XB_PLUS, OutputExtension(QZ_GRIDLET_XBP));
  sheet.SetName(output.deviceName);
  const ByteBuffer data = sheet.GetOutput();
  const long length = sheet.GetOutputLength();

  if (HRESULT answer = context.AskOverwrite(output.path); answer != S_OK) return answer;

  // The data after the size field and the signature: the name through the
  // terminator and the trailing 0x00.
  DeviceFileService& device = context.Device();
  device.SetVariableData(data.data() + kSizeFieldAndSignature, length - 3,
                         VariableTag::Number(XB_SHEET_SIGNATURE));
  device.SaveFile(output.path, 0, 0);
  context.SetFileName(output.path);
  return S_OK;
}

}  // namespace gridlet
