// Workbooks as people have them, converted through the engine and a real
// LibreOffice: number formats, dates, texts that look like numbers, TABs
// and line breaks in cells, empty first cells, several worksheets, names
// outside Windows-1252, protected workbooks, the workbook formats, and
// failures that must be told. One LibreOffice serves the whole suite, as it
// serves a whole batch of the command. Skipped without LibreOffice.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bridge/automation_objects.h"
#include "bridge/workbook_exchange.h"
#include "encoding/calculator_numbers.h"
#include "encoding/cp1252.h"
#include "model/cell_address.h"
#include "model/text_sheet.h"
#include "model/trace.h"
#include "platform/libreoffice_launcher.h"
#include "platform/link_file_device_service.h"
#include "platform/reusing_launcher.h"
#include "platform/scripted_message_boxes.h"
#include "platform/std_file_system.h"
#include "server/gridlet.h"
#include "server/user_messages.h"
#include "support/recording_error_texts.h"
#include "support/calculator_sheets.h"
#include "support/fods_book.h"
#include "support/formula_vocabulary.h"
#include "support/record_sheet.h"

namespace gridlet {
namespace {

namespace fs = std::filesystem;
using testing::FodsBook;
using testing::FodsCell;
using testing::Shown;

bool LibreOfficeInstalled() {
  const char* path = std::getenv("PATH");
  return FindExecutable("soffice", path ? path : "").has_value();
}

using testing::RecordingErrorTexts;

// What the suite shares: one LibreOffice, and the services around it.
struct Office {
  StdFileSystem files;
  ScriptedMessageBoxes boxes;
  RecordingErrorTexts errorTexts;
  LinkFileDeviceServiceFactory devices{files};
  UserMessages messages{boxes, errorTexts, files};
  LibreOfficeLauncher starter;
  ReusingLauncher launcher{starter};
  Gridlet gridlet{ConversionServices{files, messages, devices, &launcher}};
};

class WorkbookConversionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!LibreOfficeInstalled()) return;
    previousSink_ = SetTraceSink(nullptr);
    std::string pattern = (fs::temp_directory_path() / "gridlet-wbtest-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    ::setenv("TMPDIR", folder_.c_str(), 1);
    office_ = new Office;
  }
  static void TearDownTestSuite() {
    if (!office_) return;
    delete office_;
    office_ = nullptr;
    // The instance is gone with everything it made; nothing else is left
    // in the temporary folder either.
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      if (entry.path().filename() != "work") left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{});
    ::unsetenv("TMPDIR");
    fs::remove_all(folder_);
    SetTraceSink(previousSink_);
  }

  void SetUp() override {
    if (!office_) GTEST_SKIP() << "LibreOffice is not installed (apt-get install libreoffice-calc-nogui python3-uno)";
    work_ = folder_ / "work" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(work_);
    office_->boxes.boxes.clear();
    office_->errorTexts.codes.clear();
  }

  std::string At(const std::string& name) const { return (work_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(work_ / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(work_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  Gridlet& Engine() { return office_->gridlet; }
  const std::vector<ScriptedMessageBoxes::Box>& Boxes() const { return office_->boxes.boxes; }
  const std::vector<HRESULT>& Codes() const { return office_->errorTexts.codes; }
  std::vector<std::string> Warnings() const {
    std::vector<std::string> warnings;
    for (const auto& box : Boxes()) {
      if ((box.style & MB_ICONMASK) == MB_ICONWARNING) warnings.push_back(box.text);
    }
    return warnings;
  }

  ConversionRequest Request(const std::string& source, GRIDLET_FILE_TYPES to, const std::string& name,
                            const std::string& sheet = {}, GRIDLET_FILE_TYPES from = QZ_EXCEL) const {
    ConversionRequest request;
    request.inputPath = Utf8ToCp1252(At(source), '?');
    request.fromType = from;
    request.sheetName = sheet;
    request.outputLocation = work_.string() + "/";
    request.saveInternalName = name;
    request.toType = to;
    return request;
  }

  // The records of a worksheet, by position.
  std::map<std::pair<int, int>, IntermediateCell> Records(const std::string& source, const std::string& sheet = {},
                                                          GRIDLET_FILE_TYPES from = QZ_EXCEL) {
    std::vector<IntermediateCell> records;
    EXPECT_EQ(Engine().Driver().ReadRecords(Request(source, QZ_GRIDLET_NULL, "S", sheet, from), records), S_OK);
    std::map<std::pair<int, int>, IntermediateCell> byPosition;
    for (IntermediateCell& record : records) byPosition[{record.Row, record.Column}] = std::move(record);
    return byPosition;
  }

  HRESULT Convert(const ConversionRequest& request, std::optional<std::string>* written = nullptr) {
    std::optional<std::string> ignored;
    return Engine().Driver().Convert(request, written ? written : &ignored);
  }

  // The text the exchange saves for a worksheet.
  std::string WorksheetText(const std::string& workbook, const std::string& sheet) {
    const std::string text = At("worksheet.tmp");
    Write("worksheet.tmp", "");
    EXPECT_EQ(WorkbookToTextFile(office_->launcher, office_->messages, At(workbook).c_str(), text.c_str(),
                                 sheet.c_str()),
              EXCHANGE_DONE);
    return Read("worksheet.tmp");
  }

  // A workbook of the suite's instance, copied from a flat one into a
  // format through the engine's own workbook copy.
  std::string MakeWorkbook(const std::string& name, const FodsBook& book, WorkbookFormat format) {
    Write(name + ".fods", book.Xml());
    ConversionRequest request = Request(name + ".fods", QZ_EXCEL, name);
    request.workbook.targetFormat = format;
    EXPECT_EQ(Convert(request), S_OK);
    return name + std::string(WorkbookFormatOf(format).extension);
  }

  static inline Office* office_ = nullptr;
  static inline fs::path folder_;
  static inline TraceSink previousSink_ = nullptr;
  fs::path work_;
};

constexpr WorkbookFormat KEEPING_FORMATS[] = {WorkbookFormat::Xls, WorkbookFormat::Xlsx, WorkbookFormat::Ods};

// Random numbers over the calculators' range in random formats, and
// random texts that often look like numbers, in workbooks of each format:
// every number arrives as a number with its value, not as shown, and every
// text as that text.
TEST_F(WorkbookConversionTest, NumbersArriveWithTheirValuesAndTextsStayTexts) {
  std::mt19937_64 random(20240115);
  constexpr Shown FORMATS[] = {Shown::General, Shown::TwoDecimals, Shown::NoDecimals, Shown::Thousands,
                               Shown::Percent, Shown::Scientific, Shown::Currency};
  const std::string textCharacters = "0123456789.-+eE ,/abcxyz\xc3\xa9\xc3\xbc%$";
  FodsBook book;
  book.Sheet("Values");
  std::map<std::pair<int, int>, double> numbers;
  std::map<std::pair<int, int>, std::string> texts;
  for (int row = 1; row <= 30; ++row) {
    for (int column = 1; column <= 8; ++column) {
      if (random() % 7 == 0) continue;  // some cells stay empty
      if (random() % 3 != 0) {
        // Up to fifteen significant digits, exponents over the whole range
        // the calculators hold.
        const int digits = 1 + static_cast<int>(random() % 15);
        double mantissa = static_cast<double>(random() % static_cast<std::uint64_t>(std::pow(10.0, digits)));
        const int exponent = static_cast<int>(random() % 41) - 20 + (random() % 10 == 0 ? 70 : 0);
        double value = std::stod(std::to_string(static_cast<long long>(mantissa)) + "e" + std::to_string(exponent));
        if (random() % 2) value = -value;
        numbers[{row, column}] = value;
        book.Set(row, column, FodsCell::Number(value, FORMATS[random() % std::size(FORMATS)]));
      } else {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < length; ++i) {
          // Whole UTF-8 characters only.
          std::size_t at = random() % textCharacters.size();
          while ((static_cast<unsigned char>(textCharacters[at]) & 0xC0) == 0x80) --at;
          const std::size_t size = (static_cast<unsigned char>(textCharacters[at]) & 0x80) ? 2 : 1;
          text += textCharacters.substr(at, size);
        }
        // Spaces at the ends do not survive the flat file itself.
        while (!text.empty() && text.front() == ' ') text.erase(0, 1);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        if (text.empty() || text.find("  ") != std::string::npos) text = "007";
        texts[{row, column}] = Utf8ToCp1252(text, '?');
        book.Set(row, column, FodsCell::Text(text));
      }
    }
  }
  for (WorkbookFormat format : KEEPING_FORMATS) {
    const std::string workbook = MakeWorkbook("values", book, format);
    const auto records = Records(workbook);
    EXPECT_EQ(records.size(), numbers.size() + texts.size()) << workbook;
    for (const auto& [position, value] : numbers) {
      auto found = records.find(position);
      ASSERT_NE(found, records.end()) << workbook << " R" << position.first << "C" << position.second;
      EXPECT_EQ(found->second.Type & 3, CELL_NUMBER) << found->second.Data;
      EXPECT_NEAR(std::stod(found->second.Data), value, std::fabs(value) * 1e-14) << found->second.Data;
    }
    for (const auto& [position, text] : texts) {
      auto found = records.find(position);
      ASSERT_NE(found, records.end()) << workbook << " R" << position.first << "C" << position.second;
      EXPECT_EQ(found->second.Type & 3, CELL_TEXT) << text;
      EXPECT_EQ(found->second.Data, text);
    }
  }
  EXPECT_TRUE(Boxes().empty());
}

// Texts of every Windows-1252 character but the field and line ends, with
// quotes at their start, their end, inside or alone, texts that begin with
// "=" and texts that look like numbers survive tab text -> workbook -> tab
// text as those texts; numbers of both calculators, fourteen digits over
// their exponent range, survive calculator -> workbook -> calculator as
// those numbers, and a 68k-class number beyond what a spreadsheet holds is
// named and comes back as the text stating it.
TEST_F(WorkbookConversionTest, TextsAndCalculatorNumbersSurviveAWorkbook) {
  std::mt19937 random(14);
  auto between = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  std::string alphabet;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte != '\t' && byte != '\r' && byte != '\n' && IsCp1252Character(static_cast<unsigned char>(byte))) {
      alphabet += static_cast<char>(byte);
    }
  }
  const std::string forms[] = {"", "=", "007", "1.50", "-3", "1E5", "=A1+1"};
  std::vector<IntermediateCell> texts;
  for (int row = 1; row <= 40; ++row) {
    for (int column = 1; column <= 6; ++column) {
      std::string text = forms[static_cast<std::size_t>(between(0, 6))];
      const int length = between(0, 12);
      for (int i = 0; i < length; ++i) text += alphabet[static_cast<std::size_t>(between(0, static_cast<int>(alphabet.size()) - 1))];
      const std::string quotes(static_cast<std::size_t>(between(1, 3)), '"');
      switch (between(0, 5)) {
        case 0: text = quotes + text; break;
        case 1: text += quotes; break;
        case 2: text.insert(text.size() / 2, quotes); break;
        case 3: text = quotes + text + quotes; break;
        case 4: text = quotes; break;
        default: if (text.empty()) text = "x";
      }
      IntermediateCell record;
      record.Row = static_cast<std::int16_t>(row);
      record.Column = static_cast<std::int16_t>(column);
      record.Type = CELL_TEXT;
      record.Data = text;
      texts.push_back(record);
    }
  }
  {
    testing::RecordSheet source(texts);
    TextSheet sheet(source);
    sheet.TranslateFromIntermediate();
    const ByteBuffer bytes = sheet.GetOutput();
    Write("texts.txt", std::string(bytes.begin(), bytes.begin() + sheet.GetOutputLength()));
  }
  ASSERT_EQ(Convert(Request("texts.txt", QZ_EXCEL, "texts", "", QZ_TAB_TEXT)), S_OK);
  ASSERT_EQ(Convert(Request("texts.xls", QZ_TAB_TEXT, "texts back")), S_OK);
  const auto back = Records("texts back.txt", {}, QZ_TAB_TEXT);
  EXPECT_EQ(back.size(), texts.size());
  for (const IntermediateCell& text : texts) {
    auto found = back.find({text.Row, text.Column});
    ASSERT_NE(found, back.end()) << CellAddress(text.Row, text.Column) << " " << text.Data;
    EXPECT_EQ(found->second.Type & 3, CELL_TEXT) << text.Data;
    EXPECT_EQ(found->second.Data, text.Data);
  }
  EXPECT_EQ(Warnings(), std::vector<std::string>{});

  // Numbers: d.ddddddddddddd E x, as tab text makes them calculator numbers.
  struct Calculator {
    GRIDLET_FILE_TYPES type;
    std::string name;
    int exponents;  // the largest exponent the tests give
    std::string extension;
  };
  for (const Calculator& calculator : {Calculator{QZ_GRIDLET_XBP, "NUMS", 99, ".xbv"},
                                       Calculator{QZ_GRIDLET_XD, "nums", 300, ".xdy"}}) {
    SCOPED_TRACE(calculator.extension);
    office_->boxes.boxes.clear();
    std::string numbers;
    std::vector<std::pair<int, int>> beyond;  // numbers no spreadsheet holds
    for (int row = 1; row <= 30; ++row) {
      for (int column = 1; column <= 8; ++column) {
        std::string digits = std::to_string(between(1, 9)) + ".";
        for (int i = 0; i < 13; ++i) digits += static_cast<char>('0' + between(0, 9));
        int exponent = between(-calculator.exponents, calculator.exponents);
        if (calculator.type == QZ_GRIDLET_XD && row == column) {
          exponent = between(0, 1) ? between(400, 999) : -between(400, 999);
          beyond.push_back({row, column});
        }
        numbers += (between(0, 1) ? "-" : "") + digits + "E" + std::to_string(exponent) + (column < 8 ? "\t" : "\r\n");
      }
    }
    Write(calculator.name + ".txt", numbers);
    const std::string file = calculator.name + calculator.extension;
    ASSERT_EQ(Convert(Request(calculator.name + ".txt", calculator.type, calculator.name, "", QZ_TAB_TEXT)), S_OK);
    ASSERT_EQ(Convert(Request(file, QZ_EXCEL, calculator.name, "", calculator.type)), S_OK);
    const std::string again = calculator.type == QZ_GRIDLET_XBP ? "AGAIN" : "again";
    ASSERT_EQ(Convert(Request(calculator.name + ".xls", calculator.type, again)), S_OK);
    const auto before = Records(file, {}, calculator.type);
    const auto after = Records(again + calculator.extension, {}, calculator.type);
    ASSERT_EQ(before.size(), 240u);
    ASSERT_EQ(after.size(), 240u);
    for (const auto& [at, record] : before) {
      const bool isBeyond = std::find(beyond.begin(), beyond.end(), at) != beyond.end();
      ASSERT_EQ(record.Type & 3, CELL_NUMBER) << record.Data;
      EXPECT_EQ(after.at(at).Type & 3, isBeyond ? CELL_TEXT : CELL_NUMBER) << record.Data;
      // A calculator's text carries its opening quote.
      EXPECT_EQ(after.at(at).Data, (isBeyond ? "\"" : "") + record.Data);
    }
    if (beyond.empty()) {
      EXPECT_EQ(Warnings(), std::vector<std::string>{});
    } else {
      ASSERT_EQ(Warnings().size(), 1u);
      const std::string warning = Warnings()[0];
      EXPECT_NE(warning.find(std::to_string(beyond.size()) + " cells, A1, B2, C3"), std::string::npos) << warning;
    }
  }
}

