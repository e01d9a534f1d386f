#include "web/client_names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "encoding/cp1252.h"
#include "platform/engine_paths.h"

namespace gridlet::web {

namespace {

constexpr std::size_t MAX_NAME_BYTES = 255;

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// separatorsAllowed: a name the engine makes safe itself.
std::optional<std::string> CommonProblem(std::string_view name, bool separatorsAllowed) {
  if (name.size() > MAX_NAME_BYTES) return "is longer than 255 bytes";
  for (unsigned char c : name) {
    if (c == 0) return "holds a zero byte";
    if (IsControl(c)) return "holds a control character";
    if ((c == '/' || c == '\\') && !separatorsAllowed) return "holds a path separator";
  }
  if (Utf8ToCp1252(name).fault == ConversionFault::Malformed) return "is not valid UTF-8";
  return std::nullopt;
}

// The name without its last extension; a name that is all extension
// (".txt") keeps it, as std::filesystem::path::stem does.
std::string_view Stem(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return name;
  return name.substr(0, dot);
}

}  // namespace

std::optional<std::string> FileNameProblem(std::string_view name) {
  if (name.empty()) return "is empty";
  if (name == "." || name == "..") return "is no file name";
  return CommonProblem(name, false);
}

std::optional<std::string> SheetNameProblem(std::string_view name) { return CommonProblem(name, true); }

std::string DefaultSheetName(std::string_view fileName) { return std::string(Stem(fileName)); }

std::string EngineSheetName(std::string_view utf8Name, GRIDLET_FILE_TYPES target) {
  if (IsCalculatorType(target)) return Utf8ToCp1252(utf8Name, '?');
  return ToEnginePath(utf8Name);
}

std::string StoredExtension(std::string_view fileName, GRIDLET_FILE_TYPES type) {
  const std::size_t dot = fileName.rfind('.');
  if (dot != std::string_view::npos && dot > 0) {
    std::string extension(fileName.substr(dot + 1));
    bool plain = !extension.empty() && extension.size() <= 8;
    for (char& c : extension) {
      plain = plain && std::isalnum(static_cast<unsigned char>(c));
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (plain) return "." + extension;
  }
  const std::string_view own = OutputExtension(type);
  return own.empty() ? ".dat" : std::string(own);
}

std::string ContentDisposition(std::string_view utf8Name) {
  static const char* HEX = "0123456789ABCDEF";
  std::string fallback;
  std::string encoded;
  for (unsigned char c : utf8Name) {
    const bool plain = c < 0x80 && (std::isalnum(c) || c == '.' || c == '-' || c == '_');
    // One "_" for each character the plain form cannot carry.
    if (plain || c == ' ') {
      fallback.push_back(static_cast<char>(c));
    } else if (c < 0x80 || c >= 0xC0) {
      fallback.push_back('_');
    }
    if (plain) {
      encoded.push_back(static_cast<char>(c));
    } else {
      encoded.push_back('%');
      encoded.push_back(HEX[c >> 4]);
      encoded.push_back(HEX[c & 15]);
    }
  }
  return "attachment; filename=\"" + fallback + "\"; filename*=UTF-8''" + encoded;
}

}  // namespace gridlet::web
