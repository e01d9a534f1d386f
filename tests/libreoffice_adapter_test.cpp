// The LibreOffice adapter: its line protocol and text clean-up, and the
// three workbook exchanges against the real LibreOffice, with workbooks the
// tests make themselves. The tests that need LibreOffice are skipped when
// it is not installed.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bridge/automation_objects.h"
#include "bridge/workbook_exchange.h"
#include "model/com_error.h"
#include "model/trace.h"
#include "platform/libreoffice_helper_script.h"
#include "platform/libreoffice_launcher.h"
#include "platform/libreoffice_protocol.h"
#include "platform/reusing_launcher.h"
#include "platform/scripted_message_boxes.h"
#include "server/user_messages.h"
#include "support/office_processes.h"
#include "support/recording_error_texts.h"
#include "support/in_memory_file_system.h"

namespace gridlet {
namespace {

namespace fs = std::filesystem;

TEST(LibreOfficeProtocolTest, FieldsSurviveEscaping) {
  const std::vector<std::string> fields = {"open", "a\tb", "line\nbreak\r", "back\\slash", "", "Caf\xc3\xa9"};
  const std::string line = EncodeFields(fields);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 5);
  EXPECT_EQ(DecodeFields(line), fields);
}

TEST(LibreOfficeProtocolTest, DecodesEdgeCases) {
  EXPECT_EQ(DecodeFields(""), std::vector<std::string>{""});
  EXPECT_EQ(DecodeFields("ok\t"), (std::vector<std::string>{"ok", ""}));
  EXPECT_EQ(DecodeFields("a\\qb"), std::vector<std::string>{"aqb"});  // unknown escape
  EXPECT_EQ(DecodeFields("end\\"), std::vector<std::string>{"end\\"});  // lone backslash at the end
}

// The helper tells an office that went away in the middle of a call (so
// that the request is retried elsewhere) from a file the office refused,
// however the UNO bridge words it.
TEST(LibreOfficeHelperTest, ABridgeDisposedInACallMeansTheOfficeIsGone) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  const fs::path folder = fs::temp_directory_path() / ("gridlet-helper-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "helper.py") << LibreOfficeHelperScript();
  // The UNO modules are stood in for: only the helper's own judgement is
  // looked at.
  std::ofstream(folder / "check.py") << R"PY(import runpy, sys, types
class Base: pass
class XInteractionHandler2: pass
class PropertyValue: pass
for name, names in [("uno", {}), ("unohelper", {"Base": Base}), ("com", {}), ("com.sun", {}),
                    ("com.sun.star", {}), ("com.sun.star.beans", {"PropertyValue": PropertyValue}),
                    ("com.sun.star.task", {"XInteractionHandler2": XInteractionHandler2})]:
    module = types.ModuleType(name)
    module.__dict__.update(names)
    sys.modules[name] = module
helper = runpy.run_path(sys.argv[1], run_name="helper")
class DisposedException(Exception): pass
class RuntimeException(Exception):
    def __init__(self, text):
        super().__init__(text)
        self.Message = text
class IOException(RuntimeException): pass
cases = [
    (DisposedException("Binary URP bridge already disposed"), True),
    (RuntimeException("Binary URP bridge disposed during call at ./binaryurp/source/bridge.cxx:615"), True),
    (RuntimeException("the document could not be loaded"), False),
    (IOException("bridge disposed"), False),
    (ValueError("unknown request"), False),
]
wrong = [repr(error) for error, gone in cases if helper["office_gone"](error) != gone]
print(wrong)
sys.exit(1 if wrong else 0)
)PY";
  const std::string command = "python3 '" + (folder / "check.py").string() + "' '" + (folder / "helper.py").string() +
                              "' > '" + (folder / "out.txt").string() + "' 2>&1";
  const int status = std::system(command.c_str());
  std::stringstream out;
  out << std::ifstream(folder / "out.txt").rdbuf();
  EXPECT_EQ(status, 0) << out.str();
  fs::remove_all(folder);
}

