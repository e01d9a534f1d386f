// The gridlet command as people use it: exit status, what goes to stdout
// and stderr, batches, prompts by policy, checks of sources and names, and
// the text encodings.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>

#include "support/calculator_sheets.h"
#include "support/cli_runner.h"
#include "support/link_file_seal.h"
#include "support/fods_book.h"

namespace gridlet {
namespace {

namespace fs = std::filesystem;
using testing::CliResult;
using testing::CodePoints;
using testing::Has;
using testing::Lines;
using testing::RunCli;
using testing::FodsBook;
using testing::FodsCell;
using testing::ScratchFolder;

// Files below the folder, without the runner's own.
std::set<std::string> FilesIn(const ScratchFolder& folder) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder.Path())) {
    const std::string name = fs::relative(entry.path(), folder.Path()).string();
    if (name != ".stdout" && name != ".stderr") files.insert(name + (entry.is_directory() ? "/" : ""));
  }
  return files;
}

// What every run of the command keeps to: messages are lines of their own
// on stderr, each once, "error:" only when the command failed.
void ExpectHonestMessages(const CliResult& result, const std::string& what) {
  std::set<std::string> seen;
  bool error = false;
  for (const std::string& line : Lines(result.err)) {
    EXPECT_EQ(line.rfind("gridlet: ", 0), 0u) << what << ": " << line;
    EXPECT_TRUE(seen.insert(line).second) << what << ": twice: " << line;
    error = error || Has(line, "gridlet: error: ");
  }
  if (result.status == 0) {
    EXPECT_FALSE(error) << what << ": an error with exit status 0\n" << result.err;
  } else if (result.status == 1) {
    EXPECT_TRUE(error || Has(result.err, "stopped")) << what << ": a failure without an error\n" << result.err;
  }
}

