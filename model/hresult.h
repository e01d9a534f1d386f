// Result codes shared by every layer: the HRESULT-shaped 32-bit values that
// the interface returns, the error codes shown to the user and the result
// codes of the calculator data functions.
#pragma once

#include <cstdint>

namespace gridlet {

using HRESULT = std::int32_t;

constexpr HRESULT MakeResult(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

// The Windows headers define the standard codes as macros; only define
// them where those headers are absent.
#ifndef S_OK
inline constexpr HRESULT S_OK = 0;
#endif
#ifndef S_FALSE
inline constexpr HRESULT S_FALSE = 1;
#endif
#ifndef E_FAIL
inline constexpr HRESULT E_FAIL = MakeResult(0x80004005u);
#endif
#ifndef E_NOTIMPL
inline constexpr HRESULT E_NOTIMPL = MakeResult(0x80004001u);
#endif
#ifndef E_POINTER
inline constexpr HRESULT E_POINTER = MakeResult(0x80004003u);
#endif
#ifndef E_INVALIDARG
inline constexpr HRESULT E_INVALIDARG = MakeResult(0x80070057u);
#endif
#ifndef E_OUTOFMEMORY
inline constexpr HRESULT E_OUTOFMEMORY = MakeResult(0x8007000Eu);
#endif

// Results of Convert besides S_OK and E_FAIL.
inline constexpr HRESULT CONVERT_CANCELLED = 2;             // the user chose Cancel
inline constexpr HRESULT CONVERT_SKIPPED = 3;               // the user chose No
inline constexpr HRESULT CONVERT_SOURCE_TOO_SHORT = MakeResult(0xF0000001u);

// Error codes reported to the user.
inline constexpr HRESULT GRIDLET_E_CONVERSION = MakeResult(0x8C050001u);
inline constexpr HRESULT GRIDLET_E_NO_SPREADSHEET_APP = MakeResult(0x8C05001Bu);
inline constexpr HRESULT GRIDLET_E_SOURCE_TOO_SHORT = MakeResult(0x8C05001Cu);
inline constexpr HRESULT GRIDLET_E_TEXT_SOURCE_OPEN = MakeResult(0x8C05001Du);
inline constexpr HRESULT GRIDLET_E_SPREADSHEET_APP = MakeResult(0x8C05001Fu);
inline constexpr HRESULT GRIDLET_E_SHEET_TOO_LARGE = MakeResult(0x8C050021u);
// A source whose content cannot be read as a sheet of its type (a damaged
// record, a sheet larger than the intermediate form can hold).
inline constexpr HRESULT GRIDLET_E_BAD_SOURCE = MakeResult(0x8C050022u);
// A request that cannot be carried out as given (no source type, a missing
// argument).
inline constexpr HRESULT GRIDLET_E_BAD_REQUEST = MakeResult(0x8C050023u);
// A source file that cannot be opened (missing, a folder, not permitted, no
// regular file).
inline constexpr HRESULT GRIDLET_E_SOURCE_OPEN = MakeResult(0x8C050024u);

// Result codes of the calculator data functions.
inline constexpr HRESULT E_CALC_NUMBER_RANGE = MakeResult(0x8C020012u);
inline constexpr HRESULT E_CALC_ASM_PROGRAM = MakeResult(0x8C020014u);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

}  // namespace gridlet
