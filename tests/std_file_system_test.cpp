#include "platform/std_file_system.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/background_sync.h"
#include "platform/leftovers.h"
#include "platform/mapped_files.h"

namespace gridlet {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

class StdFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "gridlet_fs_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return dir_.string() + "/" + name; }

  // Names of everything in the test folder: shows left-over temporary files.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    return names;
  }

  bool Write(const std::string& path, const std::string& text, std::string* why = nullptr) {
    const std::vector<std::uint8_t> bytes = Bytes(text);
    return files_.WriteFile(path, bytes.data(), bytes.size(), why);
  }

  StdFileSystem files_;
  fs::path dir_;
};

TEST_F(StdFileSystemTest, WritesReplacesAndReadsWholeFiles) {
  const std::string path = PathOf("sheet.txt");
  ASSERT_TRUE(Write(path, "first content"));
  EXPECT_EQ(files_.ReadFile(path), Bytes("first content"));
  ASSERT_TRUE(Write(path, "2nd"));
  EXPECT_EQ(files_.ReadFile(path), Bytes("2nd"));
  ASSERT_TRUE(files_.WriteFile(path, nullptr, 0));
  EXPECT_EQ(files_.ReadFile(path), std::vector<std::uint8_t>{});
  EXPECT_EQ(Entries(), std::vector<std::string>{"sheet.txt"});
}

TEST_F(StdFileSystemTest, BinaryContentIsKeptExactly) {
  std::vector<std::uint8_t> bytes(200000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
  const std::string path = PathOf("data.xbv");
  ASSERT_TRUE(files_.WriteFile(path, bytes.data(), bytes.size()));
  EXPECT_EQ(files_.ReadFile(path), bytes);
}

TEST_F(StdFileSystemTest, PathsAreCp1252AndReachTheSystemAsUtf8) {
  const std::string path = PathOf("caf\xE9 \x80.txt");  // "café €.txt"
  ASSERT_TRUE(Write(path, "x"));
  EXPECT_TRUE(fs::exists(dir_ / fs::path(u8"caf\u00E9 \u20AC.txt")));
  EXPECT_TRUE(files_.Exists(path));
  EXPECT_EQ(files_.ReadFile(path), Bytes("x"));
  EXPECT_TRUE(files_.RemoveFile(path));
  EXPECT_TRUE(Entries().empty());
}

TEST_F(StdFileSystemTest, FailingWriteLeavesTheOldFileAndNoTemporaryFile) {
  const std::string path = PathOf("keep.txt");
  ASSERT_TRUE(Write(path, "old"));

  // A file size limit makes the write itself fail part way.
  rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string why;
  const bool written = Write(path, std::string(1000, 'n'), &why);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(written);
  EXPECT_EQ(why, "File too large");
  EXPECT_EQ(files_.ReadFile(path), Bytes("old"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"keep.txt"});
}

TEST_F(StdFileSystemTest, AFileWrittenInPiecesShowsOnlyWhenCommitted) {
  const std::string path = PathOf("pieces.txt");
  ASSERT_TRUE(Write(path, "old"));
  const std::vector<std::uint8_t> piece = Bytes("piece,");
  {
    std::unique_ptr<OutputFile> dropped = files_.OpenOutput(path);
    ASSERT_NE(dropped, nullptr);
    EXPECT_TRUE(dropped->Write(piece.data(), piece.size()));
  }
  EXPECT_EQ(files_.ReadFile(path), Bytes("old"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"pieces.txt"});

  std::unique_ptr<OutputFile> output = files_.OpenOutput(path);
  ASSERT_NE(output, nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(output->Write(piece.data(), piece.size()));
  EXPECT_EQ(files_.ReadFile(path), Bytes("old"));
  EXPECT_EQ(Entries().size(), 2u);  // the pending file beside the old one
  ASSERT_TRUE(output->Commit());
  EXPECT_EQ(files_.ReadFile(path), Bytes("piece,piece,piece,"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"pieces.txt"});
  EXPECT_EQ(files_.OpenOutput(PathOf("missing/x.txt")), nullptr);
}

// A large output is synced in the background while it is written: a file
// given up while that goes on leaves nothing behind, and one committed is
// whole.
TEST_F(StdFileSystemTest, ALargeFileSyncedWhileWrittenIsWholeOnlyWhenCommitted) {
  const std::string path = PathOf("large.txt");
  ASSERT_TRUE(Write(path, "old"));
  std::vector<std::uint8_t> piece(std::size_t{3} << 20);
  for (int round = 0; round < 2; ++round) {
    std::unique_ptr<OutputFile> output = files_.OpenOutput(path);
    ASSERT_NE(output, nullptr);
    std::vector<std::uint8_t> expected;
    for (std::uint8_t i = 0; i < 5; ++i) {
      std::fill(piece.begin(), piece.end(), static_cast<std::uint8_t>('a' + i + round));
      ASSERT_TRUE(output->Write(piece.data(), piece.size()));
      expected.insert(expected.end(), piece.begin(), piece.end());
    }
    if (round == 0) {
      output.reset();  // given up
      EXPECT_EQ(files_.ReadFile(path), Bytes("old"));
    } else {
      ASSERT_TRUE(output->Commit());
      EXPECT_EQ(files_.ReadFile(path), expected);
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"large.txt"});
  }
}

// The system reports a failed sync once: the background sync keeps the
// error for the caller. (A pipe cannot be synced at all.)
TEST(BackgroundSyncTest, KeepsTheFirstErrorOfASyncForTheCaller) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  {
    BackgroundSync idle(pipeEnds[1]);
    EXPECT_EQ(idle.Finish(), 0);  // nothing asked, nothing synced
  }
  {
    BackgroundSync dropped(pipeEnds[1]);
    dropped.Request();
  }  // (waits for the sync, if it began)
  BackgroundSync sync(pipeEnds[1]);
  sync.Request();
  sync.Request();
  EXPECT_EQ(sync.Finish(), EINVAL);
  sync.Request();  // after the end: ignored
  EXPECT_EQ(sync.Finish(), EINVAL);
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
}

