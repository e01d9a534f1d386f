// The calculators' rules for variable names: what GetDeviceName makes of a
// requested name. Names are Windows-1252 bytes; only ASCII letters, digits
// and (68k-class) the underscore survive.
#pragma once

#include <string>
#include <string_view>

namespace gridlet {

// A 68k-class name: the folder is empty when the name has none.
struct QualifiedName {
  std::string folder;
  std::string name;
};

// Upper case, A-Z and 0-9 only, no leading digits, at most 8 characters;
// "SHEET" when nothing is left.
std::string XbPlusDeviceName(std::string_view requested);

// "folder\name" or "name": each part in lower case, a-z, 0-9 and "_" only,
// no leading digits or underscores, at most 8 characters. The folder ends at
// the first backslash. An empty name becomes "sheet"; an empty folder is left
// out.
QualifiedName Class68kDeviceName(std::string_view requested);

// The device name as GetDeviceName returns it: the XB Plus rules for model
// 5, the 68k-class rules for the other codes the service accepts.
std::string DeviceName(long model, std::string_view requested);

}  // namespace gridlet
