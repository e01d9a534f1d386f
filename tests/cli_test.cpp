// The gridlet command as people use it: exit status, what goes to stdout
// and stderr, batches, prompts by policy and the text encodings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "support/calculator_sheets.h"
#include "support/cli_runner.h"

namespace gridlet {
namespace {

using testing::RunCli;
using testing::ScratchFolder;

TEST(CliTest, HelpAndBadUsage) {
  ScratchFolder folder;
  auto help = RunCli(folder, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("convert"), std::string::npos);
  EXPECT_NE(help.out.find("show"), std::string::npos);

  EXPECT_EQ(RunCli(folder, "").status, 2);
  auto badType = RunCli(folder, "convert a.txt --to pdf");
  EXPECT_EQ(badType.status, 2);
  EXPECT_NE(badType.err.find("unknown target type 'pdf'"), std::string::npos);
  EXPECT_EQ(RunCli(folder, "convert a.txt --to txt --overwrite maybe").status, 2);
  EXPECT_EQ(RunCli(folder, "convert a.txt b.txt --to txt --name x").status, 2);
  auto noFolder = RunCli(folder, "convert a.txt --to txt -o missing");
  EXPECT_EQ(noFolder.status, 2);
  EXPECT_NE(noFolder.err.find("does not exist"), std::string::npos);
}

TEST(CliTest, ConvertsTextAndPrintsTheFileWritten) {
  ScratchFolder folder;
  folder.Write("in.txt", "1\t=A1+1\r\n2");
  folder.Write("out/.keep", "");
  auto result = RunCli(folder, "convert in.txt --to txt --name copy -o out");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "out/copy.txt\n");
  EXPECT_EQ(folder.Read("out/copy.txt"), "1\t=A1+1\t\t\r\n2\t");
  EXPECT_EQ(result.err, "");  // the engine's traces stay silent
}

TEST(CliTest, ExistingFilesAreSkippedUnlessReplacingIsAsked) {
  ScratchFolder folder;
  folder.Write("in.txt", "5");
  folder.Write("in-copy.txt", "old");
  auto skipped = RunCli(folder, "convert in.txt --to txt --name in-copy");
  EXPECT_EQ(skipped.status, 0);
  EXPECT_EQ(skipped.out, "");
  EXPECT_NE(skipped.err.find("skipped"), std::string::npos);
  EXPECT_EQ(folder.Read("in-copy.txt"), "old");

  auto replaced = RunCli(folder, "convert in.txt --to txt --name in-copy --overwrite yes");
  EXPECT_EQ(replaced.status, 0);
  EXPECT_EQ(folder.Read("in-copy.txt"), "5\t");
}

TEST(CliTest, BatchGoesOnAfterAFailureAndReportsIt) {
  ScratchFolder folder;
  folder.Write("a.txt", "1");
  folder.Write("c.txt", "3");
  folder.Write("out/.keep", "");
  auto result = RunCli(folder, "convert a.txt missing.txt c.txt notype --to txt -o out/");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "out/a.txt\nout/c.txt\n");
  EXPECT_NE(result.err.find("could not be opened"), std::string::npos);
  EXPECT_NE(result.err.find("notype: cannot tell the file's type"), std::string::npos);
}

TEST(CliTest, WarningsAreLabelledAndStrictMakesThemFailures) {
  ScratchFolder folder;
  folder.Write("in.txt", "total\t12");
  folder.Write("CLEAN.txt", "TOTAL\t12");
  // The XB Plus has no small letters: a warning names the cell; the file
  // is written and the status is 0.
  auto warned = RunCli(folder, "convert in.txt --to xbv --name WARNED");
  EXPECT_EQ(warned.status, 0) << warned.err;
  EXPECT_EQ(warned.out, "./WARNED.xbv\n");
  EXPECT_NE(warned.err.find("gridlet: warning: These texts were put in capitals"), std::string::npos)
      << warned.err;
  EXPECT_NE(warned.err.find("1 cell, A1."), std::string::npos);
  EXPECT_EQ(warned.err.find("error:"), std::string::npos) << warned.err;

  // With --strict any warning fails its file (here the capitals, and the
  // name "in" that the calculator takes as IN): nothing is written for it.
  auto strict = RunCli(folder, "convert in.txt CLEAN.txt --to xbv --strict --overwrite yes");
  EXPECT_EQ(strict.status, 1);
  EXPECT_EQ(strict.out, "./CLEAN.xbv\n");
  EXPECT_FALSE(folder.Exists("IN.xbv"));
  EXPECT_NE(strict.err.find("gridlet: error: "), std::string::npos);
  EXPECT_NE(strict.err.find("--strict"), std::string::npos);

  // Reading without a target (a check) fails on a warning too: here a
  // damaged record at row 0.
  folder.Write("DAMAGED.xbv", testing::XbPlusFile("DAMAGED", {{{0, 1}, 0, std::string(9, '\0')},
                                                               {{1, 1}, 1, "\x2A" "A"}}));
  auto checked = RunCli(folder, "convert DAMAGED.xbv --to null");
  EXPECT_EQ(checked.status, 0);
  EXPECT_NE(checked.err.find("warning: These records of the calculator sheet are damaged"), std::string::npos)
      << checked.err;
  EXPECT_EQ(RunCli(folder, "convert DAMAGED.xbv --to null --strict").status, 1);
  EXPECT_EQ(RunCli(folder, "convert WARNED.xbv --to null --strict").status, 0);

  auto help = RunCli(folder, "convert --help");
  EXPECT_NE(help.out.find("--strict"), std::string::npos);
}

