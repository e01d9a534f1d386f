// The gridlet command on a terminal: the overwrite prompt and its five
// answers, the grid that fits the terminal's width, and what a terminal
// that does not take UTF-8 is shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/pty_runner.h"

namespace gridlet {
namespace {

using testing::CodePoints;
using testing::Has;
using testing::Lines;
using testing::PtyResult;
using testing::PtyRun;
using testing::RunOnPty;
using testing::ScratchFolder;

constexpr const char* kPrompt = "Replace it? [y]es, [n]o, [a]ll, n[o]ne, [c]ancel: ";

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(CliTerminalTest, ThePromptOffersYesNoAllNoneAndCancel) {
  // Three sources whose outputs exist; each case answers the prompts it
  // is shown, and "all" and "none" answer every later one.
  struct Case {
    std::vector<std::string> answers;
    std::string a, b, c;  // what the outputs hold afterwards: "old" or the new text
    int status;
    std::string summary;
  };
  const Case cases[] = {
      {{"n", "all"}, "old", "new", "new", 0, "3 sources: 2 converted, 1 skipped, 0 failed\n"},
      {{"yes", "o"}, "new", "old", "old", 0, "3 sources: 1 converted, 2 skipped, 0 failed\n"},
      {{"maybe", "none"}, "old", "old", "old", 0, "3 sources: 0 converted, 3 skipped, 0 failed\n"},
      {{"y", "c"}, "new", "old", "old", 1, "3 sources: 1 converted, 0 skipped, 0 failed, 2 cancelled\n"},
  };
  for (const Case& c : cases) {
    ScratchFolder folder;
    for (const char* name : {"a", "b", "c"}) {
      folder.Write(std::string(name) + ".txt", std::string("new ") + name);
      folder.Write(std::string("out/") + name + ".txt", "old");
    }
    PtyRun run;
    run.args = "convert a.txt b.txt c.txt --to txt -o out";
    for (const std::string& answer : c.answers) run.answers.emplace_back(kPrompt, answer);
    const PtyResult result = RunOnPty(folder, run);
    SCOPED_TRACE(c.answers[0] + ", " + c.answers[1] + "\n" + result.output);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.status, c.status);
    // Every answer was asked for, and no more: an answer it does not know
    // is asked again.
    EXPECT_EQ(Count(result.output, kPrompt), c.answers.size());
    const std::string expected[] = {c.a, c.b, c.c};
    const char* names[] = {"a", "b", "c"};
    for (int i = 0; i < 3; ++i) {
      const std::string fresh = "\"new " + std::string(names[i]) + "\"\t";
      EXPECT_EQ(folder.Read("out/" + std::string(names[i]) + ".txt"), expected[i] == "old" ? "old" : fresh);
    }
    EXPECT_TRUE(Has(result.output, "gridlet: " + c.summary));
    if (c.status == 1) {
      EXPECT_TRUE(Has(result.output, "gridlet: conversion stopped; 2 of 3 sources not converted"));
    }
  }
}

TEST(CliTerminalTest, ShowFitsTheTerminalAndEscapesControlCharacters) {
  ScratchFolder folder;
  // An escape sequence that would retitle the terminal and clear it, a
  // long text, calculator characters, and more columns than fit.
  std::string row1 = "T\x1b]0;pwned\x07\x1b[2J";
  std::string row2 = std::string(200, 'x');
  folder.Write("sheet.txt", row1 + "\t=_pi_*2\tX_<=_Y\tCOS_^-1_(1)\t\xC5ngstr\xF6m\tlast column\r\n" + row2 +
                                "\t1\t2\t3\t4\t5\r\n");
  PtyRun run;
  run.args = "show sheet.txt";
  run.columns = 40;
  PtyResult result = RunOnPty(folder, run);
  ASSERT_FALSE(result.timedOut);
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(result.output.find('\x1b'), std::string::npos) << "an escape reached the terminal";
  EXPECT_EQ(result.output.find('\x07'), std::string::npos);
  EXPECT_TRUE(Has(result.output, "T\\x1b]0;pwned\\x07\\x1b[2J")) << result.output;
  for (const char* shown : {"=π*2", "X≤Y", "COS⁻¹(1)", "Ångström"}) {
    EXPECT_TRUE(Has(result.output, shown)) << shown << "\n" << result.output;
  }
  EXPECT_TRUE(Has(result.output, "xxxxxxxx…")) << result.output;  // the long text, cut and marked
  EXPECT_TRUE(Has(result.output, "last col")) << result.output;   // in a further block
  for (const std::string& line : Lines(result.output)) {
    EXPECT_LE(CodePoints(line), 40u) << line;
  }

  // One cell whole.
  run.args = "show sheet.txt --cell a2";
  result = RunOnPty(folder, run);
  EXPECT_EQ(result.output, row2 + "\n");
}

TEST(CliTerminalTest, ATerminalWithoutUtf8IsShownEscapes) {
  ScratchFolder folder;
  folder.Write("sheet.txt", "=_pi_*2\tX_<=_Y\t" + std::string(60, 'y') + "\r\n");
  PtyRun run;
  run.args = "show sheet.txt";
  run.locale = "C";
  run.columns = 50;
  const PtyResult result = RunOnPty(folder, run);
  ASSERT_FALSE(result.timedOut);
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_TRUE(Has(result.output, "=_pi_*2")) << result.output;
  EXPECT_TRUE(Has(result.output, "X_<=_Y")) << result.output;
  EXPECT_TRUE(Has(result.output, "yyy~")) << result.output;
  for (unsigned char c : result.output) EXPECT_LT(c, 0x80) << result.output;
}

TEST(CliTerminalTest, MessagesAreOneLabelledLineEach) {
  ScratchFolder folder;
  folder.Write("a.txt", "1");
  PtyRun run;
  run.args = "convert a.txt missing.txt --to xbv -o out";
  const PtyResult result = RunOnPty(folder, run);
  ASSERT_FALSE(result.timedOut);
  EXPECT_EQ(result.status, 1);
  // The progress line is cleared before each message, which then has a
  // line of its own.
  EXPECT_EQ(Count(result.output, "gridlet: error: "), 1u) << result.output;
  EXPECT_TRUE(Has(result.output, "\r\x1b[Kgridlet: error: ")) << result.output;
  EXPECT_TRUE(Has(result.output, "missing.txt: no such file")) << result.output;
  EXPECT_TRUE(Has(result.output, "out/A.xbv")) << result.output;
}

}  // namespace
}  // namespace gridlet