TEST_F(WorkbookConversionTest, TheIssuesCasesArriveAsTheyAreAndDatesAsShown) {
  FodsBook book;
  book.Set(1, 2, FodsCell::Number(3.14159, Shown::TwoDecimals))
      .Set(1, 3, FodsCell::Number(2.5, Shown::NoDecimals))
      .Set(1, 4, FodsCell::Number(1234567.891, Shown::Thousands))
      .Set(1, 5, FodsCell::Number(0.5, Shown::Percent))
      .Set(1, 6, FodsCell::Number(19.99, Shown::Currency))
      .Set(2, 1, FodsCell::Date("2024-01-15"))
      .Set(2, 2, FodsCell::Date("2024-01-15", Shown::UsDate))
      .Set(2, 3, FodsCell::TimeOfDay("PT12H30M00S"))
      .Set(2, 4, FodsCell::Boolean(true))
      .Set(2, 5, FodsCell::Text("1.50"))
      .Set(3, 1, FodsCell::Formula("of:=SUM([.B1:.F1])"))
      .Set(3, 2, FodsCell::Formula("of:=IF([.A1]=\"a\";1;2)"));
  const auto records = Records(MakeWorkbook("cases", book, WorkbookFormat::Xls));
  const auto data = [&](int row, int column) {
    auto found = records.find({row, column});
    return found == records.end() ? std::string("(none)") : found->second.Data;
  };
  // A1 is empty: no cell there, and every other cell where it is.
  EXPECT_EQ(records.count({1, 1}), 0u);
  EXPECT_EQ(data(1, 2), "3.14159");
  EXPECT_EQ(data(1, 3), "2.5");
  EXPECT_EQ(data(1, 4), "1234567.891");
  EXPECT_EQ(data(1, 5), "0.5");
  EXPECT_EQ(data(1, 6), "19.99");
  EXPECT_EQ(data(2, 1), "2024-01-15");
  EXPECT_EQ(data(2, 2), "01/15/2024");
  EXPECT_EQ(data(2, 3), "12:30");
  EXPECT_EQ(records.at({2, 1}).Type & 3, CELL_TEXT);
  EXPECT_EQ(records.at({2, 3}).Type & 3, CELL_TEXT);
  EXPECT_EQ(data(2, 4), "1");
  EXPECT_EQ(records.at({2, 5}).Type & 3, CELL_TEXT);
  EXPECT_EQ(records.at({3, 1}).Type & 3, CELL_FORMULA);
  EXPECT_EQ(records.at({3, 1}).Data2.value_or(""), "=SUM(B1:F1)");
  // The string literal keeps its quotes as they are, not doubled.
  EXPECT_NE(records.at({3, 2}).Data2.value_or("").find("(A1=\"a\",1,2)"), std::string::npos);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(WorkbookConversionTest, TabsAndLineBreaksInCellsMoveNothingAndAreNamed) {
  // Cells with TABs and line breaks come from a CSV file, as they do from
  // other programs; the CSV becomes a workbook first.
  Write("breaks.csv", "\"a\tb\",\"x\ny\",3\r\n4,\"p\r\nq\",\"end\"\r\n\"\xcf\x80 r\",,\"t\t\t\"\r\n");
  ConversionRequest toWorkbook = Request("breaks.csv", QZ_EXCEL, "breaks");
  ASSERT_EQ(Convert(toWorkbook), S_OK);
  const auto records = Records("breaks.xls");
  EXPECT_EQ(records.size(), 8u);
  EXPECT_EQ(records.at({1, 1}).Data, "a b");
  EXPECT_EQ(records.at({1, 2}).Data, "x y");
  EXPECT_EQ(records.at({1, 3}).Data, "3");
  EXPECT_EQ(records.at({2, 1}).Data, "4");
  EXPECT_EQ(records.at({2, 2}).Data, "p q");
  EXPECT_EQ(records.at({2, 3}).Data, "end");
  EXPECT_EQ(records.at({3, 1}).Data, "? r");
  EXPECT_EQ(records.at({3, 3}).Data, "t  ");
  EXPECT_EQ(Warnings(),
            (std::vector<std::string>{
                "These cells of the worksheet held TABs or line breaks, each now a space: 4 cells, A1, B1, "
                "B2 and C3.",
                "These cells of the worksheet held characters without a Windows-1252 form, each now \"?\": "
                "1 cell, A3."}));
}

TEST_F(WorkbookConversionTest, TextsThatLookLikeNumbersStayTextsInAWorkbookNamedAfterTheSheet) {
  Write("in.txt", "\"007\"\t\"1.50\"\t1.50\t=C1*2\r\n\"-3\"\t-3\r\n");
  ConversionRequest request = Request("in.txt", QZ_EXCEL, "Grades", "", QZ_TAB_TEXT);
  std::optional<std::string> written;
  ASSERT_EQ(Convert(request, &written), S_OK);
  EXPECT_EQ(written, At("Grades.xls"));

  std::vector<std::u16string> sheets;
  ASSERT_EQ(Engine().GetExcelSheetNames(Utf8ToUtf16(At("Grades.xls")), sheets), S_OK);
  EXPECT_EQ(sheets, std::vector<std::u16string>{u"Grades"});
  const auto records = Records("Grades.xls");
  EXPECT_EQ(records.at({1, 1}).Type & 3, CELL_TEXT);
  EXPECT_EQ(records.at({1, 1}).Data, "007");
  EXPECT_EQ(records.at({1, 2}).Type & 3, CELL_TEXT);
  EXPECT_EQ(records.at({1, 2}).Data, "1.50");
  EXPECT_EQ(records.at({1, 3}).Type & 3, CELL_NUMBER);
  EXPECT_EQ(records.at({1, 3}).Data, "1.5");
  EXPECT_EQ(records.at({1, 4}).Data2.value_or(""), "=C1*2");
  EXPECT_EQ(records.at({2, 1}).Type & 3, CELL_TEXT);
  EXPECT_EQ(records.at({2, 2}).Type & 3, CELL_NUMBER);

  // A name a worksheet cannot bear is adjusted, and the user told; the
  // file's name loses its colon as well.
  request.saveInternalName = "Marks: [draft]";
  ASSERT_EQ(Convert(request), S_OK);
  ASSERT_EQ(Engine().GetExcelSheetNames(Utf8ToUtf16(At("Marks. [draft].xls")), sheets), S_OK);
  EXPECT_EQ(sheets, std::vector<std::u16string>{u"Marks_ _draft_"});
  ASSERT_EQ(Warnings().size(), 2u);
  EXPECT_NE(Warnings()[1].find("the worksheet is named \"Marks_ _draft_\""), std::string::npos) << Warnings()[1];
}

TEST_F(WorkbookConversionTest, WorkbookToWorkbookKeepsEveryWorksheetFormulaAndValue) {
  FodsBook book;
  book.Sheet("Angles").Set(1, 1, FodsCell::Number(0.5)).Set(1, 2, FodsCell::Formula("of:=ACOS([.A1])"))
      .Set(1, 3, FodsCell::Formula("of:=ASIN([.A1])+ATAN([.A1])"))
      .Set(1, 4, FodsCell::Formula("of:=IF([.A1]=\"a\";\"b \"\"c\"\"\";2)"));
  book.Sheet("\xce\xa3 Summe").Set(2, 2, FodsCell::Formula("of:=SUM([$Angles.B1:.C1])"));
  book.Sheet("Notes").Set(1, 1, FodsCell::Text("kept"));
  Write("angles.fods", book.Xml());
  for (WorkbookFormat format : KEEPING_FORMATS) {
    ConversionRequest request = Request("angles.fods", QZ_EXCEL, "copy");
    request.workbook.targetFormat = format;
    std::optional<std::string> written;
    ASSERT_EQ(Convert(request, &written), S_OK);
    const std::string copy = std::string("copy") + std::string(WorkbookFormatOf(format).extension);
    EXPECT_EQ(written, At(copy));
    std::vector<std::u16string> sheets;
    ASSERT_EQ(Engine().GetExcelSheetNames(Utf8ToUtf16(At(copy)), sheets), S_OK);
    EXPECT_EQ(sheets, (std::vector<std::u16string>{u"Angles", u"\u03a3 Summe", u"Notes"})) << copy;
    // As the workbook holds them, without passing the intermediate form.
    EXPECT_EQ(WorksheetText(copy, "Angles"), "0.5\t=ACOS(A1)\t=ASIN(A1)+ATAN(A1)\t=IF(A1=\"a\",\"b \"\"c\"\"\",2)\r\n")
        << copy;
    EXPECT_EQ(WorksheetText(copy, "#2"), "0\r\n\t=SUM($Angles.B1:C1)\r\n") << copy;
    EXPECT_EQ(Records(copy, "#3").at({1, 1}).Data, "kept") << copy;
  }
  EXPECT_TRUE(Boxes().empty());
}

// The values a workbook computes for the cells of column A, with the texts
// shown where a cell holds no number (an error value among them).
std::vector<AutomationValue> ColumnValues(SpreadsheetApplicationLauncher& launcher, const std::string& path,
                                          std::size_t rows) {
  std::vector<AutomationValue> values;
  ApplicationObject application(launcher.Start());
  if (!application.Holds()) return values;
  OpenArguments open;
  open.fileName = path;
  open.readOnly = ShortArgument(1);
  WorkbookObject workbook = application.GetWorkbooks().Open(open);
  WorksheetObject sheet = workbook.GetWorksheets().GetItem(ShortArgument(1));
  for (std::size_t row = 1; row <= rows; ++row) {
    const std::string cell = "A" + std::to_string(row);
    values.push_back(sheet.GetRange(StringArgument(cell), StringArgument(cell)).GetValue());
  }
  workbook.Close(CloseArguments{ShortArgument(0)});
  application.Quit();
  return values;
}

// Every formula of a calculator's vocabulary through a workbook and back
// with the same stored bytes; every spreadsheet function the tables map
// through each calculator and back into a workbook in the spreadsheet's
// spelling. The workbook is made and read by LibreOffice itself.
TEST_F(WorkbookConversionTest, TheFormulaVocabularyCrossesWorkbooks) {
  using testing::StoredFormula;
  using testing::InColumnA;
  const auto expectSame = [](const std::vector<StoredFormula>& sent, const std::string& file, const char* route) {
    testing::ExpectSameFormulas(sent, testing::StoredFormulas(file), route);
  };
  const auto through = [](const std::map<std::string, std::string>& changed, const std::string& formula) {
    const auto found = changed.find(formula);
    return found == changed.end() ? formula : found->second;
  };
  const auto keptAsTexts = [&]() {
    std::vector<std::string> kept;
    for (const std::string& warning : Warnings()) {
      if (warning.find("come back as formulas") != std::string::npos) kept.push_back(warning);
    }
    return kept.size();
  };
  std::vector<std::string> tokens, expected;
  for (const std::string& formula : testing::XbVocabulary()) {
    tokens.push_back(testing::XbTokens(formula));
    expected.push_back(testing::XbTokens(through(testing::kXbThroughXls, formula)));
  }
  Write("XBVOCAB.xbv", testing::XbPlusFile("XBVOCAB", InColumnA(tokens)));
  ASSERT_EQ(Convert(Request("XBVOCAB.xbv", QZ_EXCEL, "xbvocab", "", QZ_GRIDLET_XBP)), S_OK);
  ASSERT_EQ(Convert(Request("xbvocab.xls", QZ_GRIDLET_XBP, "XBBACK")), S_OK);
  expectSame(InColumnA(expected), Read("XBBACK.xbv"), "xbv-xls-xbv");
  // The calculator's own functions are named as kept.
  EXPECT_EQ(keptAsTexts(), 1u);
  EXPECT_EQ(Warnings().size(), 1u) << ::testing::PrintToString(Warnings());
  office_->boxes.boxes.clear();

  expected.clear();
  for (const std::string& formula : testing::Sheet68kVocabulary()) expected.push_back(through(testing::k68kThroughXls, formula));
  Write("vocab68k.xdy", testing::Sheet68kFile("vocab68k", InColumnA(testing::Sheet68kVocabulary())));
  ASSERT_EQ(Convert(Request("vocab68k.xdy", QZ_EXCEL, "k68vocab", "", QZ_GRIDLET_XD)), S_OK);
  ASSERT_EQ(Convert(Request("k68vocab.xls", QZ_GRIDLET_XD, "k68back")), S_OK);
  expectSame(InColumnA(expected), Read("k68back.xdy"), "xdy-xls-xdy");
  EXPECT_EQ(keptAsTexts(), 1u);
  // What stays a formula is one the spreadsheet reads: no error of a name
  // or of the syntax (errors of argument values, such as a text where a
  // number belongs, are the formula's result), and no #N/A, which an xls
  // file holds where a formula could not be saved.
  const std::set<std::string> unreadable = {"#NAME?", "#N/A", "Err:501", "Err:507", "Err:508", "Err:509", "Err:510",
                                            "Err:511",  "Err:512", "Err:516", "Err:517", "Err:518", "Err:520",
                                            "Err:521",  "Err:526", "Err:527", "Err:533", "Err:539"};
  for (const auto& [workbook, rows] : {std::pair{std::string("xbvocab.xls"), tokens.size()},
                                      std::pair{std::string("k68vocab.xls"), testing::Sheet68kVocabulary().size()}}) {
    const std::vector<AutomationValue> values = ColumnValues(office_->launcher, At(workbook), rows);
    ASSERT_EQ(values.size(), rows);
    for (std::size_t row = 0; row < rows; ++row) {
      const std::string* shown = std::get_if<std::string>(&values[row]);
      EXPECT_FALSE(shown && unreadable.count(*shown))
          << workbook << " A" << row + 1 << " shows " << *shown;
    }
  }
  EXPECT_EQ(Warnings().size(), 1u) << ::testing::PrintToString(Warnings());
  office_->boxes.boxes.clear();

  const struct {
    GRIDLET_FILE_TYPES type;
    const char* name;
    std::vector<std::string> sent;
    const std::map<std::string, std::string>& readsAs;
  } calculators[] = {
      {QZ_GRIDLET_XBP, "SPREADXB",
       testing::SpreadsheetVocabulary({IntermediateToXbRewrites(), ExcelNamesToIntermediateTable()}),
       testing::kXbReadsAs},
      {QZ_GRIDLET_XD, "sprd68k",
       testing::SpreadsheetVocabulary(
           {IntermediateToXbRewrites(), IntermediateToSheet68kRewrites(), ExcelNamesToIntermediateTable()}),
       testing::k68kReadsAs},
  };
  for (const auto& calculator : calculators) {
    std::string text;
    for (const std::string& formula : calculator.sent) text += formula + "\r\n";
    Write("spread.txt", text);
    const std::string name = calculator.name;
    ASSERT_EQ(Convert(Request("spread.txt", QZ_EXCEL, name + "-in", "", QZ_TAB_TEXT)), S_OK);
    ASSERT_EQ(Convert(Request(name + "-in.xls", calculator.type, name)), S_OK);
    const std::string file = name + (calculator.type == QZ_GRIDLET_XBP ? ".xbv" : ".xdy");
    ASSERT_EQ(Convert(Request(file, QZ_EXCEL, name + "-out", "", calculator.type)), S_OK)
        << (Boxes().empty() ? "" : Boxes().back().text);
    ASSERT_EQ(Convert(Request(name + "-out.xls", QZ_TAB_TEXT, name + "-out")), S_OK);
    const std::vector<std::string> lines = testing::TextLines(Read(name + "-out.txt"));
    for (std::size_t i = 0; i < calculator.sent.size(); ++i) {
      EXPECT_EQ(i < lines.size() ? lines[i] : "",
                through(testing::kSpreadsheetThroughXls, testing::ReadAs(calculator.sent[i], calculator.readsAs)))
          << "xls-" << file << "-xls";
    }
  }
  // Formulas the spreadsheet cannot compute as written (RAND(A1), REAL()
  // which only the calculators have) are kept the same way.
  for (const std::string& warning : Warnings()) EXPECT_NE(warning.find("come back as formulas"), std::string::npos) << warning;
}

// XB Plus formulas over numbers, each cell with the value the calculator
// stored for it, go into a workbook: the spreadsheet computes the same
// value, so each function went over as the function of the same meaning.
TEST_F(WorkbookConversionTest, CalculatorFormulasComputeTheirStoredValuesInAWorkbook) {
  struct Function {
    const char* name;
    double (*value)(double);
  };
  static const Function functions[] = {
      {"sin(", [](double x) { return std::sin(x); }},        {"cos(", [](double x) { return std::cos(x); }},
      {"tan(", [](double x) { return std::tan(x); }},        {"sin_^-1_(", [](double x) { return std::asin(x); }},
      {"cos_^-1_(", [](double x) { return std::acos(x); }},  {"tan_^-1_(", [](double x) { return std::atan(x); }},
      {"sinh(", [](double x) { return std::sinh(x); }},      {"cosh(", [](double x) { return std::cosh(x); }},
      {"tanh(", [](double x) { return std::tanh(x); }},      {"sinh_^-1_(", [](double x) { return std::asinh(x); }},
      {"tanh_^-1_(", [](double x) { return std::atanh(x); }}, {"_root_(", [](double x) { return std::sqrt(x); }},
      {"ln(", [](double x) { return std::log(x); }},         {"log(", [](double x) { return std::log10(x); }},
      {"_e_^(", [](double x) { return std::exp(x); }},       {"_10_^(", [](double x) { return std::pow(10.0, x); }},
      {"abs(", [](double x) { return std::fabs(x); }},       {"int(", [](double x) { return std::floor(x); }},
      {"iPart(", [](double x) { return std::trunc(x); }},    {"_neg_(", [](double x) { return -x; }},
      {"(", [](double x) { return x * x; }},  // squared, below
  };
  std::mt19937_64 random(31415);
  std::vector<testing::StoredFormula> cells;
  std::vector<std::string> formulas;
  std::vector<double> stored;
  for (const Function& function : functions) {
    for (int i = 0; i < 3; ++i) {
      // Arguments every function takes: within (-0.9, 0.9) without zero,
      // positive for the logarithms and roots.
      double x = static_cast<double>(1 + random() % 899) / 1000.0;
      const std::string name = function.name;
      if (name != "ln(" && name != "log(" && name != "_root_(" && random() % 2) x = -x;
      char argument[32];
      std::snprintf(argument, sizeof argument, "%.3f", x);
      std::string formula = "=" + name + argument + ")";
      if (name == "(") formula += "_^2_";
      const double value = function.value(x);
      std::uint8_t real[9];
      int last = 0;
      ASSERT_EQ(EncodeXbReals(&value, 1, real, &last), S_OK);
      formulas.push_back(formula);
      stored.push_back(value);
      cells.push_back({{static_cast<std::int32_t>(cells.size() + 1), 1}, testing::XbTokens(formula),
                       std::string(reinterpret_cast<const char*>(real), 9)});
    }
  }
  Write("VALUES.xbv", testing::XbPlusFile("VALUES", cells));
  ASSERT_EQ(Convert(Request("VALUES.xbv", QZ_EXCEL, "values", "", QZ_GRIDLET_XBP)), S_OK);
  EXPECT_EQ(Warnings(), std::vector<std::string>{});
  const std::vector<AutomationValue> values = ColumnValues(office_->launcher, At("values.xls"), cells.size());
  ASSERT_EQ(values.size(), cells.size());
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const double* computed = std::get_if<double>(&values[i]);
    ASSERT_NE(computed, nullptr) << formulas[i] << " computes no number";
    // The calculator keeps fourteen digits.
    EXPECT_NEAR(*computed, stored[i], 1e-12 * std::max(1.0, std::fabs(stored[i]))) << formulas[i];
  }
}