TEST(CliTest, HelpAndBadUsage) {
  ScratchFolder folder;
  auto help = RunCli(folder, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(Has(help.out, "convert"));
  EXPECT_TRUE(Has(help.out, "show"));

  EXPECT_EQ(RunCli(folder, "").status, 2);
  auto badType = RunCli(folder, "convert a.txt --to pdf");
  EXPECT_EQ(badType.status, 2);
  EXPECT_TRUE(Has(badType.err, "unknown target type 'pdf'"));
  EXPECT_TRUE(Has(badType.err, "Try 'gridlet convert --help'"));
  auto noTarget = RunCli(folder, "convert a.txt");
  EXPECT_EQ(noTarget.status, 2);
  EXPECT_TRUE(Has(noTarget.err, "--to")) << noTarget.err;
  EXPECT_TRUE(Has(noTarget.err, "Try 'gridlet convert --help'")) << noTarget.err;
  EXPECT_EQ(RunCli(folder, "convert a.txt --to txt --overwrite maybe").status, 2);
  EXPECT_EQ(RunCli(folder, "convert a.txt b.txt --to txt --name x").status, 2);
  // Nothing to read is no source type.
  auto fromNull = RunCli(folder, "convert a.txt --from null --to null");
  EXPECT_EQ(fromNull.status, 2);
  EXPECT_TRUE(Has(fromNull.err, "null is a target only")) << fromNull.err;
  EXPECT_FALSE(Has(fromNull.err, "model"));
  EXPECT_EQ(RunCli(folder, "show a.txt --cell 3B").status, 2);
  EXPECT_EQ(RunCli(folder, "convert a.csv --to txt --csv-separator ab").status, 2);
  EXPECT_EQ(RunCli(folder, "convert a.csv --to txt --csv-encoding latin9").status, 2);
}

TEST(CliTest, TraceIsAcceptedAnywhereOnTheLine) {
  ScratchFolder folder;
  folder.Write("in.txt", "1");
  for (const char* args : {"--trace convert in.txt --to null", "convert in.txt --trace --to null",
                           "convert in.txt --to null --trace"}) {
    auto result = RunCli(folder, args);
    EXPECT_EQ(result.status, 0) << args << "\n" << result.err;
    EXPECT_TRUE(Has(result.err, "\t after Initialise\n")) << args;
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(RunCli(folder, "convert in.txt --to null").err, "");  // silent without it
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

// A text file made on a Unix-like system ends its rows with line feeds.
TEST(CliTest, RowsEndedByLineFeedsAloneAreRows) {
  ScratchFolder folder;
  folder.Write("unix.txt", "1\t\"a\nb\"\n2\tx\n");
  auto result = RunCli(folder, "convert unix.txt --to txt --name copy");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(folder.Read("copy.txt"), "1\t\"a\nb\"\t\t\r\n2\t\"x\"\t");
  EXPECT_EQ(result.err, "");
}

TEST(CliTest, ExistingFilesAreSkippedUnlessReplacingIsAsked) {
  ScratchFolder folder;
  folder.Write("in.txt", "5");
  folder.Write("in-copy.txt", "old");
  auto skipped = RunCli(folder, "convert in.txt --to txt --name in-copy");
  EXPECT_EQ(skipped.status, 0);
  EXPECT_EQ(skipped.out, "");
  EXPECT_TRUE(Has(skipped.err, "skipped ./in-copy.txt"));
  EXPECT_EQ(folder.Read("in-copy.txt"), "old");
  ExpectHonestMessages(skipped, "skipped");

  auto replaced = RunCli(folder, "convert in.txt --to txt --name in-copy --overwrite yes");
  EXPECT_EQ(replaced.status, 0);
  EXPECT_EQ(folder.Read("in-copy.txt"), "5\t");
}

TEST(CliTest, EveryUnreadableSourceIsNamedWithItsReasonAndNothingBlocks) {
  ScratchFolder folder;
  folder.Write("a.txt", "1");
  folder.Write("c.xdy", "");
  fs::create_directory(folder.Path() / "folder.xbv");
  ASSERT_EQ(mkfifo((folder / "pipe.xbv").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/null", (folder / "device.txt").c_str()), 0);
  auto result = RunCli(folder, "convert a.txt missing.xcy folder.xbv pipe.xbv device.txt notype missing.ods --to txt -o out");
  ASSERT_NE(result.status, 124) << "the batch waited on the pipe";
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "out/a.txt\n");
  EXPECT_TRUE(Has(result.err, "missing.xcy: no such file")) << result.err;
  EXPECT_TRUE(Has(result.err, "folder.xbv: is a folder")) << result.err;
  EXPECT_TRUE(Has(result.err, "pipe.xbv: is not a regular file but a pipe")) << result.err;
  EXPECT_TRUE(Has(result.err, "device.txt: is not a regular file but a device")) << result.err;
  EXPECT_TRUE(Has(result.err, "notype: cannot tell the file's type from its name; give --from")) << result.err;
  EXPECT_TRUE(Has(result.err, "missing.ods: no such file")) << result.err;
  EXPECT_TRUE(Has(result.err, "gridlet: 7 sources: 1 converted, 0 skipped, 6 failed\n")) << result.err;
  ExpectHonestMessages(result, "unreadable sources");

  if (geteuid() != 0) {  // the superuser reads any file
    folder.Write("secret.txt", "1");
    ASSERT_EQ(chmod((folder / "secret.txt").c_str(), 0), 0);
    auto denied = RunCli(folder, "convert secret.txt --to null");
    EXPECT_EQ(denied.status, 1);
    EXPECT_TRUE(Has(denied.err, "secret.txt: permission denied")) << denied.err;
  }
}

TEST(CliTest, WarningsAreLabelledAndStrictMakesThemFailures) {
  ScratchFolder folder;
  folder.Write("in.txt", "total\t12");
  folder.Write("CLEAN.txt", "TOTAL\t12");
  // The XB Plus has no small letters: a warning names the file and the
  // cell; the file is written and the status is 0.
  auto warned = RunCli(folder, "convert in.txt --to xbv --name WARNED");
  EXPECT_EQ(warned.status, 0) << warned.err;
  EXPECT_EQ(warned.out, "./WARNED.xbv\n");
  EXPECT_NE(warned.err.find("gridlet: warning: in.txt: These texts were put in capitals"), std::string::npos)
      << warned.err;
  EXPECT_NE(warned.err.find("1 cell, A1."), std::string::npos);
  EXPECT_EQ(warned.err.find("error:"), std::string::npos) << warned.err;

  // With --strict any warning fails its file (here the capitals): nothing
  // is written for it.
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
  EXPECT_NE(checked.err.find("warning: DAMAGED.xbv: These records of the calculator sheet are damaged"),
            std::string::npos)
      << checked.err;
  EXPECT_EQ(RunCli(folder, "convert DAMAGED.xbv --to null --strict").status, 1);
  EXPECT_EQ(RunCli(folder, "convert WARNED.xbv --to null --strict").status, 0);

  auto help = RunCli(folder, "convert --help");
  EXPECT_NE(help.out.find("--strict"), std::string::npos);
}

// ------------------------------------------------------------ calculator files

class CalculatorFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("sheet.txt", "12\tAB\r\n=A1*2\t3.5\r\n");
    ASSERT_EQ(RunCli(folder_, "convert sheet.txt --to xbv --name GOOD").status, 0);
    ASSERT_EQ(RunCli(folder_, "convert sheet.txt --to xdy --name good").status, 0);
    const std::string xbv = folder_.Read("GOOD.xbv"), xdy = folder_.Read("good.xdy");
    xbv_.assign(xbv.begin(), xbv.end());
    xdy_.assign(xdy.begin(), xdy.end());
    ASSERT_EQ(RunCli(folder_, "convert GOOD.xbv --to txt --name fromxbv").status, 0);
    ASSERT_EQ(RunCli(folder_, "convert good.xdy --to txt --name fromxdy").status, 0);
  }
  void Put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    folder_.Write(name, std::string(bytes.begin(), bytes.end()));
  }
  // Every route refuses the file with an error naming it and the fault,
  // and writes nothing.
  void ExpectRefusedEverywhere(const std::string& name, const std::string& fault) {
    const std::string to = name.ends_with(".xbv") ? "xbv" : "xfy";
    for (const std::string& args : {"convert " + name + " --to txt --name out", "show " + name,
                                    "convert " + name + " --to " + to + " --name copied"}) {
      auto result = RunCli(folder_, args);
      EXPECT_EQ(result.status, 1) << args;
      EXPECT_TRUE(Has(result.err, "gridlet: error: ")) << args << "\n" << result.err;
      EXPECT_TRUE(Has(result.err, name)) << args << "\n" << result.err;
      EXPECT_TRUE(Has(result.err, fault)) << args << "\n" << result.err;
      EXPECT_FALSE(folder_.Exists("out.txt")) << args;
      EXPECT_FALSE(folder_.Exists("COPIED.xbv") || folder_.Exists("copied.xfy")) << args;
      ExpectHonestMessages(result, args);
    }
  }

  ScratchFolder folder_;
  std::vector<std::uint8_t> xbv_, xdy_;
};

TEST_F(CalculatorFileTest, DamagedFilesAreRefusedOnEveryRoute) {
  std::vector<std::uint8_t> file = xbv_;
  file[80] ^= 0x01;  // a byte of the sheet: the checksum no longer matches
  Put("sum.xbv", file);
  ExpectRefusedEverywhere("sum.xbv", "checksum");

  file = xdy_;
  file[76] ^= 0x04;  // the file size field
  Put("length.xdy", file);
  ExpectRefusedEverywhere("length.xdy", "length");

  file = xdy_;
  file[4] = 'Q';  // the signature
  Put("signature.xdy", file);
  ExpectRefusedEverywhere("signature.xdy", "not a calculator variable file");

  Put("zeros.xdy", std::vector<std::uint8_t>(400, 0));
  ExpectRefusedEverywhere("zeros.xdy", "not a calculator variable file");

  // A sound file whose variable is no sheet: the sheet's own signature.
  file = xbv_;
  file[74] ^= 0xFF;
  testing::SealLinkFile(file);
  Put("other.xbv", file);
  ExpectRefusedEverywhere("other.xbv", "not a Gridlet sheet");
  file = xdy_;
  file[file.size() - 4] = 'X';  // the type tag "GRDL" before the checksum
  testing::SealLinkFile(file);
  Put("other.xdy", file);
  ExpectRefusedEverywhere("other.xdy", "not a Gridlet sheet");
}

TEST_F(CalculatorFileTest, AFileIsReadAsWhatItIsWhateverItsName) {
  // An XB Plus file under each 68k-class extension, and an XD Plus file as
  // .xbv: each converts as what it is, with a warning naming both types.
  struct Case {
    std::string name;
    const std::vector<std::uint8_t>& bytes;
    std::string expected;  // the output of the correctly named file
    std::string says;
  };
  const Case cases[] = {
      {"xb.xdy", xbv_, folder_.Read("fromxbv.txt"), "is an XB Plus sheet file, not an XD Plus sheet file"},
      {"xb.xcy", xbv_, folder_.Read("fromxbv.txt"), "is an XB Plus sheet file, not an XC sheet file"},
      {"xb.xfy", xbv_, folder_.Read("fromxbv.txt"), "is an XB Plus sheet file, not an XF sheet file"},
      {"xd.xbv", xdy_, folder_.Read("fromxdy.txt"), "is an XD Plus sheet file, not an XB Plus sheet file"},
  };
  for (const Case& c : cases) {
    Put(c.name, c.bytes);
    auto result = RunCli(folder_, "convert " + c.name + " --to txt --name back --overwrite yes");
    EXPECT_EQ(result.status, 0) << c.name << "\n" << result.err;
    EXPECT_EQ(folder_.Read("back.txt"), c.expected) << c.name;
    EXPECT_TRUE(Has(result.err, "gridlet: warning: " + c.name + " " + c.says)) << result.err;
    ExpectHonestMessages(result, c.name);
    auto shown = RunCli(folder_, "show " + c.name);
    EXPECT_EQ(shown.status, 0) << c.name;
    EXPECT_TRUE(Has(shown.out, "AB")) << shown.out;
  }
  // A copy between the families is a conversion, not a failed copy.
  auto copy = RunCli(folder_, "convert xb.xdy --to xfy --name copied");
  EXPECT_EQ(copy.status, 0) << copy.err;
  EXPECT_TRUE(folder_.Exists("copied.xfy"));
}

TEST_F(CalculatorFileTest, AnySingleDamagedByteIsRefusedOrChangesNothing) {
  // Whatever one byte of a calculator file becomes, the file is refused
  // with an error, or it converts exactly as the sound file did (the bytes
  // that no check covers, such as the comment, mean nothing to the sheet).
  std::mt19937 random(1616);
  for (int round = 0; round < 24; ++round) {
    const bool xb = round % 2 == 0;
    std::vector<std::uint8_t> file = xb ? xbv_ : xdy_;
    const std::size_t at = random() % file.size();
    file[at] = static_cast<std::uint8_t>(file[at] ^ (1 + random() % 255));
    const std::string name = xb ? "flip.xbv" : "flip.xdy";
    Put(name, file);
    auto result = RunCli(folder_, "convert " + name + " --to txt --name flipped --overwrite yes");
    SCOPED_TRACE("byte " + std::to_string(at) + " of " + name);
    ExpectHonestMessages(result, name);
    if (result.status == 0) {
      EXPECT_EQ(folder_.Read("flipped.txt"), folder_.Read(xb ? "fromxbv.txt" : "fromxdy.txt"));
      fs::remove(folder_.Path() / "flipped.txt");
    } else {
      EXPECT_EQ(result.status, 1);
      EXPECT_TRUE(Has(result.err, name)) << result.err;
      EXPECT_FALSE(folder_.Exists("flipped.txt"));
    }
  }
}

// ------------------------------------------------------------ names and batches

TEST(CliTest, NothingIsWrittenOutsideTheOutputFolder) {
  ScratchFolder folder;
  folder.Write("in.txt", "1");
  ASSERT_EQ(RunCli(folder, "convert in.txt --to xdy --name sheet").status, 0);
  fs::create_directory(folder.Path() / "out");
  for (const std::string name : {"../escape", "sub/x", "..", "/tmp/abs"}) {
    for (const std::string args :
         {"convert in.txt --to txt", "convert sheet.xdy --to xfy", "convert in.txt --to xbv"}) {
      const std::set<std::string> before = FilesIn(folder);
      auto result = RunCli(folder, args + " -o out --overwrite yes --name " + name);
      SCOPED_TRACE(args + " --name " + name);
      EXPECT_EQ(result.status, 0) << result.err;
      for (const std::string& file : FilesIn(folder)) {
        if (before.count(file)) continue;
        EXPECT_EQ(file.rfind("out/", 0), 0u) << file;
        EXPECT_EQ(file.find('/', 4), std::string::npos) << file << " is in a subfolder";
      }
      ExpectHonestMessages(result, args);
    }
  }
  EXPECT_FALSE(fs::exists(folder.Path().parent_path() / "escape.txt"));
  EXPECT_FALSE(fs::exists("/tmp/abs.txt"));
}

TEST(CliTest, ABatchNeverOverwritesItsOwnOutput) {
  ScratchFolder folder;
  folder.Write("a.txt", "1");
  folder.Write("sub/a.txt", "2");
  folder.Write("Budget.txt", "3");
  folder.Write("budget.txt", "4");
  folder.Write("other.txt", "5");
  auto result = RunCli(folder, "convert a.txt sub/a.txt other.txt --to txt -o out");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(Has(result.err, "gridlet: error: a.txt and sub/a.txt would both be written to out/a.txt")) << result.err;
  EXPECT_FALSE(folder.Exists("out/a.txt"));  // neither: reported before anything is written
  EXPECT_EQ(result.out, "out/other.txt\n");
  EXPECT_TRUE(Has(result.err, "3 sources: 1 converted, 0 skipped, 2 failed")) << result.err;
  ExpectHonestMessages(result, "two to one");

  // Names that only the calculator's naming rules make equal.
  auto calculator = RunCli(folder, "convert Budget.txt budget.txt --to xbv -o out");
  EXPECT_EQ(calculator.status, 1);
  EXPECT_TRUE(Has(calculator.err, "Budget.txt and budget.txt would both be written to out/BUDGET.xbv"))
      << calculator.err;
  EXPECT_FALSE(folder.Exists("out/BUDGET.xbv"));

  // A conversion onto its own source.
  auto own = RunCli(folder, "convert other.txt --to txt --overwrite yes");
  EXPECT_EQ(own.status, 1);
  EXPECT_TRUE(Has(own.err, "the source itself")) << own.err;
  EXPECT_EQ(folder.Read("other.txt"), "5");
}

TEST(CliTest, RenameWarningOnlyWhenTheNameReallyChanged) {
  ScratchFolder folder;
  folder.Write("budget.txt", "1");
  auto sameLetters = RunCli(folder, "convert budget.txt --to xbv");
  EXPECT_EQ(sameLetters.status, 0);
  EXPECT_EQ(sameLetters.err, "");
  EXPECT_EQ(sameLetters.out, "./BUDGET.xbv\n");
  auto changed = RunCli(folder, "convert budget.txt --to xbv --name 'my budget 2024'");
  EXPECT_EQ(changed.status, 0);
  const std::vector<std::string> lines = Lines(changed.err);
  ASSERT_EQ(lines.size(), 1u) << changed.err;
  EXPECT_EQ(lines[0].rfind("gridlet: warning: ", 0), 0u);
  EXPECT_TRUE(Has(lines[0], "MYBUDGET.xbv")) << lines[0];
}

TEST(CliTest, OutputFolderIsMadeWhenMissing) {
  ScratchFolder folder;
  folder.Write("in.txt", "1");
  auto made = RunCli(folder, "convert in.txt --to txt -o new");
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.out, "new/in.txt\n");
  auto deep = RunCli(folder, "convert in.txt --to txt -o missing/deeper");
  EXPECT_EQ(deep.status, 2);
  EXPECT_TRUE(Has(deep.err, "its parent folder does not exist")) << deep.err;
  auto file = RunCli(folder, "convert in.txt --to txt -o in.txt");
  EXPECT_EQ(file.status, 2);
  EXPECT_TRUE(Has(file.err, "is a file, not a folder")) << file.err;
}