// A folder of its own for each test, which is also where the adapter makes
// its private folders (through TMPDIR), so that what is left behind shows.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "gridlet-lotest-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    const char* old = std::getenv("TMPDIR");
    if (old) oldTmpdir_ = old;
    hadTmpdir_ = old != nullptr;
    ::setenv("TMPDIR", path_.c_str(), 1);
  }
  ~ScratchFolder() {
    if (hadTmpdir_) {
      ::setenv("TMPDIR", oldTmpdir_.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
  std::string oldTmpdir_;
  bool hadTmpdir_ = false;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::vector<std::string> PrivateFoldersIn(const fs::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("gridlet-lo-", 0) == 0) found.push_back(entry.path().string());
  }
  return found;
}

// The temporary folders soffice makes for itself ("lu" + letters + ".tmp")
// in the system's temporary folder.
std::set<std::string> OfficeTemporaryFolders() {
  std::set<std::string> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path(), error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("lu", 0) == 0 && name.ends_with(".tmp")) found.insert(entry.path().string());
  }
  return found;
}


using testing::Described;
using testing::PipeSockets;
using testing::ProcessesUsing;
using testing::RecordingErrorTexts;
using testing::StalePipeSockets;

bool LibreOfficeInstalled() {
  const char* path = std::getenv("PATH");
  const std::string searchPath = path ? path : "";
  return FindExecutable("soffice", searchPath) || FindExecutable("libreoffice", searchPath);
}

class LibreOfficeAdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousSink_ = SetTraceSink(nullptr);
    pipesBefore_ = PipeSockets();
    officeFoldersBefore_ = OfficeTemporaryFolders();
    if (!LibreOfficeInstalled()) {
      GTEST_SKIP() << "LibreOffice is not installed (apt-get install libreoffice-calc-nogui python3-uno)";
    }
  }
  void TearDown() override { SetTraceSink(previousSink_); }

  fs::path At(const std::string& name) const { return scratch.Path() / name; }

  // A workbook made from tab text through the adapter itself.
  fs::path MakeWorkbook(const std::string& name, const std::string& text) {
    const fs::path source = At(name + ".txt");
    const fs::path workbook = At(name + ".xls");
    WriteFile(source, text);
    EXPECT_EQ(TextFileToWorkbook(launcher, messages, source.c_str(), workbook.c_str()), 0);
    EXPECT_TRUE(fs::exists(workbook));
    return workbook;
  }

  // The text of one worksheet, exported into a file that exists beforehand
  // and is empty, as the driver's temporary files are.
  std::string Export(const fs::path& workbook, const std::string& sheet, long* result = nullptr) {
    const fs::path text = At("export.tmp");
    WriteFile(text, "");
    const long r = WorkbookToTextFile(launcher, messages, workbook.c_str(), text.c_str(), sheet.c_str());
    if (result) *result = r;
    return ReadFile(text);
  }

  // No private folder, no process and no stale pipe socket of the
  // instances this test started, once the kept instance has been quit.
  void ExpectNothingLeftBehind() {
    reusing_.reset();
    EXPECT_EQ(PrivateFoldersIn(scratch.Path()), std::vector<std::string>{});
    EXPECT_EQ(Described(ProcessesUsing(scratch.Path())), std::vector<std::string>{});
    EXPECT_EQ(StalePipeSockets(pipesBefore_), std::vector<std::string>{});
    // soffice keeps its own temporary files in the instance's folder.
    std::vector<std::string> strays;
    for (const std::string& folder : OfficeTemporaryFolders()) {
      if (officeFoldersBefore_.count(folder) == 0) strays.push_back(folder);
    }
    EXPECT_EQ(strays, std::vector<std::string>{});
  }

  ScratchFolder scratch;
  LibreOfficeLauncher starter;
  // One instance for the operations of a test, as for those of a command.
  std::optional<ReusingLauncher> reusing_{std::in_place, starter};
  ReusingLauncher& launcher = *reusing_;
  testing::InMemoryFileSystem files;
  ScriptedMessageBoxes boxes;
  RecordingErrorTexts errorTexts;
  UserMessages messages{boxes, errorTexts, files};

 private:
  TraceSink previousSink_ = nullptr;
  std::set<std::string> pipesBefore_;
  std::set<std::string> officeFoldersBefore_;
};

