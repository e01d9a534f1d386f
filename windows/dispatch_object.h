// An automation object called through IDispatch::Invoke with fixed
// dispatch identifiers and positional arguments, and the conversions
// between the bridge's values and VARIANTs.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "bridge/automation_value.h"
#include "com_ptr.h"

namespace gridlet::win32 {

// Owns a VARIANT for a scope.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  ~Variant() { VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }

  VARIANT* Get() { return &value_; }
  const VARIANT& Value() const { return value_; }

 private:
  VARIANT value_;
};

// The VARIANT of a value: VT_EMPTY, VT_ERROR with DISP_E_PARAMNOTFOUND for a
// missing argument, VT_BOOL, VT_I2, VT_I4, VT_R8 or VT_BSTR (from the ANSI
// code page). Raises std::bad_alloc when a string cannot be allocated.
void ToVariant(const AutomationValue& value, VARIANT* out);

// A VARIANT as a value: VT_EMPTY, VT_BOOL, VT_I2, VT_I4, VT_R8 and VT_BSTR
// as themselves; any other kind as its text where it has one, else an empty
// string (never as empty, so that only a truly empty cell reads as empty).
AutomationValue FromVariant(const VARIANT& value);

class DispatchObject {
 public:
  DispatchObject() = default;
  explicit DispatchObject(ComPtr<IDispatch> object) : object_(std::move(object)) {}

  // Each raises ComError with the failure's HRESULT (the exception's own
  // code when the object raised one). Arguments are given first to last.
  Variant Get(DISPID member, const std::vector<AutomationValue>& arguments = {});
  void Put(DISPID member, const AutomationValue& value);
  Variant Call(DISPID member, const std::vector<AutomationValue>& arguments = {});

  // The object a result holds; empty when it holds none.
  static ComPtr<IDispatch> ObjectOf(Variant& result);
  static bool BoolOf(const Variant& result);
  static std::int32_t LongOf(const Variant& result);

 private:
  Variant Invoke(DISPID member, WORD flags, const std::vector<AutomationValue>& arguments);

  ComPtr<IDispatch> object_;
};

}  // namespace gridlet::win32
