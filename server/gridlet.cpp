#include "server/gridlet.h"

#include "encoding/cp1252.h"

namespace gridlet {

std::string ToAnsi(std::u16string_view text) { return Utf16ToCp1252(text, '?'); }
std::u16string FromAnsi(std::string_view text) { return Cp1252ToUtf16(text); }

HRESULT Gridlet::SetTheFileName(const std::u16string* name) {
  fileName_ = name ? std::optional<std::u16string>(*name) : std::nullopt;
  return S_OK;
}

HRESULT Gridlet::GetTheFileName(std::u16string& name) const {
  name = fileName_.value_or(std::u16string());
  return S_OK;
}

HRESULT Gridlet::Convert(std::u16string_view inputFileNameWithPath, GRIDLET_FILE_TYPES fromType,
                         std::u16string_view sheetName, std::u16string_view outputFileNameWithPath,
                         std::u16string_view saveInternalName, GRIDLET_FILE_TYPES toType,
                         long overwrite) {
  ConversionRequest request;
  request.inputPath = ToAnsi(inputFileNameWithPath);
  request.fromType = fromType;
  request.sheetName = ToAnsi(sheetName);
  request.outputLocation = ToAnsi(outputFileNameWithPath);
  request.saveInternalName = ToAnsi(saveInternalName);
  request.toType = toType;
  request.overwrite = overwrite;
  std::optional<std::string> written;
  const HRESULT result = driver_.Convert(request, &written);
  if (written) fileName_ = FromAnsi(*written);
  return result;
}

}  // namespace gridlet