TEST_F(WorkbookConversionTest, WorksheetsAreChosenByNameInAnyScriptOrByPosition) {
  FodsBook book;
  book.Sheet("Data").Set(1, 1, FodsCell::Number(1));
  book.Sheet("\xce\xa3 \xd0\x98\xd1\x82\xd0\xbe\xd0\xb3").Set(1, 1, FodsCell::Number(2));
  book.Sheet("Caf\xc3\xa9").Set(1, 1, FodsCell::Number(3));
  Write("names.fods", book.Xml());
  std::vector<std::u16string> sheets;
  ASSERT_EQ(Engine().GetExcelSheetNames(Utf8ToUtf16(At("names.fods")), sheets), S_OK);
  EXPECT_EQ(sheets, (std::vector<std::u16string>{u"Data", u"\u03a3 \u0418\u0442\u043e\u0433", u"Caf\u00e9"}));

  // By the whole name, through the interface, which carries it in UTF-16.
  Engine().SetTheFileName(nullptr);
  ASSERT_EQ(Engine().Convert(Utf8ToUtf16(At("names.fods")), QZ_EXCEL, sheets[1], Utf8ToUtf16(work_.string() + "/"),
                             u"second", QZ_TAB_TEXT, 0),
            S_OK);
  EXPECT_EQ(Read("second.txt"), "2\t");
  EXPECT_EQ(Records("names.fods", "#2").at({1, 1}).Data, "2");
  EXPECT_EQ(Records("names.fods", "caf\xe9").at({1, 1}).Data, "3");
  EXPECT_TRUE(Boxes().empty());

  // A worksheet that is not there: one message, which lists those there are.
  std::vector<IntermediateCell> records;
  EXPECT_EQ(Engine().Driver().ReadRecords(Request("names.fods", QZ_GRIDLET_NULL, "S", "Results"), records), E_FAIL);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Codes(), std::vector<HRESULT>{GRIDLET_E_SPREADSHEET_APP});
  EXPECT_NE(Boxes()[0].text.find("has no worksheet \"Results\"; its worksheets are: #1 \"Data\", #2 \"? ????\", "
                                 "#3 \"Caf\xe9\""),
            std::string::npos)
      << Boxes()[0].text;
}

