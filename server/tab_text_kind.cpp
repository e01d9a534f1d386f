#include "server/tab_text_kind.h"

#include "encoding/cp1252.h"
#include "encoding/line_feed_rows.h"
#include "model/text_sheet.h"

namespace gridlet {

HRESULT TabTextKind::ReadSource(ConversionContext& context) {
  const ConversionRequest& request = context.request;
  UserMessages& messages = context.services.messages;
  std::optional<SourceBytes> bytes = context.ReadLargeSourceFile(OpenFailureCode());
  if (!bytes) return E_FAIL;
  DecodedText decoded = DecodeTextFile(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), request.textEncoding);
  if (decoded.fault != ConversionFault::None) {
    messages.ReportError(GRIDLET_E_BAD_SOURCE,
                         request.inputPath + ": line " + std::to_string(decoded.position.line) +
                             ", column " + std::to_string(decoded.position.column) +
                             ": the file is not valid " + decoded.encoding);
    return E_FAIL;
  }
  if (!decoded.replaced.empty()) {
    messages.Warn(request.inputPath + ": " + std::to_string(decoded.replaced.size()) +
                  (decoded.replaced.size() == 1 ? " character has" : " characters have") +
                  " no Windows-1252 form, which sheets hold, and became \"?\": " +
                  DescribeReplacements(decoded.replaced) + ".");
  }
  if (decoded.asIs ? bytes->empty() : decoded.text.empty()) {
    messages.ReportError(GRIDLET_E_SOURCE_TOO_SHORT, request.inputPath);
    return CONVERT_SOURCE_TOO_SHORT;
  }
  const std::string_view decodedText =
      decoded.asIs ? std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size())
                   : std::string_view(decoded.text);
  SourceBytes text;
  if (auto withRowEnds = WithCarriageReturnRowEnds(decodedText)) {
    text = std::move(*withRowEnds);  // rows ended by line feeds alone
  } else if (decoded.asIs) {
    text = std::move(*bytes);  // the sheet takes the file's bytes over rather than copying them
  } else {
    text = ByteBuffer(decoded.text.begin(), decoded.text.end());
  }
  bytes.reset();
  auto sheet = std::make_unique<TextSheet>(std::move(text));
  sheet->SetName(request.saveInternalName);
  sheet->TranslateToIntermediate();
  context.SetSource(std::move(sheet));
  return S_OK;
}

HRESULT TabTextKind::WriteTarget(ConversionContext& context) {
  TextSheet& sheet = context.MakeTarget<TextSheet>();
  const std::string path = context.NamedOutputPath(".txt");
  if (HRESULT answer = context.AskOverwrite(path); answer != S_OK) return answer;

  // The text goes to the file as it is written; the file takes its place
  // only when the whole of it was written.
  std::string why;
  std::unique_ptr<OutputFile> file = context.services.files.OpenOutput(path, &why);
  if (!file) {
    context.services.messages.ReportError(GRIDLET_E_CONVERSION, path + ": " + why);
    return E_FAIL;
  }
  const bool utf8 = context.request.textEncoding == TextEncoding::Utf8;
  sheet.StreamOutputTo([&file, utf8](const std::uint8_t* bytes, std::size_t size) {
    if (!utf8) {
      file->Write(bytes, size);
      return;
    }
    const std::string text = Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes), size));
    file->Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  });
  sheet.TranslateFromIntermediate();
  // What writing warned of still stops a strict request.
  if (HRESULT refused = context.RefuseWhenWarned(path + " was not written"); refused != S_OK) return refused;
  if (!file->Commit(&why)) {
    context.services.messages.ReportError(GRIDLET_E_CONVERSION, path + ": " + why);
    return E_FAIL;
  }
  context.SetFileName(path);
  return S_OK;
}

}  // namespace gridlet
