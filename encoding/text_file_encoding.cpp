#include "encoding/text_file_encoding.h"

#include <cstdio>

namespace gridlet {

namespace {

constexpr std::string_view kUtf8Mark("\xEF\xBB\xBF", 3);
constexpr std::string_view kUtf16LeMark("\xFF\xFE", 2);
constexpr std::string_view kUtf16BeMark("\xFE\xFF", 2);

DecodedText FromUtf16(std::string_view bytes, bool bigEndian) {
  DecodedText decoded;
  decoded.encoding = "UTF-16";
  decoded.byteOrderMark = true;
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const unsigned char a = static_cast<unsigned char>(bytes[2 * i]);
    const unsigned char b = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? a << 8 | b : b << 8 | a);
  }
  Cp1252Conversion converted = Utf16ToCp1252(units, '?', decoded.replaced);
  decoded.text = std::move(converted.text);
  decoded.fault = converted.fault;
  decoded.position = converted.position;
  if (decoded.fault == ConversionFault::None && bytes.size() % 2 != 0) {
    // Half a character at the end.
    decoded.fault = ConversionFault::Malformed;
    decoded.position = TextPosition{};
    decoded.position.offset = units.size();
  }
  return decoded;
}

}  // namespace

DecodedText DecodeTextFile(std::string_view bytes, TextEncoding assumed) {
  if (bytes.starts_with(kUtf16LeMark)) return FromUtf16(bytes.substr(2), false);
  if (bytes.starts_with(kUtf16BeMark)) return FromUtf16(bytes.substr(2), true);
  DecodedText decoded;
  const bool mark = bytes.starts_with(kUtf8Mark);
  if (!mark && assumed == TextEncoding::Cp1252) {
    decoded.encoding = "Windows-1252";
    decoded.asIs = true;
    return decoded;
  }
  decoded.encoding = "UTF-8";
  decoded.byteOrderMark = mark;
  if (mark) bytes.remove_prefix(kUtf8Mark.size());
  Cp1252Conversion converted = Utf8ToCp1252(bytes, '?', decoded.replaced);
  decoded.text = std::move(converted.text);
  decoded.fault = converted.fault;
  decoded.position = converted.position;
  return decoded;
}

std::string DescribeReplacements(const std::vector<Cp1252Replacement>& replaced, std::size_t shown) {
  std::string text;
  for (std::size_t i = 0; i < replaced.size() && i < shown; ++i) {
    char place[80];
    std::snprintf(place, sizeof place, "%sline %zu, column %zu (U+%04X)", i ? "; " : "",
                  replaced[i].position.line, replaced[i].position.column,
                  static_cast<unsigned>(replaced[i].character));
    text += place;
  }
  if (replaced.size() > shown) text += " and " + std::to_string(replaced.size() - shown) + " more";
  return text;
}

}  // namespace gridlet