TEST_F(WorkbookConversionTest, AProtectedWorkbookSaysSo) {
  FodsBook book;
  book.Set(1, 1, FodsCell::Number(1));
  Write("open.fods", book.Xml());
  {
    ApplicationObject application(office_->launcher.Start());
    ASSERT_TRUE(application.Holds());
    OpenArguments open;
    open.fileName = At("open.fods");
    WorkbookObject workbook = application.GetWorkbooks().Open(open);
    SaveAsArguments save;
    save.fileName = StringArgument(At("locked.xls"));
    save.fileFormat = LongArgument(XL_FILE_FORMAT_WORKBOOK);
    save.password = StringArgument("secret");
    workbook.SaveAs(save);
    workbook.Close(CloseArguments{ShortArgument(0)});
    application.Quit();
  }
  std::vector<IntermediateCell> records;
  EXPECT_EQ(Engine().Driver().ReadRecords(Request("locked.xls", QZ_GRIDLET_NULL, "S"), records), E_FAIL);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.find("locked.xls is protected by a password"), std::string::npos) << Boxes()[0].text;
  std::vector<std::u16string> sheets;
  EXPECT_EQ(Engine().GetExcelSheetNames(Utf8ToUtf16(At("locked.xls")), sheets), E_FAIL);
}

TEST_F(WorkbookConversionTest, MoreFormatsThroughTheSameBridge) {
  // CSV sources: commas and UTF-8 by default, another separator when told;
  // quoted fields are texts.
  Write("plain.csv", "\"007\",1.5,Gr\xc3\xbc\xc3\x9f""e\r\n=1+2,\"a,b\"\r\n");
  auto records = Records("plain.csv");
  EXPECT_EQ(records.at({1, 1}).Data, "007");
  EXPECT_EQ(records.at({1, 1}).Type & 3, CELL_TEXT);
  EXPECT_EQ(records.at({1, 2}).Data, "1.5");
  EXPECT_EQ(records.at({1, 3}).Data, "Gr\xfc\xdf" "e");
  EXPECT_EQ(records.at({2, 1}).Data2.value_or(""), "=1+2");
  EXPECT_EQ(records.at({2, 2}).Data, "a,b");

  Write("semi.data", "x;2,5;\"y;z\"\r\n");
  ConversionRequest semicolons = Request("semi.data", QZ_GRIDLET_NULL, "S");
  semicolons.workbook.csvSource = true;
  semicolons.workbook.csvSeparator = ';';
  std::vector<IntermediateCell> list;
  ASSERT_EQ(Engine().Driver().ReadRecords(semicolons, list), S_OK);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[1].Data, "2,5");
  EXPECT_EQ(list[2].Data, "y;z");

  // Targets in each format, from tab text.
  Write("t.txt", "\"name\"\t2.5\r\n");
  for (const auto& [format, magic] : {std::pair{WorkbookFormat::Xlsx, std::string("PK")},
                                      std::pair{WorkbookFormat::Ods, std::string("PK")},
                                      std::pair{WorkbookFormat::Csv, std::string("name,2.5")}}) {
    ConversionRequest request = Request("t.txt", QZ_EXCEL, "t", "", QZ_TAB_TEXT);
    request.workbook.targetFormat = format;
    std::optional<std::string> written;
    ASSERT_EQ(Convert(request, &written), S_OK);
    const std::string name = "t" + std::string(WorkbookFormatOf(format).extension);
    EXPECT_EQ(written, At(name));
    EXPECT_EQ(Read(name).substr(0, magic.size()), magic) << name;
    EXPECT_EQ(Records(name).at({1, 2}).Data, "2.5") << name;
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(WorkbookConversionTest, AWorkbookThatCannotBeWrittenIsAFailureWithItsReason) {
  Write("t.txt", "1\r\n");
  ConversionRequest fromText = Request("t.txt", QZ_EXCEL, "t", "", QZ_TAB_TEXT);
  ASSERT_EQ(Convert(fromText), S_OK);

  // A folder stands where the workbook should go; the user says replace
  // it, from tab text and by a workbook copy alike.
  fs::create_directories(work_ / "taken.xls");
  ConversionRequest copy = Request("t.xls", QZ_EXCEL, "taken");
  fromText.saveInternalName = "taken";
  for (const ConversionRequest& request : {fromText, copy}) {
    office_->boxes.boxes.clear();
    office_->errorTexts.codes.clear();
    office_->boxes.answers = {IDYES};
    std::optional<std::string> written;
    EXPECT_EQ(Convert(request, &written), E_FAIL);
    EXPECT_FALSE(written.has_value());
    EXPECT_EQ(Codes(), std::vector<HRESULT>{GRIDLET_E_CONVERSION});
    ASSERT_EQ(Boxes().size(), 2u);  // the question, then the failure
    EXPECT_NE(Boxes()[1].text.find("taken.xls could not be written"), std::string::npos) << Boxes()[1].text;
    EXPECT_TRUE(fs::is_directory(work_ / "taken.xls"));
  }
}

}  // namespace
}  // namespace gridlet
