// BSTRs to and from the engine's strings: UTF-16 as it stands, or the
// Windows ANSI code page through the engine's own conversion.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace gridlet::win32 {

// A null BSTR reads as an empty string.
std::u16string FromBstr(BSTR text);
std::string BstrToAnsi(BSTR text);

// A new BSTR owned by the caller; null when it cannot be allocated.
BSTR ToBstr(std::u16string_view text);
BSTR AnsiToBstr(std::string_view text);

// Owns a BSTR for a scope.
class BstrHolder {
 public:
  BstrHolder() = default;
  explicit BstrHolder(BSTR owned) : text_(owned) {}
  ~BstrHolder() { SysFreeString(text_); }
  BstrHolder(const BstrHolder&) = delete;
  BstrHolder& operator=(const BstrHolder&) = delete;
  BSTR Get() const { return text_; }
  BSTR* Put() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  BSTR Detach() {
    BSTR text = text_;
    text_ = nullptr;
    return text;
  }

 private:
  BSTR text_ = nullptr;
};

}  // namespace gridlet::win32
