#include "platform/engine_paths.h"

#include <cstdio>
#include <optional>

#include "encoding/cp1252.h"

namespace gridlet {

namespace {

constexpr char kMarker = '\x81';
constexpr char32_t kRawByteBase = 0xDC00;

void AppendEscape(std::string& out, char32_t c) {
  char escape[16];
  std::snprintf(escape, sizeof escape, "%c%X;", kMarker, static_cast<unsigned>(c));
  out += escape;
}

// The escape at enginePath[i] (at its marker): its code point and length.
std::optional<std::pair<char32_t, std::size_t>> EscapeAt(std::string_view enginePath, std::size_t i) {
  char32_t value = 0;
  std::size_t k = i + 1;
  for (; k < enginePath.size() && k - i <= 7; ++k) {
    const char h = enginePath[k];
    int digit = -1;
    if (h >= '0' && h <= '9') digit = h - '0';
    if (h >= 'A' && h <= 'F') digit = h - 'A' + 10;
    if (digit < 0) break;
    value = value << 4 | static_cast<char32_t>(digit);
  }
  if (k == i + 1 || k >= enginePath.size() || enginePath[k] != ';' || value > 0x10FFFF) return std::nullopt;
  return std::make_pair(value, k + 1 - i);
}

}  // namespace

std::string ToEnginePath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (std::size_t i = 0; i < path.size();) {
    char32_t c = 0;
    const std::size_t length = DecodeUtf8Character(path, i, &c);
    if (length == 0) {
      AppendEscape(out, kRawByteBase + static_cast<unsigned char>(path[i]));
      ++i;
      continue;
    }
    const std::optional<unsigned char> byte = UnicodeToCp1252(c);
    if (byte && *byte != static_cast<unsigned char>(kMarker)) {
      out += static_cast<char>(*byte);
    } else {
      AppendEscape(out, c);
    }
    i += length;
  }
  return out;
}

std::string FromEnginePath(std::string_view enginePath) {
  std::string out;
  out.reserve(enginePath.size());
  for (std::size_t i = 0; i < enginePath.size();) {
    if (enginePath[i] == kMarker) {
      if (const auto escape = EscapeAt(enginePath, i)) {
        const char32_t c = escape->first;
        if (c >= kRawByteBase + 0x80 && c <= kRawByteBase + 0xFF) {
          out += static_cast<char>(c - kRawByteBase);
        } else {
          AppendUtf8(out, c);
        }
        i += escape->second;
        continue;
      }
    }
    AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(enginePath[i])));
    ++i;
  }
  return out;
}

}  // namespace gridlet