TEST_F(LibreOfficeAdapterTest, TextBecomesAWorkbookAndComesBackAsTheSameText) {
  // As the tab-text writer makes it: every row ends with TAB CR LF.
  const fs::path workbook = MakeWorkbook("values", "1\t2.5\t\r\nabc\t-7\t\r\nCaf\xe9\t\r\n");
  EXPECT_EQ(ReadFile(workbook).substr(0, 4), "\xD0\xCF\x11\xE0");  // an Excel 97 compound file

  const SheetListResult list = ListWorkbookSheets(launcher, &messages, workbook.c_str());
  EXPECT_EQ(list.result, S_OK);
  EXPECT_EQ(list.names, std::vector<std::u16string>{u"values"});  // named after the text file

  // Texts in quotes, numbers as they are, and no empty field at a row's end.
  long result = -2;
  EXPECT_EQ(Export(workbook, "values", &result), "1\t2.5\r\n\"abc\"\t-7\r\n\"Caf\xe9\"\r\n");
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(errorTexts.codes.empty());
  ExpectNothingLeftBehind();
}

TEST_F(LibreOfficeAdapterTest, FormulasAreExportedAsTheirText) {
  const fs::path workbook = MakeWorkbook("sum", "1\t\r\n2\t\r\n3\t\r\n=SUM(A1:A3)\t=A4*2\t\r\n");
  // Every row spans the used columns, and the formulas keep their text.
  EXPECT_EQ(Export(workbook, "sum"), "1\r\n2\r\n3\r\n=SUM(A1:A3)\t=A4*2\r\n");
  ExpectNothingLeftBehind();
}

TEST_F(LibreOfficeAdapterTest, AnEmptyA1HoldsAPlaceholderInTheTextOnlyAndTheWorkbookIsUnchanged) {
  const fs::path workbook = MakeWorkbook("gap", "\r\n\t\tx\t\r\n");
  const std::string before = ReadFile(workbook);
  const fs::path text = At("export.tmp");
  TextExport exported;
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, workbook.c_str(), text.c_str(), "gap", nullptr, &exported),
            EXCHANGE_DONE);
  EXPECT_EQ(ReadFile(text), "0\r\n\t\t\"x\"\r\n");
  EXPECT_TRUE(exported.placeholderInA1);
  EXPECT_EQ(ReadFile(workbook), before);
  ExpectNothingLeftBehind();
  // No lock file or other trace beside the workbook.
  std::vector<std::string> beside;
  for (const auto& entry : fs::directory_iterator(scratch.Path())) beside.push_back(entry.path().filename().string());
  std::sort(beside.begin(), beside.end());
  EXPECT_EQ(beside, (std::vector<std::string>{"export.tmp", "gap.txt", "gap.xls"}));
}

TEST_F(LibreOfficeAdapterTest, AMissingSheetIsReportedAndTheTextStaysEmpty) {
  const fs::path workbook = MakeWorkbook("one", "5\t\r\n");
  long result = -2;
  EXPECT_EQ(Export(workbook, "Nope", &result), "");
  EXPECT_EQ(result, E_FAIL);
  EXPECT_EQ(errorTexts.codes, std::vector<HRESULT>{GRIDLET_E_SPREADSHEET_APP});
  ExpectNothingLeftBehind();
}

