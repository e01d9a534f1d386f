#include "dispatch_object.h"

#include <oleauto.h>

#include <cstdio>
#include <new>
#include <type_traits>

#include "bstr_text.h"
#include "model/com_error.h"

namespace gridlet::win32 {

namespace {

// The arguments in the reversed order that Invoke takes them in, cleared
// when done.
class ArgumentList {
 public:
  explicit ArgumentList(const std::vector<AutomationValue>& arguments) : values_(arguments.size()) {
    for (std::size_t i = 0; i < arguments.size(); ++i) ToVariant(arguments[i], values_[arguments.size() - 1 - i].Get());
  }
  VARIANTARG* Data() { return values_.empty() ? nullptr : values_.front().Get(); }
  UINT Count() const { return static_cast<UINT>(values_.size()); }

 private:
  // Variant holds exactly one VARIANT, so the vector is a VARIANT array.
  static_assert(sizeof(Variant) == sizeof(VARIANT));
  std::vector<Variant> values_;
};

std::string Describe(DISPID member, const EXCEPINFO& exception) {
  char head[48];
  std::snprintf(head, sizeof head, "dispatch member 0x%X failed", static_cast<unsigned>(member));
  std::string text = head;
  if (exception.bstrDescription) text += ": " + BstrToAnsi(exception.bstrDescription);
  return text;
}

// VariantChangeType leaves its source alone when the target is another
// VARIANT; the MinGW declaration just lacks the const.
bool ChangeType(Variant& target, const VARIANT& source, VARTYPE type) {
  return SUCCEEDED(VariantChangeType(target.Get(), const_cast<VARIANT*>(&source), 0, type)) &&
         target.Value().vt == type;
}

}  // namespace

void ToVariant(const AutomationValue& value, VARIANT* out) {
  VariantInit(out);
  std::visit(
      [out](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, EmptyValue>) {
          out->vt = VT_EMPTY;
        } else if constexpr (std::is_same_v<T, MissingArgument>) {
          out->vt = VT_ERROR;
          out->scode = DISP_E_PARAMNOTFOUND;
        } else if constexpr (std::is_same_v<T, bool>) {
          out->vt = VT_BOOL;
          out->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
        } else if constexpr (std::is_same_v<T, std::int16_t>) {
          out->vt = VT_I2;
          out->iVal = v;
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          out->vt = VT_I4;
          out->lVal = v;
        } else if constexpr (std::is_same_v<T, double>) {
          out->vt = VT_R8;
          out->dblVal = v;
        } else {
          BSTR text = AnsiToBstr(v);
          if (!text) throw std::bad_alloc();
          out->vt = VT_BSTR;
          out->bstrVal = text;
        }
      },
      value);
}

AutomationValue FromVariant(const VARIANT& value) {
  switch (value.vt) {
    case VT_EMPTY: return EmptyValue{};
    case VT_BOOL: return value.boolVal != VARIANT_FALSE;
    case VT_I2: return static_cast<std::int16_t>(value.iVal);
    case VT_I4: return static_cast<std::int32_t>(value.lVal);
    case VT_R8: return value.dblVal;
    case VT_BSTR: return BstrToAnsi(value.bstrVal);
    default: break;
  }
  Variant text;
  if (ChangeType(text, value, VT_BSTR))
    return BstrToAnsi(text.Value().bstrVal);
  return std::string();
}

Variant DispatchObject::Invoke(DISPID member, WORD flags, const std::vector<AutomationValue>& arguments) {
  if (!object_) throw ComError(E_POINTER, "no automation object");
  ArgumentList list(arguments);
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS parameters = {};
  parameters.rgvarg = list.Data();
  parameters.cArgs = list.Count();
  if (flags == DISPATCH_PROPERTYPUT) {
    parameters.rgdispidNamedArgs = &putId;
    parameters.cNamedArgs = 1;
  }
  Variant result;
  EXCEPINFO exception = {};
  UINT badArgument = 0;
  ::HRESULT hr = object_->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                 flags == DISPATCH_PROPERTYPUT ? nullptr : result.Get(), &exception,
                                 &badArgument);
  if (FAILED(hr)) {
    if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    const std::string what = Describe(member, exception);
    if (hr == DISP_E_EXCEPTION && FAILED(exception.scode)) hr = exception.scode;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    throw ComError(hr, what);
  }
  return result;
}

Variant DispatchObject::Get(DISPID member, const std::vector<AutomationValue>& arguments) {
  return Invoke(member, DISPATCH_PROPERTYGET, arguments);
}

void DispatchObject::Put(DISPID member, const AutomationValue& value) {
  Invoke(member, DISPATCH_PROPERTYPUT, {value});
}

Variant DispatchObject::Call(DISPID member, const std::vector<AutomationValue>& arguments) {
  return Invoke(member, DISPATCH_METHOD, arguments);
}

ComPtr<IDispatch> DispatchObject::ObjectOf(Variant& result) {
  VARIANT& value = *result.Get();
  ComPtr<IDispatch> object;
  if (value.vt == VT_DISPATCH && value.pdispVal) {
    value.pdispVal->AddRef();
    object = ComPtr<IDispatch>(value.pdispVal);
  } else if (value.vt == VT_UNKNOWN && value.punkVal) {
    value.punkVal->QueryInterface(IID_IDispatch, object.PutVoid());
  }
  return object;
}

bool DispatchObject::BoolOf(const Variant& result) {
  Variant converted;
  if (!ChangeType(converted, result.Value(), VT_BOOL))
    throw ComError(DISP_E_TYPEMISMATCH, "expected a BOOL");
  return converted.Value().boolVal != VARIANT_FALSE;
}

std::int32_t DispatchObject::LongOf(const Variant& result) {
  Variant converted;
  if (!ChangeType(converted, result.Value(), VT_I4))
    throw ComError(DISP_E_TYPEMISMATCH, "expected a number");
  return converted.Value().lVal;
}

}  // namespace gridlet::win32