// ------------------------------------------------------------ text encodings

TEST(CliTest, AByteOrderMarkSelectsTheEncoding) {
  ScratchFolder folder;
  const std::string text = "caf\xC3\xA9\t\xE2\x82\xAC" "5";  // café, €5
  folder.Write("utf8.txt", "\xEF\xBB\xBF" + text);
  // The same text in UTF-16, both byte orders.
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  for (char16_t c : std::u16string(u"caf\u00e9\t\u20ac5")) {
    le += static_cast<char>(c & 0xFF);
    le += static_cast<char>(c >> 8);
    be += static_cast<char>(c >> 8);
    be += static_cast<char>(c & 0xFF);
  }
  folder.Write("utf16le.txt", le);
  folder.Write("utf16be.txt", be);
  for (const char* source : {"utf8.txt", "utf16le.txt", "utf16be.txt"}) {
    fs::remove(folder.Path() / "out.txt");
    auto result = RunCli(folder, std::string("convert ") + source + " --to txt --name out");
    EXPECT_EQ(result.status, 0) << source << result.err;
    EXPECT_EQ(folder.Read("out.txt"), "\"caf\xE9\"\t\"\x80" "5\"\t") << source;  // Windows-1252
    EXPECT_EQ(result.err, "") << source;
  }
  auto asUtf8 = RunCli(folder, "convert utf16be.txt --to txt --name back --text-encoding utf-8");
  EXPECT_EQ(asUtf8.status, 0);
  EXPECT_EQ(folder.Read("back.txt"), "\"" + text.substr(0, 5) + "\"\t\"" + text.substr(6) + "\"\t");
}

