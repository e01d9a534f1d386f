#include "platform/device_names.h"

#include "server/device_file_service.h"

namespace gridlet {

namespace {

constexpr std::size_t kMaxNameLength = 8;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

std::string Class68kPart(std::string_view text) {
  std::string part;
  for (char c : text) {
    if (IsUpper(c)) c = static_cast<char>(c - 'A' + 'a');
    if (!IsLower(c) && !IsDigit(c) && c != '_') continue;
    if (part.empty() && (IsDigit(c) || c == '_')) continue;  // no leading digits or underscores
    part.push_back(c);
    if (part.size() == kMaxNameLength) break;
  }
  return part;
}

}  // namespace

std::string XbPlusDeviceName(std::string_view requested) {
  std::string name;
  for (char c : requested) {
    if (IsLower(c)) c = static_cast<char>(c - 'a' + 'A');
    if (!IsUpper(c) && !IsDigit(c)) continue;
    if (name.empty() && IsDigit(c)) continue;  // no leading digits
    name.push_back(c);
    if (name.size() == kMaxNameLength) break;
  }
  return name.empty() ? "SHEET" : name;
}

QualifiedName Class68kDeviceName(std::string_view requested) {
  QualifiedName result;
  const std::size_t slash = requested.find('\\');
  if (slash != std::string_view::npos) {
    result.folder = Class68kPart(requested.substr(0, slash));
    requested.remove_prefix(slash + 1);
  }
  result.name = Class68kPart(requested);
  if (result.name.empty()) result.name = "sheet";
  return result;
}

std::string DeviceName(long model, std::string_view requested) {
  if (model == DEVICE_MODEL_XB_PLUS) return XbPlusDeviceName(requested);
  const QualifiedName name = Class68kDeviceName(requested);
  return name.folder.empty() ? name.name : name.folder + "\\" + name.name;
}

}  // namespace gridlet
