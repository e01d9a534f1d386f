#include "encoding/cp1252.h"

#include <array>
#include <cstdint>

namespace gridlet {

namespace {

// Unicode for the bytes 0x80..0x9F; every other byte is its own code point.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

constexpr std::array<char16_t, 256> MakeToUnicode() {
  std::array<char16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    table[i] = (i >= 0x80 && i < 0xA0) ? kHighControls[i - 0x80] : static_cast<char16_t>(i);
  }
  return table;
}
constexpr std::array<char16_t, 256> kToUnicode = MakeToUnicode();

// The UTF-8 form of every byte, so that the conversion appends without
// encoding anything.
struct Utf8Form {
  std::uint8_t length;
  char bytes[3];
};

constexpr std::array<Utf8Form, 256> MakeToUtf8() {
  std::array<Utf8Form, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    const char32_t c = kToUnicode[i];
    if (c < 0x80) {
      table[i] = {1, {static_cast<char>(c), 0, 0}};
    } else if (c < 0x800) {
      table[i] = {2, {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F)), 0}};
    } else {
      table[i] = {3,
                  {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                   static_cast<char>(0x80 | (c & 0x3F))}};
    }
  }
  return table;
}
constexpr std::array<Utf8Form, 256> kToUtf8 = MakeToUtf8();

// The reverse of kToUnicode; -1 for a character without a byte.
int ToByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return static_cast<int>(c);
  switch (c) {
    case 0x0081: return 0x81;
    case 0x008D: return 0x8D;
    case 0x008F: return 0x8F;
    case 0x0090: return 0x90;
    case 0x009D: return 0x9D;
    case 0x20AC: return 0x80;
    case 0x201A: return 0x82;
    case 0x0192: return 0x83;
    case 0x201E: return 0x84;
    case 0x2026: return 0x85;
    case 0x2020: return 0x86;
    case 0x2021: return 0x87;
    case 0x02C6: return 0x88;
    case 0x2030: return 0x89;
    case 0x0160: return 0x8A;
    case 0x2039: return 0x8B;
    case 0x0152: return 0x8C;
    case 0x017D: return 0x8E;
    case 0x2018: return 0x91;
    case 0x2019: return 0x92;
    case 0x201C: return 0x93;
    case 0x201D: return 0x94;
    case 0x2022: return 0x95;
    case 0x2013: return 0x96;
    case 0x2014: return 0x97;
    case 0x02DC: return 0x98;
    case 0x2122: return 0x99;
    case 0x0161: return 0x9A;
    case 0x203A: return 0x9B;
    case 0x0153: return 0x9C;
    case 0x017E: return 0x9E;
    case 0x0178: return 0x9F;
    default: return -1;
  }
}

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Decodes the sequence at text[i]. On success sets *c and returns its
// length; on a malformed sequence returns 0 and sets *skip to the length of
// its longest well-formed start (at least 1), so that a lenient caller
// replaces each broken sequence once.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t* c, std::size_t* skip) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead < 0x80) {
    *c = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    *skip = 1;
    return 0;
  }
  char32_t value = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const bool in_range = i + k < text.size() &&
                          (k == 1 ? byte(i + k) >= low && byte(i + k) <= high
                                  : IsContinuation(byte(i + k)));
    if (!in_range) {
      *skip = k;
      return 0;
    }
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  *c = value;
  return length;
}

// Line and column of a byte offset in well-formed UTF-8.
TextPosition PositionOf(std::string_view text, std::size_t offset) {
  TextPosition position;
  position.offset = offset;
  for (std::size_t i = 0; i < offset; ++i) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b == '\n' || (b == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++position.line;
      position.column = 1;
    } else if (!IsContinuation(b) && b != '\r') {
      ++position.column;
    }
  }
  return position;
}

// The length of the run of ASCII bytes starting at text[i].
std::size_t AsciiRun(std::string_view text, std::size_t i) {
  std::size_t end = i;
  while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80) ++end;
  return end - i;
}

void AppendCodePoint(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 | (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
  }
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Follows the line and column of a text as a conversion walks through it,
// one character at a time; a line ends at LF, at CR LF or at a lone CR.
class PositionTracker {
 public:
  // Moves to the character `c` at code unit `offset`; `followedByLf` says
  // whether the next character is an LF.
  void Step(std::size_t offset, char32_t c, bool followedByLf) {
    position_.offset = offset;
    if (pendingNewLine_) {
      ++position_.line;
      position_.column = 1;
      pendingNewLine_ = false;
    } else if (!first_) {
      ++position_.column;
    }
    first_ = false;
    if (c == '\n' || (c == '\r' && !followedByLf)) pendingNewLine_ = true;
  }
  const TextPosition& Position() const { return position_; }

 private:
  TextPosition position_;
  bool first_ = true;
  bool pendingNewLine_ = false;
};

}  // namespace

char32_t Cp1252ToUnicode(unsigned char byte) { return kToUnicode[byte]; }

bool IsCp1252Character(unsigned char byte) {
  const char32_t c = kToUnicode[byte];
  return c < 0x80 || c >= 0xA0;
}