TEST(CliTest, CharactersWithoutAWindows1252FormBecomeQuestionMarksAndAreNamed) {
  ScratchFolder folder;
  folder.Write("in.txt", "ok\r\nab\xE2\x9C\x93\t\xCF\x80");  // a check mark at 2:3, pi at 2:5
  auto result = RunCli(folder, "convert in.txt --to txt --name out --text-encoding utf-8");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(folder.Read("out.txt"), "\"ok\"\t\t\r\n\"ab?\"\t\"?\"\t");
  const std::vector<std::string> lines = Lines(result.err);
  ASSERT_EQ(lines.size(), 1u) << result.err;
  EXPECT_EQ(lines[0].rfind("gridlet: warning: in.txt: 2 characters", 0), 0u) << lines[0];
  EXPECT_TRUE(Has(lines[0], "line 2, column 3 (U+2713); line 2, column 5 (U+03C0)")) << lines[0];

  folder.Write("broken.txt", "ok\r\nab\xE2\x9C");
  auto broken = RunCli(folder, "convert broken.txt --to txt --name b --text-encoding utf-8");
  EXPECT_EQ(broken.status, 1);
  EXPECT_TRUE(Has(broken.err, "broken.txt: line 2, column 3: the file is not valid UTF-8")) << broken.err;
  EXPECT_FALSE(folder.Exists("b.txt"));
}

