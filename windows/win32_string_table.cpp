// The module's string table, read from its resources with LoadStringA.
// Replaces the built-in table of the other platforms.
#include <windows.h>

#include <map>
#include <string>

#include "critical_section.h"
#include "module_state.h"
#include "server/string_table.h"

namespace gridlet {

const char* LoadResourceString(int id) {
  // Each string is loaded once and kept: the engine holds on to the
  // pointers it is given.
  static win32::CriticalSection lock;
  static std::map<int, std::string> loaded;
  win32::CriticalSectionGuard guard(lock);
  auto found = loaded.find(id);
  if (found == loaded.end()) {
    char buffer[1024];
    const int length = LoadStringA(win32::ModuleInstance(), static_cast<UINT>(id), buffer, sizeof buffer);
    found = loaded.emplace(id, std::string(buffer, length > 0 ? length : 0)).first;
  }
  return found->second.c_str();
}

}  // namespace gridlet