TEST_F(LibreOfficeAdapterTest, WorksheetsAreListedInWorkbookOrder) {
  // A flat OpenDocument spreadsheet of three sheets, the second with a
  // name outside ASCII.
  const fs::path workbook = At("three.fods");
  WriteFile(workbook,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
            "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
            "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body><office:spreadsheet>"
            "<table:table table:name=\"Zeta\"><table:table-row><table:table-cell office:value-type=\"float\" "
            "office:value=\"1\"><text:p>1</text:p></table:table-cell></table:table-row></table:table>"
            "<table:table table:name=\"Caf\xc3\xa9\"><table:table-row><table:table-cell/></table:table-row></table:table>"
            "<table:table table:name=\"Alpha\"><table:table-row><table:table-cell office:value-type=\"string\">"
            "<text:p>b</text:p></table:table-cell></table:table-row></table:table>"
            "</office:spreadsheet></office:body></office:document>\n");
  const SheetListResult list = ListWorkbookSheets(launcher, &messages, workbook.c_str());
  EXPECT_EQ(list.result, S_OK);
  EXPECT_EQ(list.names, (std::vector<std::u16string>{u"Zeta", u"Caf\u00e9", u"Alpha"}));
  // A sheet chosen by a name in the ANSI code page.
  EXPECT_EQ(Export(workbook, "Caf\xe9"), "0\r\n");
  EXPECT_EQ(Export(workbook, "alpha"), "\"b\"\r\n");  // names match regardless of case
  ExpectNothingLeftBehind();
}

TEST_F(LibreOfficeAdapterTest, XlsxAndOdsWorkbooksAreAcceptedAsSources) {
  const fs::path text = At("src.txt");
  WriteFile(text, "7\tseven\t\r\n");
  for (const auto& [format, name] : {std::pair{51, "book.xlsx"}, std::pair{60, "book.ods"}}) {
    {
      ApplicationObject application(launcher.Start());
      ASSERT_TRUE(application.Holds()) << starter.LastFailure();
      OpenArguments open;
      open.fileName = text.string();
      open.delimiter = ShortArgument(1);
      WorkbookObject book = application.GetWorkbooks().Open(open);
      SaveAsArguments save;
      save.fileName = StringArgument(At(name).string());
      save.fileFormat = LongArgument(format);
      book.SaveAs(save);
      book.Close(CloseArguments{ShortArgument(0)});
      application.Quit();
    }
    const SheetListResult list = ListWorkbookSheets(launcher, &messages, At(name).c_str());
    EXPECT_EQ(list.names, std::vector<std::u16string>{u"src"}) << name;
    EXPECT_EQ(Export(At(name), "src"), "7\t\"seven\"\r\n") << name;
  }
  EXPECT_TRUE(errorTexts.codes.empty());
  ExpectNothingLeftBehind();
}

TEST_F(LibreOfficeAdapterTest, FailuresOfTheApplicationReachTheBridge) {
  // A workbook that does not exist, and a text whose target cannot be written.
  EXPECT_EQ(ListWorkbookSheets(launcher, &messages, At("absent.xls").c_str()).result, E_FAIL);
  const fs::path text = At("t.txt");
  WriteFile(text, "1\t\r\n");
  EXPECT_EQ(TextFileToWorkbook(launcher, messages, text.c_str(), At("no/such/folder/t.xls").c_str()), E_FAIL);
  EXPECT_EQ(errorTexts.codes, (std::vector<HRESULT>{GRIDLET_E_SPREADSHEET_APP, GRIDLET_E_CONVERSION}));
  // Saving the text where it cannot go is a failure of saving.
  const fs::path workbook = MakeWorkbook("t", "1\t\r\n");
  errorTexts.codes.clear();
  EXPECT_EQ(WorkbookToTextFile(launcher, messages, workbook.c_str(), At("no/such/folder/t.tmp").c_str(), "t"),
            E_FAIL);
  EXPECT_EQ(errorTexts.codes, std::vector<HRESULT>{GRIDLET_E_CONVERSION});
  ExpectNothingLeftBehind();
}

