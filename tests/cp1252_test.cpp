#include "encoding/cp1252.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace gridlet {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  return bytes;
}

TEST(Cp1252Test, EveryByteRoundTripsThroughBothUnicodeForms) {
  const std::string bytes = AllBytes();
  const std::u16string utf16 = Cp1252ToUtf16(bytes);
  ASSERT_EQ(utf16.size(), 256u);
  EXPECT_EQ(Utf16ToCp1252(utf16), bytes);

  const Cp1252Conversion back = Utf8ToCp1252(Cp1252ToUtf8(bytes));
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back.text, bytes);
  EXPECT_EQ(Utf16ToUtf8(utf16), Cp1252ToUtf8(bytes));
}

TEST(Cp1252Test, MapsTheWindowsCharactersAndTheUndefinedBytes) {
  EXPECT_EQ(Cp1252ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(Cp1252ToUnicode(0x85), U'\u2026');
  EXPECT_EQ(Cp1252ToUnicode(0x9F), U'\u0178');
  EXPECT_EQ(Cp1252ToUnicode(0xE9), U'\u00E9');
  for (unsigned char undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(Cp1252ToUnicode(undefined), static_cast<char32_t>(undefined));
    EXPECT_EQ(UnicodeToCp1252(undefined), undefined);
  }
  // U+0080 is no cp1252 character: the byte 0x80 is the euro sign.
  EXPECT_EQ(UnicodeToCp1252(0x80), std::nullopt);
  EXPECT_EQ(UnicodeToCp1252(U'\u2122'), 0x99);
  EXPECT_EQ(Cp1252ToUtf8("\x80\xE9" "a"), "\xE2\x82\xAC\xC3\xA9" "a");
}

TEST(Cp1252Test, StrictUtf8ConversionReportsTheFirstUnmappableCharacter) {
  // Omega (U+03A9) on the second line, after "c", "é" and "d".
  const std::string text = "ab\ncd\xC3\xA9" "d\xCE\xA9 more \xCE\xA9";
  const Cp1252Conversion result = Utf8ToCp1252(text);
  EXPECT_EQ(result.fault, ConversionFault::Unmappable);
  EXPECT_EQ(result.character, U'\u03A9');
  EXPECT_EQ(result.position.offset, 8u);
  EXPECT_EQ(result.position.line, 2u);
  EXPECT_EQ(result.position.column, 5u);  // columns count characters, not bytes
  EXPECT_EQ(result.text, "ab\ncd\xE9" "d");
}

TEST(Cp1252Test, LineBreaksAreLfCrLfAndLoneCr) {
  const Cp1252Conversion result = Utf8ToCp1252("a\r\nb\rc\nd\r\n\xE2\x88\x9A");
  EXPECT_EQ(result.fault, ConversionFault::Unmappable);
  EXPECT_EQ(result.position.line, 5u);
  EXPECT_EQ(result.position.column, 1u);

  const Cp1252Conversion first = Utf8ToCp1252("\xF0\x9F\x98\x80");
  EXPECT_EQ(first.character, U'\U0001F600');
  EXPECT_EQ(first.position.offset, 0u);
  EXPECT_EQ(first.position.line, 1u);
  EXPECT_EQ(first.position.column, 1u);
}

TEST(Cp1252Test, StrictUtf8ConversionRejectsMalformedSequences) {
  struct Case {
    std::string text;
    std::size_t offset;
  };
  const Case cases[] = {
      {"ab\x80", 2},              // lone continuation byte
      {"a\xC3", 1},               // truncated at the end
      {"a\xE2\x82" "b", 1},       // truncated before an ASCII byte
      {"\xC0\xAF", 0},            // overlong
      {"x\xE0\x80\x80", 1},       // overlong three-byte form
      {"\xED\xA0\x80", 0},        // encoded surrogate
      {"\xF4\x90\x80\x80", 0},    // above U+10FFFF
      {"ok\xF5\x80\x80\x80", 2},  // no such lead byte
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    const Cp1252Conversion result = Utf8ToCp1252(c.text);
    EXPECT_EQ(result.fault, ConversionFault::Malformed);
    EXPECT_EQ(result.position.offset, c.offset);
    EXPECT_EQ(result.text, c.text.substr(0, c.offset));
  }
}

TEST(Cp1252Test, LenientConversionsReplaceEachBadCharacterOnce) {
  EXPECT_EQ(Utf8ToCp1252("a\xE2\x82\xAC\xCE\xA9" "b", '?'), "a\x80?b");
  EXPECT_EQ(Utf8ToCp1252("a\xE2\x82" "b\x80", '?'), "a?b?");
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80!", '_'), "_!");

  EXPECT_EQ(Utf16ToCp1252(u"x\u20AC\u03A9", '?'), "x\x80?");
  EXPECT_EQ(Utf16ToCp1252(u"\U0001F600", '?'), "?");  // a surrogate pair is one character
  EXPECT_EQ(Utf16ToCp1252(std::u16string(1, u'\xD800') + u"a", '?'), "?a");
}

TEST(Cp1252Test, StrictUtf16ConversionFailsOnAnyCharacterWithoutAByte) {
  EXPECT_EQ(Utf16ToCp1252(u"caf\u00E9 \u201Cq\u201D"), "caf\xE9 \x93q\x94");
  EXPECT_EQ(Utf16ToCp1252(u"a\u03A9"), std::nullopt);
  EXPECT_EQ(Utf16ToCp1252(std::u16string(1, u'\xDC00')), std::nullopt);
  EXPECT_EQ(Utf16ToCp1252(u""), "");
}

TEST(Cp1252Test, Utf8AndUtf16ConvertIntoEachOther) {
  const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  const std::u16string utf16 = u"a\u00E9\u20AC\U0001F600";
  EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
  EXPECT_EQ(Utf16ToUtf8(utf16), utf8);

  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b\xE2\x82"), u"a\uFFFDb\uFFFD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xDC00') + u"z"), "\xEF\xBF\xBDz");
  EXPECT_EQ(Utf16ToUtf8(u"a" + std::u16string(1, u'\xD83D')), "a\xEF\xBF\xBD");
}

TEST(Cp1252Test, LongTextsConvertWhole) {
  // Long ASCII runs interrupted by other characters, as in a large sheet.
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += (i % 7 == 0) ? "\x93quote\x94\t" : "plain text\r\n";
  const Cp1252Conversion back = Utf8ToCp1252(Cp1252ToUtf8(bytes));
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back.text, bytes);
}