TEST(CliTest, EmptySourceIsTooShort) {
  ScratchFolder folder;
  folder.Write("empty.txt", "");
  auto result = RunCli(folder, "convert empty.txt --to txt --name e");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("too short"), std::string::npos);
  EXPECT_FALSE(folder.Exists("e.txt"));
}

TEST(CliTest, Utf8TextIsTranscodedBothWays) {
  ScratchFolder folder;
  folder.Write("in.txt", "\xEF\xBB\xBF" "caf\xC3\xA9\t\xE2\x82\xAC" "5");  // BOM, café, €5
  auto result = RunCli(folder, "convert in.txt --to txt --name out --text-encoding utf-8");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(folder.Read("out.txt"), "\"caf\xC3\xA9\"\t\"\xE2\x82\xAC" "5\"\t");
  auto plain = RunCli(folder, "convert in.txt --to txt --name raw --overwrite yes");
  EXPECT_EQ(plain.status, 0);
  EXPECT_NE(folder.Read("raw.txt").find("\xEF\xBB\xBF"), std::string::npos);  // bytes as they are

  folder.Write("bad.txt", "ok\r\nab\xE2\x9C\x93");  // a check mark on line 2, column 3
  auto bad = RunCli(folder, "convert bad.txt --to txt --name b --text-encoding utf-8");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("bad.txt:2:3"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("U+2713"), std::string::npos);
  EXPECT_FALSE(folder.Exists("b.txt"));
}

TEST(CliTest, ShowPrintsTheGrid) {
  ScratchFolder folder;
  folder.Write("in.txt", "Item\tCost\r\nRent\t850\r\n\t=SUM(B2:B2)");
  auto result = RunCli(folder, "show in.txt");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "   A     B\n"
            "1  Item  Cost\n"
            "2  Rent  850\n"
            "3        =SUM(B2:B2)\n");
  EXPECT_EQ(RunCli(folder, "show nothing.txt").status, 1);
  EXPECT_EQ(RunCli(folder, "show noextension").status, 2);
}

TEST(CliTest, TraceFlagShowsTheEngineTraces) {
  ScratchFolder folder;
  folder.Write("in.txt", "1");
  auto result = RunCli(folder, "--trace convert in.txt --to null");
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.err.find("\t after Initialise\n"), std::string::npos);
  EXPECT_EQ(result.out, "");
}

bool HaveLibreOffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

TEST(CliWorkbookTest, FormulasSurviveWorkbookToCalculatorAndBack) {
  if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  ScratchFolder folder;
  folder.Write("in.txt", "Rent\t850\r\nFood\t=B1*2\r\nTotal\t=SUM(B1:B2)");
  ASSERT_EQ(RunCli(folder, "convert in.txt --to xls --name book").status, 0);
  auto sheets = RunCli(folder, "sheets book.xls");
  EXPECT_EQ(sheets.status, 0) << sheets.err;
  EXPECT_EQ(std::count(sheets.out.begin(), sheets.out.end(), '\n'), 1);

  auto toCalculator = RunCli(folder, "convert book.xls --to xbv --name BOOK");
  ASSERT_EQ(toCalculator.status, 0) << toCalculator.err;
  EXPECT_EQ(toCalculator.out, "./BOOK.xbv\n");
  ASSERT_EQ(RunCli(folder, "convert BOOK.xbv --to xls --name back").status, 0);
  ASSERT_EQ(RunCli(folder, "convert back.xls --to txt --name back").status, 0);
  EXPECT_EQ(folder.Read("back.txt"), "\"RENT\"\t850\t\t\r\n\"FOOD\"\t=B1*2\t\t\r\n\"TOTAL\"\t=SUM(B1:B2)\t");
}

TEST(CliWorkbookTest, MissingWorksheetAndMissingWorkbook) {
  if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  ScratchFolder folder;
  folder.Write("in.txt", "1");
  ASSERT_EQ(RunCli(folder, "convert in.txt --to xls --name book").status, 0);
  auto missingSheet = RunCli(folder, "convert book.xls --to txt --sheet Nope");
  EXPECT_EQ(missingSheet.status, 1);
  EXPECT_NE(missingSheet.err.find("too short"), std::string::npos) << missingSheet.err;
  EXPECT_FALSE(folder.Exists("book.txt"));
  EXPECT_EQ(RunCli(folder, "sheets nothere.xls").status, 1);
}

}  // namespace
}  // namespace gridlet
