// The device file service: the component that knows the calculators' link
// files and naming rules. The engine names, loads and writes calculator
// files only through this interface; every failure is raised as a ComError
// carrying its HRESULT.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace gridlet {

// The type tag handed with variable data: a 32-bit number (XB Plus sheets)
// or a string (68k-class sheets).
struct VariableTag {
  enum class Kind { UnsignedInt, String };
  Kind kind = Kind::UnsignedInt;
  std::uint32_t number = 0;
  std::string text;

  static VariableTag Number(std::uint32_t value) { return {Kind::UnsignedInt, value, {}}; }
  static VariableTag String(std::string value) { return {Kind::String, 0, std::move(value)}; }
};

// Model codes given to SetDeviceModel.
inline constexpr long DEVICE_MODEL_XB_PLUS = 5;
inline constexpr long DEVICE_MODEL_XC = 7;
inline constexpr long DEVICE_MODEL_XD_PLUS = 9;
inline constexpr long DEVICE_MODEL_XF = 10;

// Paths and names are 8-bit strings in the Windows ANSI code page.
// LoadFile checks what it loads (signature, every length field, checksum)
// and fails on a damaged file.
class DeviceFileService {
 public:
  virtual ~DeviceFileService() = default;
  virtual void SetDeviceModel(long code) = 0;
  // The model set last: by SetDeviceModel, or by LoadFile, which takes the
  // model of the file it loaded (the one its signature names).
  virtual long GetDeviceModel() = 0;
  virtual void LoadFile(const std::string& path, long flag) = 0;
  virtual void SaveFile(const std::string& path, long flag, long reserved) = 0;
  virtual std::string GetDeviceName() = 0;
  virtual void SetDeviceName(const std::string& name) = 0;
  virtual std::string GetFileName() = 0;
  virtual void SetVariableData(const std::uint8_t* bytes, long length, const VariableTag& tag) = 0;
};

// Creates one service instance per conversion; raises a ComError when the
// component is not available.
class DeviceFileServiceFactory {
 public:
  virtual ~DeviceFileServiceFactory() = default;
  virtual std::unique_ptr<DeviceFileService> Create() = 0;
};

}  // namespace gridlet
