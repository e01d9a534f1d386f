// Tab text whose rows end with a line feed alone reads row by row, and text
// with carriage returns, or with line feeds only inside quoted fields, reads
// as it stands.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "encoding/line_feed_rows.h"

namespace gridlet {
namespace {

// Fields as tab text writes them and as people type them: numbers,
// formulas, quoted texts holding line breaks, tabs' neighbours and quotes
// (doubled inside quoted texts, anywhere in unquoted ones).
std::string RandomField(std::mt19937& random) {
  static const std::vector<std::string> kFields{
      "",           "12",          "-3.5",        "=SUM(A1:A3)",       "=IF(A1>2,\"x\",0)", "word",
      "two words",  "5\" screen",  "\"q\"",       "\"\"",              "\"a\nb\"",          "\"\n\"",
      "\"say \"\"hi\"\"\"",        "\"\"\"\n\"\"\"", "\"x\n\ny\"",     "\xE9t\xE9",         " "};
  return kFields[random() % kFields.size()];
}

// A sheet of random rows, each row ended by `rowEnd`.
std::string RandomSheet(std::mt19937& random, const std::string& rowEnd) {
  std::string text;
  const int rows = 1 + static_cast<int>(random() % 6);
  for (int r = 0; r < rows; ++r) {
    const int fields = static_cast<int>(random() % 5);
    for (int f = 0; f < fields; ++f) text += RandomField(random) + (f + 1 < fields ? "\t" : "");
    if (r + 1 < rows || random() % 2) text += rowEnd;
  }
  return text;
}

std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(LineFeedRowsTest, RowsEndedByLineFeedsReadAsTheSameRowsEndedByCarriageReturns) {
  std::mt19937 random(20261211);
  int changed = 0;
  for (int i = 0; i < 5000; ++i) {
    const std::uint32_t seed = random();
    std::mt19937 windows(seed), unix(seed);
    const std::string withCrLf = RandomSheet(windows, "\r\n");
    const std::string withLf = RandomSheet(unix, "\n");
    // Text with a carriage return anywhere reads as it stands.
    EXPECT_FALSE(WithCarriageReturnRowEnds(withCrLf)) << withCrLf;
    const auto mended = WithCarriageReturnRowEnds(withLf);
    if (withCrLf == withLf) {
      // No row end: the line feeds left are all inside quoted texts.
      EXPECT_FALSE(mended) << withLf;
      continue;
    }
    ASSERT_TRUE(mended) << withLf;
    EXPECT_EQ(Text(*mended), withCrLf);
    ++changed;
  }
  EXPECT_GT(changed, 3000);
}

TEST(LineFeedRowsTest, LineFeedsOutsideQuotedFieldsAreRowEndsOnlyWithoutCarriageReturns) {
  // The line feed of a field that does not open with a quote ends its row.
  EXPECT_EQ(Text(*WithCarriageReturnRowEnds("a\nb\tc")), "a\r\nb\tc");
  EXPECT_EQ(Text(*WithCarriageReturnRowEnds("5\" x\ny")), "5\" x\r\ny");
  // A quoted field closed by its quote ends its row at the line feed after it.
  EXPECT_EQ(Text(*WithCarriageReturnRowEnds("\"a\"\n\"b\"")), "\"a\"\r\n\"b\"");
  // A field whose quote is never closed holds its line feeds up to its tab.
  EXPECT_FALSE(WithCarriageReturnRowEnds("\"a\nb\t"));
  EXPECT_EQ(Text(*WithCarriageReturnRowEnds("\"a\nb\tc\nd")), "\"a\nb\tc\r\nd");
  // One carriage return anywhere: every line feed is part of its field.
  EXPECT_FALSE(WithCarriageReturnRowEnds("a\nb\tc\r\nd\n"));
  EXPECT_FALSE(WithCarriageReturnRowEnds(""));
  EXPECT_FALSE(WithCarriageReturnRowEnds("abc"));
}

}  // namespace
}  // namespace gridlet