TEST(CliTest, PathsMayHoldAnyLetters) {
  ScratchFolder folder;
  folder.Write("Βαθμοί/Σημειώσεις.txt", "1\t2");
  auto result = RunCli(folder, "convert Βαθμοί/Σημειώσεις.txt --to txt -o Βαθμοί/Έξοδος");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "Βαθμοί/Έξοδος/Σημειώσεις.txt\n");
  EXPECT_EQ(folder.Read("Βαθμοί/Έξοδος/Σημειώσεις.txt"), "1\t2\t");
  auto calculator = RunCli(folder, "convert Βαθμοί/Σημειώσεις.txt --to xdy -o Βαθμοί/Έξοδος --name grades");
  EXPECT_EQ(calculator.status, 0) << calculator.err;
  auto back = RunCli(folder, "show Βαθμοί/Έξοδος/grades.xdy");
  EXPECT_EQ(back.status, 0) << back.err;
  auto missing = RunCli(folder, "convert Βαθμοί/Λείπει.txt --to null");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(Has(missing.err, "Βαθμοί/Λείπει.txt: no such file")) << missing.err;
}

// ------------------------------------------------------------ show

TEST(CliTest, ShowPrintsTheGridOneCellOrJson) {
  ScratchFolder folder;
  folder.Write("in.txt", "Item\tCost\r\nRent\t850\r\n\t=SUM(B2:B2)");
  auto result = RunCli(folder, "show in.txt");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "tab text, 5 cells in A1:B3\n"
            "   A     B\n"
            "1  Item  Cost\n"
            "2  Rent  850\n"
            "3        =SUM(B2:B2)\n");
  auto cell = RunCli(folder, "show in.txt --cell b3");
  EXPECT_EQ(cell.out, "=SUM(B2:B2)\n");
  auto empty = RunCli(folder, "show in.txt --cell C9");
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "");
  EXPECT_TRUE(Has(empty.err, "C9 is empty"));
  auto json = RunCli(folder, "show in.txt --json");
  const nlohmann::json parsed = nlohmann::json::parse(json.out);
  EXPECT_EQ(parsed["type"], "txt");
  EXPECT_EQ(parsed["cells"].size(), 5u);
  EXPECT_EQ(parsed["cells"][4]["address"], "B3");
  EXPECT_EQ(parsed["cells"][4]["kind"], "formula");
  EXPECT_EQ(RunCli(folder, "show nothing.txt").status, 1);
  EXPECT_EQ(RunCli(folder, "show noextension").status, 2);
}

