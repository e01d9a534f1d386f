// A device file service that records every call and answers as scripted.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/com_error.h"
#include "server/device_file_service.h"

namespace gridlet::testing {

struct DeviceScript {
  std::vector<std::string> calls;   // "LoadFile(path,0)", ...
  std::string deviceName;           // what GetDeviceName returns; empty: the name set
  std::string failOn;               // a call name that raises a ComError
  HRESULT failure = MakeResult(0x8C060099u);
  bool unavailable = false;         // Create fails
  int created = 0;
  std::vector<std::uint8_t> data;   // the bytes of SetVariableData
  std::function<void(const std::string&)> onSave;  // called with the path of SaveFile
  long loadedModel = 0;  // the model LoadFile finds; 0: the one the file's extension names
};

class RecordingDeviceService : public DeviceFileService {
 public:
  explicit RecordingDeviceService(DeviceScript& script) : s_(script) {}
  void SetDeviceModel(long code) override {
    Call("SetDeviceModel(" + std::to_string(code) + ")");
    model_ = code;
  }
  long GetDeviceModel() override {
    Call("GetDeviceModel");
    return model_;
  }
  void LoadFile(const std::string& path, long flag) override {
    Call("LoadFile(" + path + "," + std::to_string(flag) + ")");
    model_ = s_.loadedModel ? s_.loadedModel : ModelOfExtension(path);
  }
  void SaveFile(const std::string& path, long flag, long reserved) override {
    Call("SaveFile(" + path + "," + std::to_string(flag) + "," + std::to_string(reserved) + ")");
    saved_ = path;
    if (s_.onSave) s_.onSave(path);
  }
  std::string GetDeviceName() override {
    Call("GetDeviceName");
    return s_.deviceName.empty() ? name_ : s_.deviceName;
  }
  void SetDeviceName(const std::string& name) override {
    Call("SetDeviceName(" + name + ")");
    name_ = name;
  }
  std::string GetFileName() override {
    Call("GetFileName");
    return saved_;
  }
  void SetVariableData(const std::uint8_t* bytes, long length, const VariableTag& tag) override {
    Call("SetVariableData(" + std::to_string(length) + "," +
         (tag.kind == VariableTag::Kind::String ? tag.text : std::to_string(tag.number)) + ")");
    s_.data.assign(bytes, bytes + length);
  }

 private:
  void Call(const std::string& call) {
    s_.calls.push_back(call);
    const std::string name = call.substr(0, call.find('('));
    if (!s_.failOn.empty() && name == s_.failOn) throw ComError(s_.failure, name + " failed");
  }
  static long ModelOfExtension(const std::string& path) {
    const std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    if (extension == ".xbv") return 5;
    if (extension == ".xcy") return 7;
    if (extension == ".xdy") return 9;
    if (extension == ".xfy") return 10;
    return 0;
  }
  DeviceScript& s_;
  std::string name_;
  std::string saved_;
  long model_ = 0;
};

class RecordingDeviceFactory : public DeviceFileServiceFactory {
 public:
  explicit RecordingDeviceFactory(DeviceScript& script) : s_(script) {}
  std::unique_ptr<DeviceFileService> Create() override {
    if (s_.unavailable) throw ComError(MakeResult(0x80040154u), "class not registered");
    ++s_.created;
    return std::make_unique<RecordingDeviceService>(s_);
  }

 private:
  DeviceScript& s_;
};

}  // namespace gridlet::testing