TEST_F(StdFileSystemTest, LargeFilesAreReadInPlaceOnlyWhereACutShortFileEndsTheProcessCleanly) {
  const std::string path = PathOf("large.txt");
  std::string content(3 << 20, 'x');
  content.back() = 'y';
  ASSERT_TRUE(Write(path, content));
  // Without the handler the file is read as a copy.
  std::optional<SourceBytes> read = files_.ReadLargeFile(path);
  ASSERT_TRUE(read);
  EXPECT_EQ(std::string(read->begin(), read->end()), content);

  // With it, the file is mapped: cut short meanwhile, reading its lost part
  // ends the process with a message, and what the process was writing is
  // removed.
  const std::string pending = PathOf("pending.tmp");
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        EndCleanlyWhenAMappedFileShrinks();
        std::optional<SourceBytes> mapped = files_.ReadLargeFile(path);
        if (!mapped || (*mapped)[mapped->size() - 1] != 'y') std::_Exit(2);
        std::ofstream(pending) << "part";
        leftovers::AddPath(pending, leftovers::Kind::File);
        if (::truncate(path.c_str(), 0) != 0) std::_Exit(3);
        volatile std::uint8_t lost = (*mapped)[mapped->size() - 1];
        (void)lost;
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(1), "cut short by another program");
  EXPECT_FALSE(fs::exists(pending));
}

