// The gridlet command on a terminal: the overwrite prompt and its five
// answers, the grid that fits the terminal's width, and what a terminal
// that does not take UTF-8 is shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/pty_runner.h"

namespace gridlet {
namespace {

using testing::PtyResult;
using testing::PtyRun;
using testing::RunOnPty;
using testing::ScratchFolder;

constexpr const char* kPrompt = "Replace it? [y]es, [n]o, [a]ll, n[o]ne, [c]ancel: ";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Three sources whose outputs exist already.
void ThreeExistingOutputs(const ScratchFolder& folder) {
  for (const char* name : {"a", "b", "c"}) {
    folder.Write(std::string(name) + ".txt", std::string("new ") + name);
    folder.Write(std::string("out/") + name + ".txt", "old");
  }
}

TEST(CliTerminalTest, NoThenAllReplacesTheRestWithoutAsking) {
  ScratchFolder folder;
  ThreeExistingOutputs(folder);
  PtyRun run;
  run.args = "convert a.txt b.txt c.txt --to txt -o out";
  run.answers = {{kPrompt, "n"}, {kPrompt, "all"}};
  const PtyResult result = RunOnPty(folder, run);
  ASSERT_FALSE(result.timedOut) << result.output;
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(Count(result.output, kPrompt), 2u) << result.output;
  EXPECT_EQ(folder.Read("out/a.txt"), "old");
  EXPECT_EQ(folder.Read("out/b.txt"), "\"new b\"\t");
  EXPECT_EQ(folder.Read("out/c.txt"), "\"new c\"\t");
  EXPECT_TRUE(Has(result.output, "gridlet: replacing out/c.txt")) << result.output;
  EXPECT_TRUE(Has(result.output, "gridlet: 3 sources: 2 converted, 1 skipped, 0 failed\n")) << result.output;
}

TEST(CliTerminalTest, NoneSkipsTheRestAndCancelStops) {
  ScratchFolder folder;
  ThreeExistingOutputs(folder);
  PtyRun none;
  none.args = "convert a.txt b.txt c.txt --to txt -o out";
  none.answers = {{kPrompt, "yes"}, {kPrompt, "o"}};
  PtyResult result = RunOnPty(folder, none);
  ASSERT_FALSE(result.timedOut) << result.output;
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(Count(result.output, kPrompt), 2u) << result.output;
  EXPECT_EQ(folder.Read("out/a.txt"), "\"new a\"\t");
  EXPECT_EQ(folder.Read("out/b.txt"), "old");
  EXPECT_EQ(folder.Read("out/c.txt"), "old");
  EXPECT_TRUE(Has(result.output, "1 converted, 2 skipped, 0 failed")) << result.output;

  PtyRun cancel;
  cancel.args = "convert b.txt c.txt --to txt -o out";
  cancel.answers = {{kPrompt, "maybe"}, {kPrompt, "c"}};  // an answer it does not know is asked again
  result = RunOnPty(folder, cancel);
  ASSERT_FALSE(result.timedOut) << result.output;
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(Count(result.output, kPrompt), 2u) << result.output;
  EXPECT_EQ(folder.Read("out/b.txt"), "old");
  EXPECT_EQ(folder.Read("out/c.txt"), "old");
  EXPECT_TRUE(Has(result.output, "gridlet: conversion stopped; 2 of 2 sources not converted")) << result.output;
  EXPECT_TRUE(Has(result.output, "2 cancelled")) << result.output;
}

// The lines the terminal showed after the command line's echo.
std::vector<std::string> ShownLines(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::size_t CodePoints(const std::string& utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
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
  for (const std::string& line : ShownLines(result.output)) {
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
