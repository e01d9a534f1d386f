// The values that travel to and from the members of a spreadsheet
// application: the few kinds of automation VARIANT the bridge uses.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace gridlet {

// An omitted optional argument (VT_ERROR holding DISP_E_PARAMNOTFOUND).
struct MissingArgument {
  bool operator==(const MissingArgument&) const = default;
};

// A value that holds nothing, such as an empty cell (VT_EMPTY).
struct EmptyValue {
  bool operator==(const EmptyValue&) const = default;
};

// VT_EMPTY, missing, VT_BOOL, VT_I2, VT_I4, VT_R8 and VT_BSTR, in that
// order. Strings are 8-bit, in the Windows ANSI code page.
using AutomationValue =
    std::variant<EmptyValue, MissingArgument, bool, std::int16_t, std::int32_t, double, std::string>;

inline constexpr MissingArgument MISSING_ARGUMENT{};

inline bool IsMissing(const AutomationValue& value) {
  return std::holds_alternative<MissingArgument>(value);
}

inline bool IsEmptyValue(const AutomationValue& value) {
  return std::holds_alternative<EmptyValue>(value);
}

// The small numbers 0, 1 and 3 go as VT_I2.
inline AutomationValue ShortArgument(std::int16_t value) { return AutomationValue(value); }

// File formats go as VT_I4.
inline AutomationValue LongArgument(std::int32_t value) { return AutomationValue(value); }

inline AutomationValue StringArgument(std::string value) { return AutomationValue(std::move(value)); }

// The integer an argument of kind VT_BOOL, VT_I2 or VT_I4 carries; the
// fallback for any other kind.
inline std::int32_t IntegerOf(const AutomationValue& value, std::int32_t fallback) {
  if (const auto* b = std::get_if<bool>(&value)) return *b ? 1 : 0;
  if (const auto* s = std::get_if<std::int16_t>(&value)) return *s;
  if (const auto* l = std::get_if<std::int32_t>(&value)) return *l;
  return fallback;
}

}  // namespace gridlet