TEST_F(StdFileSystemTest, UnwritableFoldersGiveFalseAndAReason) {
  std::string why;
  EXPECT_FALSE(Write(PathOf("missing/out.txt"), "x", &why));
  EXPECT_EQ(why, "No such file or directory");

  ASSERT_TRUE(Write(PathOf("plain"), "file"));
  why.clear();
  EXPECT_FALSE(Write(PathOf("plain/out.txt"), "x", &why));
  EXPECT_EQ(why, "Not a directory");

  // A folder in the target's place is not replaced.
  fs::create_directory(dir_ / "folder");
  fs::create_directory(dir_ / "folder" / "inner");
  why.clear();
  EXPECT_FALSE(Write(PathOf("folder"), "x", &why));
  EXPECT_FALSE(why.empty());
  EXPECT_TRUE(fs::is_directory(dir_ / "folder" / "inner"));

  why.clear();
  EXPECT_FALSE(Write(PathOf("trailing/"), "x", &why));
  EXPECT_FALSE(why.empty());

  EXPECT_EQ(Entries().size(), 2u);  // "plain" and "folder", no temporary files
}

TEST_F(StdFileSystemTest, UnusablePathsAreRefused) {
  std::string why;
  EXPECT_FALSE(Write("", "x", &why));
  EXPECT_FALSE(why.empty());
  // A zero byte would otherwise cut the name short and hit another file.
  const std::string cut = PathOf("a") + std::string(1, '\0') + "b";
  EXPECT_FALSE(Write(cut, "x", &why));
  EXPECT_FALSE(files_.Exists(PathOf("a")));
  EXPECT_EQ(files_.ReadFile(cut), std::nullopt);
  EXPECT_FALSE(files_.Exists(""));
  EXPECT_FALSE(files_.RemoveFile(""));
}

TEST_F(StdFileSystemTest, ReplacingAFileKeepsItsPermissions) {
  const std::string path = PathOf("mode.txt");
  ASSERT_TRUE(Write(path, "a"));
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(Write(path, "b"));
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(StdFileSystemTest, ReadExistsAndRemoveTellFilesFromTheRest) {
  const std::string path = PathOf("f.txt");
  EXPECT_EQ(files_.ReadFile(path), std::nullopt);
  EXPECT_FALSE(files_.Exists(path));
  EXPECT_FALSE(files_.RemoveFile(path));

  ASSERT_TRUE(Write(path, "x"));
  EXPECT_TRUE(files_.Exists(path));
  EXPECT_TRUE(files_.Exists(dir_.string()));
  EXPECT_EQ(files_.ReadFile(dir_.string()), std::nullopt);  // a folder has no content
  EXPECT_FALSE(files_.RemoveFile(dir_.string()));
  EXPECT_TRUE(files_.RemoveFile(path));
  EXPECT_FALSE(files_.Exists(path));
}

// Sets TMPDIR for one test and puts the old value back.
class ScopedTmpdir {
 public:
  explicit ScopedTmpdir(const std::string& value) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    ::setenv("TMPDIR", value.c_str(), 1);
  }
  ~ScopedTmpdir() {
    if (old_) {
      ::setenv("TMPDIR", old_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

 private:
  std::optional<std::string> old_;
};

TEST_F(StdFileSystemTest, TemporaryFilesAreEmptyUniqueAndInTmpdir) {
  ScopedTmpdir tmpdir(dir_.string() + "/");
  const std::optional<std::string> first = files_.CreateTempFile("GRD");
  const std::optional<std::string> second = files_.CreateTempFile("GRD");
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
  for (const std::string& path : {*first, *second}) {
    EXPECT_EQ(fs::path(path).parent_path(), dir_);
    EXPECT_EQ(fs::path(path).filename().string().rfind("GRD", 0), 0u) << path;
    EXPECT_EQ(files_.ReadFile(path), std::vector<std::uint8_t>{});
  }
}

TEST_F(StdFileSystemTest, TemporaryFilesFallBackToTmpWhenTmpdirIsUnusable) {
  ScopedTmpdir tmpdir(PathOf("no such folder"));
  const std::optional<std::string> path = files_.CreateTempFile("GRD");
  ASSERT_TRUE(path);
  EXPECT_EQ(fs::path(*path).parent_path(), fs::path("/tmp"));
  EXPECT_TRUE(files_.RemoveFile(*path));
  EXPECT_EQ(files_.CreateTempFile("a/b"), std::nullopt);
}

}  // namespace
}  // namespace gridlet
