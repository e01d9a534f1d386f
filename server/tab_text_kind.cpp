#include "server/tab_text_kind.h"

#include "model/text_sheet.h"

namespace gridlet {

HRESULT TabTextKind::ReadSource(ConversionContext& context) {
  const ConversionRequest& request = context.request;
  UserMessages& messages = context.services.messages;
  std::optional<ByteBuffer> bytes = context.services.files.ReadFile(request.inputPath);
  if (!bytes) {
    messages.ReportError(GRIDLET_E_TEXT_SOURCE_OPEN, request.inputPath);
    return E_FAIL;
  }
  if (bytes->empty()) {
    messages.ReportError(GRIDLET_E_SOURCE_TOO_SHORT, request.inputPath);
    return CONVERT_SOURCE_TOO_SHORT;
  }
  // The sheet takes the file's bytes over rather than copying them.
  auto sheet = std::make_unique<TextSheet>(std::move(*bytes));
  bytes.reset();
  sheet->SetName(request.saveInternalName);
  sheet->TranslateToIntermediate();
  context.SetSource(std::move(sheet));
  return S_OK;
}

HRESULT TabTextKind::WriteTarget(ConversionContext& context) {
  const ConversionRequest& request = context.request;
  TextSheet& sheet = context.MakeTarget<TextSheet>();
  sheet.TranslateFromIntermediate();
  const ByteBuffer output = sheet.GetOutput();
  const std::size_t length = static_cast<std::size_t>(sheet.GetOutputLength());

  // The on-device name is used as it stands, backslashes included.
  const std::string path = request.outputLocation + request.saveInternalName + ".txt";
  if (HRESULT answer = context.AskOverwrite(path); answer != S_OK) return answer;

  std::string why;
  if (!context.services.files.WriteFile(path, output.data(), length, &why)) {
    context.services.messages.ReportError(GRIDLET_E_CONVERSION, path + ": " + why);
    return E_FAIL;
  }
  context.SetFileName(path);
  return S_OK;
}

}  // namespace gridlet
