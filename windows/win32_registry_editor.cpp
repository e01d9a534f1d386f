#include "win32_registry_editor.h"

#include <windows.h>

namespace gridlet::win32 {

namespace {

bool IsAbsent(LONG error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

class OpenKey {
 public:
  OpenKey(const std::string& path, REGSAM access)
      : error_(RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, access, &key_)) {}
  ~OpenKey() {
    if (error_ == ERROR_SUCCESS) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  LONG Error() const { return error_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
  LONG error_;
};

}  // namespace

long Win32RegistryEditor::CreateKey(const std::string& path) {
  HKEY key = nullptr;
  const LONG error = RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &key, nullptr);
  if (error == ERROR_SUCCESS) RegCloseKey(key);
  return error;
}

long Win32RegistryEditor::SetValue(const std::string& path, const RegistryValue& value) {
  OpenKey key(path, KEY_SET_VALUE);
  if (key.Error() != ERROR_SUCCESS) return key.Error();
  const char* name = value.name.empty() ? nullptr : value.name.c_str();
  if (value.kind == RegistryValue::Kind::Number) {
    const DWORD number = value.number;
    return RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                          sizeof number);
  }
  return RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                        static_cast<DWORD>(value.text.size() + 1));
}

long Win32RegistryEditor::DeleteTree(const std::string& path) {
  const LONG error = RegDeleteTreeA(HKEY_CLASSES_ROOT, path.c_str());
  if (error == ERROR_SUCCESS || IsAbsent(error)) {
    const LONG last = RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
    return last == ERROR_SUCCESS || IsAbsent(last) ? 0 : last;
  }
  return error;
}

long Win32RegistryEditor::DeleteValue(const std::string& path, const std::string& name) {
  OpenKey key(path, KEY_SET_VALUE);
  if (IsAbsent(key.Error())) return 0;
  if (key.Error() != ERROR_SUCCESS) return key.Error();
  const LONG error = RegDeleteValueA(key.Get(), name.empty() ? nullptr : name.c_str());
  return error == ERROR_SUCCESS || IsAbsent(error) ? 0 : error;
}

long Win32RegistryEditor::DeleteKeyIfEmpty(const std::string& path) {
  DWORD subkeys = 0;
  DWORD values = 0;
  {
    OpenKey key(path, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
    if (IsAbsent(key.Error())) return 0;
    if (key.Error() != ERROR_SUCCESS) return key.Error();
    const LONG error = RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                        &values, nullptr, nullptr, nullptr, nullptr);
    if (error != ERROR_SUCCESS) return error;
  }
  if (subkeys || values) return 0;
  const LONG error = RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
  return error == ERROR_SUCCESS || IsAbsent(error) ? 0 : error;
}

}  // namespace gridlet::win32
