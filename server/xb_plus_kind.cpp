#include "server/xb_plus_kind.h"

#include "calc/xb_sheet.h"
#include "model/sheet_data_error.h"

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
  std::optional<ByteBuffer> bytes = context.ReadSourceFile(OpenFailureCode());
  if (!bytes) return E_FAIL;
  if (bytes->size() <= kShortestFile) {
    context.services.messages.ReportError(GRIDLET_E_SOURCE_TOO_SHORT, request.inputPath);
    return CONVERT_SOURCE_TOO_SHORT;
  }
  RefuseFileLongerThan(bytes->size(), kLongestFile, "an XB Plus sheet file");
  if (std::optional<std::string> problem = CheckFile(*bytes)) throw SheetDataError(*problem);
  auto sheet = std::make_unique<XbSheet>(bytes->data() + kVariableDataAt,
                                         bytes->size() - kVariableDataAt - kChecksumSize);
  bytes.reset();
  sheet->SetMessages(&context.services.messages);
  sheet->TranslateToIntermediate();
  context.SetSource(std::move(sheet));
  return S_OK;
}

std::optional<std::string> XbPlusKind::CheckFile(const ByteBuffer& file) const {
  // The application variable must hold a sheet: its data opens with the
  // sheet's signature after the size field.
  constexpr std::size_t kSignatureAt = kVariableDataAt + 2;
  if (file.size() < kSignatureAt + 4) return std::nullopt;
  std::uint32_t found = 0;
  for (int i = 3; i >= 0; --i) found = found << 8 | file[kSignatureAt + i];
  if (found == XB_SHEET_SIGNATURE) return std::nullopt;
  return "the file holds an application variable that is not a Gridlet sheet";
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
