// Conversions whose output cannot be written whole: the disk fills up part
// way (a file size limit stands in for it). The file the user agreed to
// replace keeps its old content, no truncated or temporary file is left,
// and the user is told.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "support/disk_conversion_fixture.h"

namespace gridlet {
namespace {

// Limits the size of any file this process writes while it lives; writes
// beyond it fail with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ok_ = ::getrlimit(RLIMIT_FSIZE, &saved_) == 0;
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ok_ = ok_ && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  rlimit saved_{};
  void (*handler_)(int) = SIG_DFL;
  bool ok_ = false;
};

class FailedWriteTest : public testing::DiskConversionFixture {
 protected:
  // Converts with the disk "full" after `limit` bytes of any file; the
  // user agrees to replace an existing output.
  HRESULT ConvertWithLimit(const std::string& input, GRIDLET_FILE_TYPES from,
                           GRIDLET_FILE_TYPES to, const std::string& name, rlim_t limit,
                           std::optional<std::string>* fileName) {
    boxes.answers = {IDYES};
    FileSizeLimit full(limit);
    EXPECT_TRUE(full.ok());
    return DiskConversionFixture::Convert(Request(input, from, to, name), fileName);
  }
  HRESULT Convert(const std::string& input, GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to,
                  const std::string& name) {
    return ConvertWithLimit(input, from, to, name, RLIM_INFINITY, nullptr);
  }

  // A sheet whose every output is far beyond the limits below.
  static std::string LongSheet() {
    std::string text;
    for (int row = 0; row < 40; ++row) text += "=SUM(A1:B9)*2\t12.5\thello world\r\n";
    return text;
  }
};

TEST_F(FailedWriteTest, TabTextOutputKeepsTheFileItWasToReplace) {
  Put("in.txt", LongSheet());
  Put("out.txt", "old text");
  std::optional<std::string> fileName;
  EXPECT_EQ(ConvertWithLimit("in.txt", QZ_TAB_TEXT, QZ_TAB_TEXT, "out", 100, &fileName), E_FAIL);
  EXPECT_FALSE(fileName.has_value());
  EXPECT_TRUE(Told("File too large"));
  EXPECT_EQ(Get("out.txt"), "old text");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"in.txt", "out.txt"}));
}

TEST_F(FailedWriteTest, FirstTabTextOutputLeavesNoPartOfItself) {
  Put("in.txt", LongSheet());
  std::optional<std::string> fileName;
  EXPECT_EQ(ConvertWithLimit("in.txt", QZ_TAB_TEXT, QZ_TAB_TEXT, "out", 100, &fileName), E_FAIL);
  EXPECT_FALSE(fileName.has_value());
  EXPECT_EQ(Entries(), std::vector<std::string>{"in.txt"});
}

TEST_F(FailedWriteTest, CalculatorOutputsKeepTheFilesTheyWereToReplace) {
  Put("in.txt", LongSheet());
  const struct {
    GRIDLET_FILE_TYPES type;
    const char* name;
    const char* file;
  } targets[] = {{QZ_GRIDLET_XBP, "SHEET", "SHEET.xbv"},
                 {QZ_GRIDLET_XC, "sheet", "sheet.xcy"},
                 {QZ_GRIDLET_XD, "sheet", "sheet.xdy"},
                 {QZ_GRIDLET_XF, "sheet", "sheet.xfy"}};
  for (const auto& target : targets) {
    SCOPED_TRACE(target.file);
    ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, target.type, target.name), S_OK);
    const std::string whole = Get(target.file);
    ASSERT_GT(whole.size(), 300u);

    boxes.boxes.clear();
    std::optional<std::string> fileName;
    // The device file service's write fails: shown, and no file is named.
    ConvertWithLimit("in.txt", QZ_TAB_TEXT, target.type, target.name, 200, &fileName);
    EXPECT_FALSE(fileName.has_value());
    EXPECT_TRUE(Told("File too large"));
    EXPECT_EQ(Get(target.file), whole);
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"SHEET.xbv", "in.txt", "sheet.xcy", "sheet.xdy",
                                                 "sheet.xfy"}));
}

TEST_F(FailedWriteTest, DeviceCopyKeepsTheFileItWasToReplace) {
  Put("in.txt", LongSheet());
  ASSERT_EQ(Convert("in.txt", QZ_TAB_TEXT, QZ_GRIDLET_XD, "sheet"), S_OK);
  ASSERT_EQ(Convert("sheet.xdy", QZ_GRIDLET_XD, QZ_GRIDLET_XF, "copy"), S_OK);
  const std::string whole = Get("copy.xfy");
  ASSERT_GT(whole.size(), 300u);

  boxes.boxes.clear();
  std::optional<std::string> fileName;
  EXPECT_EQ(ConvertWithLimit("sheet.xdy", QZ_GRIDLET_XD, QZ_GRIDLET_XF, "copy", 200, &fileName),
            E_FAIL);
  EXPECT_FALSE(fileName.has_value());
  EXPECT_TRUE(Told("File too large"));
  EXPECT_EQ(Get("copy.xfy"), whole);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"copy.xfy", "in.txt", "sheet.xdy"}));
}

TEST_F(FailedWriteTest, ADeclinedReplacementLeavesTheFileAlone) {
  Put("in.txt", LongSheet());
  Put("out.txt", "old text");
  ConversionRequest request;
  request.inputPath = dir_ + "in.txt";
  request.fromType = QZ_TAB_TEXT;
  request.outputLocation = dir_;
  request.saveInternalName = "out";
  request.toType = QZ_TAB_TEXT;
  ConversionDriver driver{ConversionServices{files, messages, devices}};
  boxes.answers = {IDNO, IDCANCEL};
  std::optional<std::string> fileName;
  EXPECT_EQ(driver.Convert(request, &fileName), CONVERT_SKIPPED);
  EXPECT_EQ(driver.Convert(request, &fileName), CONVERT_CANCELLED);
  EXPECT_FALSE(fileName.has_value());
  EXPECT_EQ(Get("out.txt"), "old text");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"in.txt", "out.txt"}));
}

}  // namespace
}  // namespace gridlet
