#include "bstr_text.h"

#include <vector>

#include "server/gridlet.h"

namespace gridlet::win32 {

std::u16string FromBstr(BSTR text) {
  if (!text) return {};
  const UINT length = SysStringLen(text);
  return std::u16string(text, text + length);
}

std::string BstrToAnsi(BSTR text) { return ToAnsi(FromBstr(text)); }

BSTR ToBstr(std::u16string_view text) {
  const std::vector<OLECHAR> wide(text.begin(), text.end());
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

BSTR AnsiToBstr(std::string_view text) { return ToBstr(FromAnsi(text)); }

}  // namespace gridlet::win32