std::size_t DecodeUtf8Character(std::string_view utf8, std::size_t offset, char32_t* c) {
  std::size_t skip = 0;
  return DecodeUtf8(utf8, offset, c, &skip);
}

void AppendUtf8(std::string& out, char32_t c) { AppendCodePoint(out, c); }

std::optional<unsigned char> UnicodeToCp1252(char32_t character) {
  const int b = ToByte(character);
  if (b < 0) return std::nullopt;
  return static_cast<unsigned char>(b);
}

std::u16string Cp1252ToUtf16(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out[i] = kToUnicode[static_cast<unsigned char>(bytes[i])];
  }
  return out;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t run = AsciiRun(bytes, i);
    out.append(bytes.data() + i, run);
    i += run;
    if (i < bytes.size()) {
      const Utf8Form& form = kToUtf8[static_cast<unsigned char>(bytes[i])];
      out.append(form.bytes, form.length);
      ++i;
    }
  }
  return out;
}

Cp1252Conversion Utf8ToCp1252(std::string_view utf8) {
  Cp1252Conversion result;
  result.text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t run = AsciiRun(utf8, i);
    result.text.append(utf8.data() + i, run);
    i += run;
    if (i >= utf8.size()) break;
    char32_t c = 0;
    std::size_t skip = 0;
    const std::size_t length = DecodeUtf8(utf8, i, &c, &skip);
    const int b = length == 0 ? -1 : ToByte(c);
    if (b < 0) {
      result.fault = length == 0 ? ConversionFault::Malformed : ConversionFault::Unmappable;
      result.character = length == 0 ? 0 : c;
      result.position = PositionOf(utf8, i);
      return result;
    }
    result.text.push_back(static_cast<char>(b));
    i += length;
  }
  return result;
}

std::string Utf8ToCp1252(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t run = AsciiRun(utf8, i);
    out.append(utf8.data() + i, run);
    i += run;
    if (i >= utf8.size()) break;
    char32_t c = 0;
    std::size_t skip = 0;
    const std::size_t length = DecodeUtf8(utf8, i, &c, &skip);
    const int b = length == 0 ? -1 : ToByte(c);
    out.push_back(b < 0 ? replacement : static_cast<char>(b));
    i += length == 0 ? skip : length;
  }
  return out;
}

namespace {

// The replacing conversion over any Unicode form: `decode(i, &c)` gives the
// length of the character at code unit i and the character, or 0 where the
// text is malformed.
template <class Text, class Decode>
Cp1252Conversion ReplacingConversion(Text text, char replacement, std::vector<Cp1252Replacement>& replaced,
                                     Decode decode) {
  Cp1252Conversion result;
  result.text.reserve(text.size());
  PositionTracker tracker;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const std::size_t length = decode(i, &c);
    if (length == 0) {
      tracker.Step(i, 0, false);
      result.fault = ConversionFault::Malformed;
      result.position = tracker.Position();
      return result;
    }
    tracker.Step(i, c, i + length < text.size() && text[i + length] == '\n');
    const int b = ToByte(c);
    if (b < 0) {
      replaced.push_back({tracker.Position(), c});
      result.text.push_back(replacement);
    } else {
      result.text.push_back(static_cast<char>(b));
    }
    i += length;
  }
  return result;
}

}  // namespace

Cp1252Conversion Utf8ToCp1252(std::string_view utf8, char replacement,
                              std::vector<Cp1252Replacement>& replaced) {
  return ReplacingConversion(utf8, replacement, replaced, [&](std::size_t i, char32_t* c) {
    std::size_t skip = 0;
    return DecodeUtf8(utf8, i, c, &skip);
  });
}

Cp1252Conversion Utf16ToCp1252(std::u16string_view text, char replacement,
                               std::vector<Cp1252Replacement>& replaced) {
  return ReplacingConversion(text, replacement, replaced, [&](std::size_t i, char32_t* c) -> std::size_t {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      *c = 0x10000 + ((text[i] - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      return 2;
    }
    if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) return 0;
    *c = text[i];
    return 1;
  });
}

std::optional<std::string> Utf16ToCp1252(std::u16string_view text) {
  std::string out(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int b = ToByte(text[i]);  // a surrogate never has a byte
    if (b < 0) return std::nullopt;
    out[i] = static_cast<char>(b);
  }
  return out;
}

std::string Utf16ToCp1252(std::u16string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A surrogate pair is one character and gets one replacement.
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out.push_back(replacement);
      ++i;
      continue;
    }
    const int b = ToByte(text[i]);
    out.push_back(b < 0 ? replacement : static_cast<char>(b));
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    std::size_t skip = 0;
    const std::size_t length = DecodeUtf8(utf8, i, &c, &skip);
    AppendUtf16(out, length == 0 ? kReplacementCharacter : c);
    i += length == 0 ? skip : length;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      c = kReplacementCharacter;
    }
    AppendCodePoint(out, c);
  }
  return out;
}

}  // namespace gridlet