TEST_F(LibreOfficeAdapterTest, AnInstanceThatDoesNotAnswerInTimeIsKilled) {
  LibreOfficeOptions options;
  options.timeouts.call = std::chrono::milliseconds(1);
  LibreOfficeLauncher impatient(options);
  const fs::path workbook = MakeWorkbook("slow", "1\t\r\n");
  {
    ApplicationObject application(impatient.Start());
    ASSERT_TRUE(application.Holds()) << impatient.LastFailure();
    OpenArguments open;
    open.fileName = workbook.string();
    EXPECT_THROW(application.GetWorkbooks().Open(open), ComError);
    // Gone for good: every later call fails too.
    EXPECT_THROW(application.GetDisplayAlerts(), ComError);
  }
  ExpectNothingLeftBehind();
}

TEST_F(LibreOfficeAdapterTest, AHelperThatCannotRunMeansNoApplication) {
  LibreOfficeOptions options;
  options.python = "/bin/false";
  LibreOfficeLauncher broken(options);
  EXPECT_EQ(WorkbookToTextFile(broken, messages, At("a.xls").c_str(), At("t.tmp").c_str(), "S"), -1);
  EXPECT_EQ(errorTexts.codes, std::vector<HRESULT>{GRIDLET_E_NO_SPREADSHEET_APP});
  EXPECT_FALSE(broken.LastFailure().empty());
  ExpectNothingLeftBehind();
}

// Runs with or without LibreOffice installed.
TEST(LibreOfficeLauncherTest, AMissingLibreOfficeIsReportedByEveryOperation) {
  ScratchFolder scratch;
  const TraceSink previousSink = SetTraceSink(nullptr);
  LibreOfficeOptions options;
  options.searchPath = scratch.Path().string();  // holds no soffice
  LibreOfficeLauncher launcher(options);
  testing::InMemoryFileSystem files;
  ScriptedMessageBoxes boxes;
  RecordingErrorTexts errorTexts;
  UserMessages messages{boxes, errorTexts, files};

  EXPECT_EQ(WorkbookToTextFile(launcher, messages, "/x.xls", "/t.tmp", "S"), -1);
  EXPECT_EQ(TextFileToWorkbook(launcher, messages, "/t.tmp", "/x.xls"), -1);
  EXPECT_EQ(ListWorkbookSheets(launcher, &messages, "/x.xls").result, E_FAIL);
  EXPECT_EQ(errorTexts.codes, std::vector<HRESULT>(3, GRIDLET_E_NO_SPREADSHEET_APP));
  EXPECT_NE(launcher.LastFailure().find("not installed"), std::string::npos);

  options.program = "/nonexistent/soffice";
  EXPECT_FALSE(LibreOfficeLauncher(options).Locate().has_value());
  SetTraceSink(previousSink);
}

TEST(LibreOfficeLauncherTest, FindsExecutablesAlongTheSearchPath) {
  ScratchFolder scratch;
  const fs::path first = scratch.Path() / "a";
  const fs::path second = scratch.Path() / "b";
  fs::create_directories(first);
  fs::create_directories(second);
  WriteFile(first / "tool", "");  // not executable
  WriteFile(second / "tool", "#!/bin/sh\n");
  fs::permissions(second / "tool", fs::perms::owner_all);
  const std::string searchPath = first.string() + "::" + second.string();
  EXPECT_EQ(FindExecutable("tool", searchPath), (second / "tool").string());
  EXPECT_EQ(FindExecutable((second / "tool").string(), ""), (second / "tool").string());
  EXPECT_FALSE(FindExecutable("tool", first.string()).has_value());
  EXPECT_FALSE(FindExecutable("", searchPath).has_value());
}

}  // namespace
}  // namespace gridlet
