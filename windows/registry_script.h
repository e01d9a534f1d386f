// Registry scripts: the text form (as in a REGISTRY resource) of the keys
// and values a server writes when it is registered. Portable: the script
// is parsed into a tree and applied through a RegistryEditor.
//
//   HKCR
//   {
//     NoRemove CLSID
//     {
//       ForceRemove {guid} = s 'Name'
//       {
//         InprocServer32 = s '%MODULE%'
//         {
//           val ThreadingModel = s 'Apartment'
//         }
//       }
//     }
//   }
//
// Tokens are separated by white space; "{", "}" and "=" stand alone. Names
// are bare words or quoted with single quotes, a doubled quote standing for
// one. Values are strings (s) or 32-bit numbers (d). A key marked NoRemove
// is never removed, one marked ForceRemove is removed whole before it is
// written and when the server is unregistered, one marked Delete is removed
// on registration and not written.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace gridlet::win32 {

struct RegistryValue {
  enum class Kind { String, Number };
  std::string name;  // empty: the key's default value
  Kind kind = Kind::String;
  std::string text;
  std::uint32_t number = 0;

  bool operator==(const RegistryValue&) const = default;
};

struct RegistryScriptKey {
  enum class Flag { None, NoRemove, ForceRemove, Delete };
  std::string name;
  Flag flag = Flag::None;
  std::vector<RegistryValue> values;
  std::vector<RegistryScriptKey> subkeys;
};

// The keys under HKEY_CLASSES_ROOT, the only root a server script uses.
struct RegistryScript {
  std::vector<RegistryScriptKey> keys;
};

class RegistryScriptError : public std::runtime_error {
 public:
  RegistryScriptError(const std::string& what, std::size_t line)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}
  std::size_t Line() const { return line_; }

 private:
  std::size_t line_;
};

// Replaces each %NAME% by its value with every single quote doubled (the
// values land inside quoted strings); "%%" gives "%". An unknown name raises
// RegistryScriptError.
std::string ExpandScriptVariables(std::string_view script,
                                  const std::map<std::string, std::string>& variables);

// Raises RegistryScriptError for text that is no valid script.
RegistryScript ParseRegistryScript(std::string_view script);

// The registry as the script sees it: paths are relative to
// HKEY_CLASSES_ROOT, their parts joined by backslashes. Each call returns 0
// or a Win32 error code.
class RegistryEditor {
 public:
  virtual ~RegistryEditor() = default;
  virtual long CreateKey(const std::string& path) = 0;
  virtual long SetValue(const std::string& path, const RegistryValue& value) = 0;
  // Removing what is not there succeeds.
  virtual long DeleteTree(const std::string& path) = 0;
  virtual long DeleteValue(const std::string& path, const std::string& name) = 0;
  // Removes the key only when it holds neither subkeys nor values.
  virtual long DeleteKeyIfEmpty(const std::string& path) = 0;
};

// Writes every key and value of the script. Stops at the first failure and
// returns its code; 0 when all was written.
long RegisterScript(const RegistryScript& script, RegistryEditor& editor);

// Removes what the script wrote: keys marked NoRemove stay (their subkeys
// are still visited), keys marked ForceRemove go whole, and other keys lose
// the subkeys and values of the script and go when nothing else is left in
// them. Keeps going after a failure and returns the first one.
long UnregisterScript(const RegistryScript& script, RegistryEditor& editor);

}  // namespace gridlet::win32
