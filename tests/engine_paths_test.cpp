// Paths through the engine: any name the file system takes comes back as
// it went in, and Windows-1252 names travel as they are.
#include "platform/engine_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "encoding/cp1252.h"
#include "platform/terminal_text.h"

namespace gridlet {
namespace {

TEST(EnginePathTest, EveryPathComesBackAsItWentIn) {
  const std::vector<std::string> pieces = {"a", "/", ".", "Z9", "\xC3\xA9", "\xCE\xB2", "\xE2\x82\xAC",
                                           "\xC2\x81", "\xF0\x9F\x98\x80", "\x81", "\xFF", "\xE2\x82",
                                           "\xED\xA0\x80", ";", "81;", "\xC2\x81" "3B2;"};
  std::mt19937 random(81);
  for (int round = 0; round < 5000; ++round) {
    std::string path;
    for (int i = static_cast<int>(random() % 10); i > 0; --i) path += pieces[random() % pieces.size()];
    const std::string engine = ToEnginePath(path);
    EXPECT_EQ(FromEnginePath(engine), path);
    // Separators stay where they were, so the engine can join paths.
    EXPECT_EQ(std::count(engine.begin(), engine.end(), '/'), std::count(path.begin(), path.end(), '/'));
    EXPECT_EQ(engine.find('\0'), std::string::npos);
    // A name that Windows-1252 holds is held as Windows-1252.
    const Cp1252Conversion strict = Utf8ToCp1252(path);
    if (strict.ok() && strict.text.find('\x81') == std::string::npos) {
      EXPECT_EQ(engine, strict.text);
    }
  }
}

TEST(TerminalTextTest, NothingAControlSequenceNeedsReachesTheTerminal) {
  // Random bytes and characters, control characters and direction
  // overrides among them: what is printed holds no control character, and
  // without UTF-8 nothing beyond ASCII.
  std::mt19937 random(27);
  const std::vector<std::string> pieces = {"a", " ", "\x1b", "\x07", "\x7f", "\xC2\x9B", "\xE2\x80\xAE",
                                           "\xE2\x81\xA6", "\xCF\x80", "\xE2\x89\xA4", "\xFF", "\xC3",
                                           "\t", "\n", "\r", "\xEF\xBB\xBF", "\xE4\xB8\xAD"};
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    for (int i = static_cast<int>(random() % 12); i > 0; --i) text += pieces[random() % pieces.size()];
    for (bool utf8 : {true, false}) {
      const std::string safe = TerminalSafe(text, utf8);
      for (std::size_t i = 0; i < safe.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(safe[i]);
        ASSERT_TRUE(c >= 0x20 && c != 0x7F) << "raw byte " << int(c) << " from " << text;
        if (!utf8) {
          ASSERT_LT(c, 0x80) << text;
        }
      }
      EXPECT_EQ(safe.find("\xC2\x9B"), std::string::npos);
      EXPECT_EQ(safe.find("\xE2\x80\xAE"), std::string::npos);
      EXPECT_EQ(safe.find("\xE2\x81\xA6"), std::string::npos);
      EXPECT_EQ(safe.find("\xEF\xBB\xBF"), std::string::npos);
      // Pieces are the same text, one per character.
      std::string joined;
      for (const std::string& piece : TerminalSafePieces(text, utf8)) joined += piece;
      EXPECT_EQ(joined, safe);
    }
  }
  EXPECT_EQ(TerminalSafe("x\xCF\x80\xE2\x89\xA4y", false), "x_pi__<=_y");
  EXPECT_EQ(TerminalSafe("\x1b[2J", true), "\\x1b[2J");
  EXPECT_EQ(DisplayWidth("\xE4\xB8\xAD" "a\xCC\x81"), 3u);  // a wide character, a with a combining accent
}

}  // namespace
}  // namespace gridlet