// The escapes a terminal shows for a text: control characters as \t, \n,
// \r or \xNN.
std::string Escaped(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    char escape[8];
    if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      out += escape;
    } else if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(utf8[++i]));
      out += escape;  // a C1 control
    } else {
      out += utf8[i];
    }
  }
  return out;
}

TEST(CliTest, ShowFitsAnyWidthAndSendsNoControlCharacter) {
  // Random sheets of texts with control bytes, quotes, letters and
  // Windows-1252 characters: every line fits the width, nothing raw
  // reaches the terminal, and every cell shows whole or cut with a mark,
  // and whole with --cell.
  ScratchFolder folder;
  std::mt19937 random(4041);
  const std::string alphabet = std::string("abcXYZ 019.,;!_") + "\x1b\x07\x08\x7f\x81\x9b\xe9\xfc\x80";
  for (int round = 0; round < 12; ++round) {
    std::string text;
    const int rows = 1 + static_cast<int>(random() % 6), columns = 1 + static_cast<int>(random() % 9);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        std::string field(random() % 40, ' ');
        for (char& ch : field) ch = alphabet[random() % alphabet.size()];
        text += (c ? "\t" : "") + field;
      }
      text += "\r\n";
    }
    folder.Write("sheet.txt", text);
    const std::size_t width = 20 + random() % 100;
    auto shown = RunCli(folder, "show sheet.txt --width " + std::to_string(width));
    ASSERT_EQ(shown.status, 0) << shown.err;
    const nlohmann::json sheet = nlohmann::json::parse(RunCli(folder, "show sheet.txt --json").out);
    SCOPED_TRACE("round " + std::to_string(round) + ", width " + std::to_string(width) + "\n" + shown.out);
    for (const std::string& line : Lines(shown.out)) {
      EXPECT_LE(CodePoints(line), width) << line;
      for (unsigned char c : line) EXPECT_TRUE(c >= 0x20 && c != 0x7F) << "raw byte " << int(c);
      EXPECT_FALSE(Has(line, "\xC2\x9B")) << "a raw C1 control";
    }
    for (const auto& cell : sheet["cells"]) {
      const std::string expected = Escaped(cell["text"].get<std::string>());
      // Whole (but for spaces that end a line), or a start of it followed by
      // the cut mark.
      const std::string trimmed = expected.substr(0, expected.find_last_not_of(' ') + 1);
      bool found = Has(shown.out, trimmed);
      for (std::size_t cut = expected.size(); !found && cut > 0; --cut) {
        found = Has(shown.out, expected.substr(0, cut) + "…");
      }
      EXPECT_TRUE(found || trimmed.empty()) << expected;
      if (round % 4 == 0) {
        auto one = RunCli(folder, "show sheet.txt --cell " + cell["address"].get<std::string>());
        EXPECT_EQ(one.out, expected + "\n");
      }
    }
  }
}

