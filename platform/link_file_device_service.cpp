#include "platform/link_file_device_service.h"

#include "model/com_error.h"
#include "platform/device_names.h"

namespace gridlet {

namespace {

constexpr std::uint8_t kXbApplicationVariable = 0x15;
constexpr std::uint8_t k68kCustomType = 0x1C;
constexpr std::uint8_t k68kCustomTypeEnd = 0xF8;  // closes the type tag of a custom-type variable
constexpr const char* kDefaultFolder = "main";

[[noreturn]] void Fail(HRESULT code, const std::string& detail = {}) {
  const std::string text = DeviceServiceErrorText(code);
  throw ComError(code, detail.empty() ? text : detail + ": " + text);
}

void AppendLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The name a loaded variable asks for if none is set after loading.
std::string OwnName(const LinkVariable& variable) {
  return variable.folder.empty() ? variable.name : variable.folder + "\\" + variable.name;
}

}  // namespace

void LinkFileDeviceService::SetDeviceModel(long code) {
  if (!IsXbPlusModel(code) && !Is68kModel(code)) {
    Fail(DEVICE_E_UNKNOWN_MODEL, "model " + std::to_string(code));
  }
  model_ = code;
}

void LinkFileDeviceService::LoadFile(const std::string& path, long /*flag*/) {
  std::string why;
  const std::optional<std::vector<std::uint8_t>> bytes = files_.ReadFile(path, &why);
  if (!bytes) Fail(DEVICE_E_CANNOT_READ, why.empty() ? path : path + ": " + why);
  LinkVariable loaded;
  try {
    loaded = ReadLinkFile(bytes->data(), bytes->size());
  } catch (const ComError& error) {
    Fail(error.Result(), path);
  }
  model_ = loaded.model;
  requested_name_ = OwnName(loaded);
  variable_ = std::move(loaded);
}

void LinkFileDeviceService::SaveFile(const std::string& path, long /*flag*/, long /*reserved*/) {
  const long model = Model();
  LinkVariable variable;
  if (const auto* data = std::get_if<NewVariable>(&variable_)) {
    variable = FromNewVariable(*data, model);
  } else if (const auto* loaded = std::get_if<LinkVariable>(&variable_)) {
    variable = FromLoadedVariable(*loaded, model);
  } else {
    Fail(DEVICE_E_NO_VARIABLE);
  }
  const std::vector<std::uint8_t> file = WriteLinkFile(variable);
  std::string why;
  if (!files_.WriteFile(path, file.data(), file.size(), &why)) {
    throw ComError(DEVICE_E_CANNOT_WRITE,
                   std::string(DeviceServiceErrorText(DEVICE_E_CANNOT_WRITE)) + " " + path +
                       (why.empty() ? "" : ": " + why));
  }
  written_path_ = path;
}

long LinkFileDeviceService::GetDeviceModel() { return Model(); }

std::string LinkFileDeviceService::GetDeviceName() { return DeviceName(Model(), requested_name_); }

void LinkFileDeviceService::SetDeviceName(const std::string& name) { requested_name_ = name; }

std::string LinkFileDeviceService::GetFileName() {
  if (!written_path_) Fail(DEVICE_E_NOT_SAVED);
  return *written_path_;
}

void LinkFileDeviceService::SetVariableData(const std::uint8_t* bytes, long length,
                                            const VariableTag& tag) {
  if (length < 0 || (bytes == nullptr && length > 0)) {
    Fail(DEVICE_E_BAD_DATA, "length " + std::to_string(length));
  }
  NewVariable data;
  if (length > 0) data.bytes.assign(bytes, bytes + length);
  data.tag = tag;
  variable_ = std::move(data);
}

long LinkFileDeviceService::Model() const {
  if (!model_) Fail(DEVICE_E_NO_MODEL);
  return *model_;
}

LinkVariable LinkFileDeviceService::FromNewVariable(const NewVariable& data, long model) const {
  LinkVariable variable;
  variable.model = model;
  variable.comment = kNewVariableComment;
  const std::size_t n = data.bytes.size();
  if (IsXbPlusModel(model)) {
    if (data.tag.kind != VariableTag::Kind::UnsignedInt) Fail(DEVICE_E_BAD_TAG, "XB Plus data");
    // The variable's own size field, the tag, the bytes.
    constexpr std::size_t kFraming = 6;
    if (n > kMaxXbPlusData - kFraming) Fail(DEVICE_E_TOO_LARGE);
    variable.type_id = kXbApplicationVariable;
    variable.data.reserve(n + kFraming);
    AppendLe(variable.data, static_cast<std::uint32_t>(n + 4), 2);
    AppendLe(variable.data, data.tag.number, 4);
    variable.data.insert(variable.data.end(), data.bytes.begin(), data.bytes.end());
  } else {
    const std::string& tag = data.tag.text;
    if (data.tag.kind != VariableTag::Kind::String || tag.empty() ||
        tag.find('\0') != std::string::npos) {
      Fail(DEVICE_E_BAD_TAG, "68k-class data");
    }
    // The bytes, then the type tag: 00, its characters, 00, F8.
    variable.type_id = k68kCustomType;
    variable.data.reserve(n + tag.size() + 3);
    variable.data = data.bytes;
    variable.data.push_back(0);
    variable.data.insert(variable.data.end(), tag.begin(), tag.end());
    variable.data.push_back(0);
    variable.data.push_back(k68kCustomTypeEnd);
  }
  NameVariable(variable);
  return variable;
}

LinkVariable LinkFileDeviceService::FromLoadedVariable(const LinkVariable& loaded, long model) const {
  if (IsXbPlusModel(model) != IsXbPlusModel(loaded.model)) {
    Fail(DEVICE_E_INCOMPATIBLE_COPY,
         IsXbPlusModel(model) ? "68k-class to XB Plus" : "XB Plus to 68k-class");
  }
  LinkVariable variable = loaded;
  variable.model = model;
  NameVariable(variable);
  return variable;
}

void LinkFileDeviceService::NameVariable(LinkVariable& variable) const {
  if (IsXbPlusModel(variable.model)) {
    variable.folder.clear();
    variable.name = XbPlusDeviceName(requested_name_);
  } else {
    QualifiedName name = Class68kDeviceName(requested_name_);
    variable.folder = name.folder.empty() ? kDefaultFolder : std::move(name.folder);
    variable.name = std::move(name.name);
  }
}

std::unique_ptr<DeviceFileService> LinkFileDeviceServiceFactory::Create() {
  return std::make_unique<LinkFileDeviceService>(files_);
}

}  // namespace gridlet
