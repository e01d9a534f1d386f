// Registry scripts applied to the real registry, under
// HKEY_CLASSES_ROOT.
#pragma once

#include "registry_script.h"

namespace gridlet::win32 {

class Win32RegistryEditor : public RegistryEditor {
 public:
  long CreateKey(const std::string& path) override;
  long SetValue(const std::string& path, const RegistryValue& value) override;
  long DeleteTree(const std::string& path) override;
  long DeleteValue(const std::string& path, const std::string& name) override;
  long DeleteKeyIfEmpty(const std::string& path) override;
};

}  // namespace gridlet::win32
