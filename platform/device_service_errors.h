// The failures of the link-file device service, each raised as a ComError
// with its own HRESULT.
#pragma once

#include "model/hresult.h"

namespace gridlet {

// SetDeviceModel was given a code that is no calculator model.
inline constexpr HRESULT DEVICE_E_UNKNOWN_MODEL = MakeResult(0x8C060001u);
// A call needs a calculator model and none has been set or loaded.
inline constexpr HRESULT DEVICE_E_NO_MODEL = MakeResult(0x8C060002u);
// SaveFile before SetVariableData or LoadFile.
inline constexpr HRESULT DEVICE_E_NO_VARIABLE = MakeResult(0x8C060003u);
// GetFileName before a file was written.
inline constexpr HRESULT DEVICE_E_NOT_SAVED = MakeResult(0x8C060004u);
// SetVariableData with a negative length, or without bytes for a positive one.
inline constexpr HRESULT DEVICE_E_BAD_DATA = MakeResult(0x8C060005u);
// The type tag does not suit the model: XB Plus data takes a number, 68k-class
// data a non-empty string without zero bytes.
inline constexpr HRESULT DEVICE_E_BAD_TAG = MakeResult(0x8C060006u);
// The variable does not fit the length fields of the file layout.
inline constexpr HRESULT DEVICE_E_TOO_LARGE = MakeResult(0x8C060007u);
// LoadFile could not open or read the file.
inline constexpr HRESULT DEVICE_E_CANNOT_READ = MakeResult(0x8C060008u);
// The file is shorter than its header.
inline constexpr HRESULT DEVICE_E_TRUNCATED = MakeResult(0x8C060009u);
// The file does not begin with the signature of either layout.
inline constexpr HRESULT DEVICE_E_BAD_SIGNATURE = MakeResult(0x8C06000Au);
// A fixed field of the header (entry count, data offset, entry marker)
// holds another value.
inline constexpr HRESULT DEVICE_E_BAD_HEADER = MakeResult(0x8C06000Bu);
// A length field disagrees with the file's size.
inline constexpr HRESULT DEVICE_E_BAD_LENGTH = MakeResult(0x8C06000Cu);
// The checksum does not match the bytes it covers.
inline constexpr HRESULT DEVICE_E_BAD_CHECKSUM = MakeResult(0x8C06000Du);
// A copy between the XB Plus layout and a 68k-class layout.
inline constexpr HRESULT DEVICE_E_INCOMPATIBLE_COPY = MakeResult(0x8C06000Eu);
// SaveFile could not write the file.
inline constexpr HRESULT DEVICE_E_CANNOT_WRITE = MakeResult(0x8C06000Fu);

// The English text for one of the codes above; null for any other code.
const char* DeviceServiceErrorText(HRESULT code);

}  // namespace gridlet
