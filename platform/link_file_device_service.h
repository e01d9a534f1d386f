// The device file service of this platform: names, writes, loads and
// copies calculator variable files itself, through a FileSystem so that
// every file is written whole or not at all.
//
// State follows the calls: the model is the one set last (LoadFile sets it
// to the loaded file's model, SetDeviceModel overrides it); the variable to
// save is the one given last, by SetVariableData or by LoadFile; the
// requested name is the one set last, by SetDeviceName or by LoadFile (the
// loaded variable's own name). Flags and the reserved argument are not used.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/device_service_errors.h"
#include "platform/link_file_format.h"
#include "server/device_file_service.h"
#include "server/file_system.h"

namespace gridlet {

inline constexpr const char* kNewVariableComment = "Gridlet sheet";

class LinkFileDeviceService : public DeviceFileService {
 public:
  explicit LinkFileDeviceService(FileSystem& files) : files_(files) {}

  void SetDeviceModel(long code) override;
  long GetDeviceModel() override;
  void LoadFile(const std::string& path, long flag) override;
  // Writes the variable as a file of the model set last. A loaded variable
  // keeps its data, attribute and comment and takes the new name (and, on
  // the 68k-class models, the new folder and signature); it cannot move
  // between the XB Plus and the 68k-class layouts.
  void SaveFile(const std::string& path, long flag, long reserved) override;
  std::string GetDeviceName() override;
  void SetDeviceName(const std::string& name) override;
  std::string GetFileName() override;
  void SetVariableData(const std::uint8_t* bytes, long length, const VariableTag& tag) override;

 private:
  struct NewVariable {
    std::vector<std::uint8_t> bytes;
    VariableTag tag;
  };

  long Model() const;
  LinkVariable FromNewVariable(const NewVariable& data, long model) const;
  LinkVariable FromLoadedVariable(const LinkVariable& loaded, long model) const;
  void NameVariable(LinkVariable& variable) const;

  FileSystem& files_;
  std::optional<long> model_;
  std::string requested_name_;
  std::variant<std::monostate, NewVariable, LinkVariable> variable_;
  std::optional<std::string> written_path_;
};

class LinkFileDeviceServiceFactory : public DeviceFileServiceFactory {
 public:
  explicit LinkFileDeviceServiceFactory(FileSystem& files) : files_(files) {}
  std::unique_ptr<DeviceFileService> Create() override;

 private:
  FileSystem& files_;
};

}  // namespace gridlet