// ------------------------------------------------------------ workbooks

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

TEST(CliWorkbookTest, WorksheetsByAnyNameByPositionOrAllAndFailuresToldOnce) {
  if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  ScratchFolder folder;
  FodsBook book;
  book.Sheet("Data").Set(1, 1, FodsCell::Number(1));
  book.Sheet("\xce\xa3 Summe").Set(1, 1, FodsCell::Number(2));
  book.Sheet("Caf\xc3\xa9").Set(1, 1, FodsCell::Text("three"));
  folder.Write("multi.fods", book.Xml());

  auto sheets = RunCli(folder, "sheets multi.fods");
  EXPECT_EQ(sheets.status, 0) << sheets.err;
  EXPECT_EQ(sheets.out, "Data\n\xce\xa3 Summe\nCaf\xc3\xa9\n");

  // Every worksheet, one output each, NAME-SHEET.
  auto all = RunCli(folder, "convert multi.fods --to txt --sheet all --name m");
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out, "./m-Data.txt\n./m-\xce\xa3 Summe.txt\n./m-Caf\xc3\xa9.txt\n");
  EXPECT_EQ(folder.Read("m-\xce\xa3 Summe.txt"), "2\t");

  // One worksheet by its name in any script, or by its position.
  auto byName = RunCli(folder, "convert multi.fods --to csv --sheet '\xce\xa3 Summe' --name sigma");
  EXPECT_EQ(byName.status, 0) << byName.err;
  EXPECT_EQ(folder.Read("sigma.csv"), "2\n");

  // A worksheet that is not there: one error, which lists those there are.
  auto missing = RunCli(folder, "convert multi.fods --to txt --sheet Nope");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("its worksheets are: #1 \"Data\", #2 \"? Summe\", #3 \"Caf\xc3\xa9\""),
            std::string::npos)
      << missing.err;
  EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
  EXPECT_EQ(missing.err.find("too short"), std::string::npos);

  // A workbook that cannot replace what is there is a failure, not a path.
  std::filesystem::create_directories(folder.Path() / "taken.xls");
  auto taken = RunCli(folder, "convert multi.fods --to xls --name taken --overwrite yes");
  EXPECT_EQ(taken.status, 1);
  EXPECT_EQ(taken.out, "");
  EXPECT_NE(taken.err.find("error:"), std::string::npos);
  EXPECT_NE(taken.err.find("taken.xls could not be written"), std::string::npos) << taken.err;
  auto missingBook = RunCli(folder, "sheets nothere.xls");
  EXPECT_EQ(missingBook.status, 1);
  EXPECT_TRUE(Has(missingBook.err, "nothere.xls: no such file")) << missingBook.err;
}

}  // namespace
}  // namespace gridlet