TEST(Cp1252Test, ReplacingConversionsNameEveryReplacedCharacterWhereItStood) {
  // Random texts of ASCII, Windows-1252 letters, characters without a
  // Windows-1252 form and every kind of line end: each unmappable character
  // becomes "?" and is listed with the line and column counted here, from
  // UTF-8 and from UTF-16 alike.
  const std::vector<char32_t> alphabet = {U'a', U'Z', U' ', U'\t', U'\u00E9', U'\u20AC', U'\u0081',
                                          U'\u03C0', U'\u2713', U'\U0001F600', U'\n', U'\r'};
  std::mt19937 random(1252);
  for (int round = 0; round < 2000; ++round) {
    std::u32string text(random() % 30, U' ');
    for (char32_t& c : text) c = alphabet[random() % alphabet.size()];
    std::string utf8, expected;
    std::u16string utf16;
    std::vector<std::pair<std::size_t, std::size_t>> places;
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char32_t c = text[i];
      AppendUtf8(utf8, c);
      if (c >= 0x10000) {
        utf16 += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        utf16 += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        utf16 += static_cast<char16_t>(c);
      }
      const std::optional<unsigned char> byte = UnicodeToCp1252(c);
      if (!byte) places.emplace_back(line, column);
      expected += byte ? static_cast<char>(*byte) : '?';
      const bool lineEnds = c == U'\n' || (c == U'\r' && (i + 1 == text.size() || text[i + 1] != U'\n'));
      if (lineEnds) {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    for (int form = 0; form < 2; ++form) {
      std::vector<Cp1252Replacement> replaced;
      const Cp1252Conversion converted =
          form == 0 ? Utf8ToCp1252(utf8, '?', replaced) : Utf16ToCp1252(utf16, '?', replaced);
      ASSERT_TRUE(converted.ok());
      EXPECT_EQ(converted.text, expected);
      ASSERT_EQ(replaced.size(), places.size());
      for (std::size_t k = 0; k < places.size(); ++k) {
        EXPECT_EQ(replaced[k].position.line, places[k].first) << "form " << form;
        EXPECT_EQ(replaced[k].position.column, places[k].second) << "form " << form;
        EXPECT_FALSE(UnicodeToCp1252(replaced[k].character).has_value());
      }
    }
  }
  // Malformed input stops the conversion where it is, in either form.
  std::vector<Cp1252Replacement> replaced;
  const Cp1252Conversion broken = Utf8ToCp1252("ab\n\xCF", '?', replaced);
  EXPECT_EQ(broken.fault, ConversionFault::Malformed);
  EXPECT_EQ(broken.position.line, 2u);
  EXPECT_EQ(broken.position.column, 1u);
  const std::u16string loneSurrogate = {u'a', static_cast<char16_t>(0xD800), u'b'};
  const Cp1252Conversion lone = Utf16ToCp1252(loneSurrogate, '?', replaced);
  EXPECT_EQ(lone.fault, ConversionFault::Malformed);
  EXPECT_EQ(lone.position.column, 2u);
}

}  // namespace
}  // namespace gridlet
