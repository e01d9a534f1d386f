// Conversions between Windows-1252 (the ANSI code page of the engine's
// texts and paths) and Unicode in UTF-8 and UTF-16.
//
// The five bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) stand for the C1 controls of the same value, U+0081 and so on, and
// those map back, so every byte string survives a round trip through
// Unicode. All conversions are table driven and make one pass over the
// input.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gridlet {

// Where in a text a conversion stopped.
struct TextPosition {
  std::size_t offset = 0;  // in code units of the input: bytes of UTF-8, char16_t of UTF-16
  std::size_t line = 1;    // 1-based; a line ends at LF, at CR LF or at a lone CR
  std::size_t column = 1;  // 1-based, counted in characters (code points)
};

enum class ConversionFault {
  None,
  Unmappable,  // a well-formed character that has no Windows-1252 form
  Malformed,   // a byte sequence that is not UTF-8
};

// The result of a strict conversion from UTF-8 to Windows-1252.
struct Cp1252Conversion {
  std::string text;  // the converted bytes; after a fault, those before it
  ConversionFault fault = ConversionFault::None;
  TextPosition position;   // of the first fault
  char32_t character = 0;  // the character without a Windows-1252 form (Unmappable)

  bool ok() const { return fault == ConversionFault::None; }
};

// Whether the byte is a character of Windows-1252: all are but the five
// it leaves undefined.
bool IsCp1252Character(unsigned char byte);

// One character. Cp1252ToUnicode is defined for every byte.
char32_t Cp1252ToUnicode(unsigned char byte);
std::optional<unsigned char> UnicodeToCp1252(char32_t character);

std::u16string Cp1252ToUtf16(std::string_view bytes);
std::string Cp1252ToUtf8(std::string_view bytes);

// Strict: stops at the first character without a Windows-1252 form, or at
// the first malformed sequence, and says where it is.
Cp1252Conversion Utf8ToCp1252(std::string_view utf8);
// Lenient: every such character (and every malformed sequence) becomes the
// replacement byte.
std::string Utf8ToCp1252(std::string_view utf8, char replacement);

// A character that had no Windows-1252 form and where it stood.
struct Cp1252Replacement {
  TextPosition position;
  char32_t character = 0;
};

// Lenient for characters, strict for form: every well-formed character
// without a Windows-1252 form becomes the replacement byte and is listed in
// *replaced, in text order; a malformed sequence stops the conversion with
// the fault Malformed, as the strict conversion does.
Cp1252Conversion Utf8ToCp1252(std::string_view utf8, char replacement,
                              std::vector<Cp1252Replacement>& replaced);
// The same for UTF-16; a lone surrogate is malformed.
Cp1252Conversion Utf16ToCp1252(std::u16string_view text, char replacement,
                               std::vector<Cp1252Replacement>& replaced);

// Strict: nothing when a character (a lone surrogate included) has no
// Windows-1252 form.
std::optional<std::string> Utf16ToCp1252(std::u16string_view text);
// Lenient: every such character becomes the replacement byte.
std::string Utf16ToCp1252(std::u16string_view text, char replacement);

// One character of UTF-8: the length of the well-formed sequence at
// utf8[offset] with its code point in *c, or 0 when the bytes there are
// no such sequence.
std::size_t DecodeUtf8Character(std::string_view utf8, std::size_t offset, char32_t* c);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t c);

// Between the two Unicode forms. A malformed UTF-8 sequence and a lone
// surrogate become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace gridlet
