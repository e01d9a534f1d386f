#include "web/client_names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "encoding/cp1252.h"

namespace gridlet::web {

namespace {

constexpr std::size_t MAX_NAME_BYTES = 255;

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

std::optional<std::string> CommonProblem(std::string_view name, bool backslashAllowed) {
  if (name.size() > MAX_NAME_BYTES) return "is longer than 255 bytes";
  for (unsigned char c : name) {
    if (c == 0) return "holds a zero byte";
    if (IsControl(c)) return "holds a control character";
    if (c == '/' || (c == '\\' && !backslashAllowed)) return "holds a path separator";
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

std::optional<std::string> SheetNameProblem(std::string_view name) {
  if (auto problem = CommonProblem(name, true)) return problem;
  const Cp1252Conversion converted = Utf8ToCp1252(name);
  if (converted.fault == ConversionFault::Unmappable) {
    char text[96];
    std::snprintf(text, sizeof text, "holds U+%04X, which has no Windows-1252 form",
                  static_cast<unsigned>(converted.character));
    return std::string(text);
  }
  return std::nullopt;
}

std::string DefaultSheetName(std::string_view fileName) {
  const std::string_view stem = Stem(fileName);
  std::string safe;
  std::string_view rest = stem;
  // Character by character: a representable one is kept, another becomes "_".
  while (!rest.empty()) {
    std::size_t length = 1;
    const unsigned char lead = static_cast<unsigned char>(rest[0]);
    if (lead >= 0xF0) length = 4;
    else if (lead >= 0xE0) length = 3;
    else if (lead >= 0xC0) length = 2;
    length = std::min(length, rest.size());
    const std::string_view character = rest.substr(0, length);
    safe += Utf8ToCp1252(character).ok() ? std::string(character) : std::string("_");
    rest.remove_prefix(length);
  }
  return safe;
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
    const bool plain = std::isalnum(c) || c == '.' || c == '-' || c == '_';
    fallback.push_back(plain || c == ' ' ? static_cast<char>(c) : '_');
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
