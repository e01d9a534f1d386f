// The command stopped by a signal in the middle of a workbook conversion
// against the real LibreOffice: it ends LibreOffice (soffice.bin, oosplash
// and the helper), removes its private folder, the pipe sockets and every
// temporary file holding the user's data, and exits with 128 + the signal.
// Skipped without LibreOffice.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_runner.h"
#include "support/fods_book.h"
#include "support/office_processes.h"

namespace gridlet {
namespace {

namespace fs = std::filesystem;
using testing::CliPath;
using testing::Described;
using testing::PipeSockets;
using testing::ProcessesUsing;
using testing::StalePipeSockets;
using testing::FodsBook;
using testing::FodsCell;
using testing::ScratchFolder;

bool HaveLibreOffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Starts `gridlet ARGS...` in the folder with its temporary folder inside
// it and its output in files there.
pid_t StartCommand(const ScratchFolder& folder, const fs::path& temporary, const std::vector<std::string>& args) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::setenv("TMPDIR", temporary.c_str(), 1);
  if (::chdir(folder.Path().c_str()) != 0) ::_exit(120);
  std::vector<std::string> strings{CliPath()};
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  if (!std::freopen("/dev/null", "r", stdin) || !std::freopen(".stdout", "w", stdout) ||
      !std::freopen(".stderr", "w", stderr)) {
    ::_exit(121);
  }
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

// A signal, and whether it comes once the batch has written its first
// output (LibreOffice at work) or as soon as LibreOffice starts.
struct Moment {
  int signal;
  bool afterFirstOutput;
};

class TerminationTest : public ::testing::TestWithParam<Moment> {};

TEST_P(TerminationTest, ASignalDuringAWorkbookConversionLeavesNothingBehind) {
  if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const int signal = GetParam().signal;
  ScratchFolder folder;
  const fs::path temporary = folder.Path() / "tmp";
  fs::create_directories(temporary);
  fs::create_directories(folder.Path() / "out");
  FodsBook book;
  for (int row = 1; row <= 20; ++row) book.Set(row, 1, FodsCell::Text("private data")).Set(row, 2, FodsCell::Number(row));
  // A batch, so that the command is still at work when the signal comes.
  std::vector<std::string> args{"convert"};
  for (int i = 0; i < 20; ++i) {
    const std::string name = "book" + std::to_string(i) + ".fods";
    folder.Write(name, book.Xml());
    args.push_back(name);
  }
  args.insert(args.end(), {"--from", "xls", "--to", "txt", "-o", "out"});
  const std::set<std::string> socketsBefore = PipeSockets();

  const pid_t command = StartCommand(folder, temporary, args);
  ASSERT_GT(command, 0);
  // Until LibreOffice runs for it, while a temporary file holds the data
  // (and, when asked, the first output is there).
  bool running = false;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
  while (!running && std::chrono::steady_clock::now() < deadline) {
    ASSERT_EQ(::waitpid(command, &status, WNOHANG), 0)
        << "the command ended first with status " << status << ": " << folder.Read(".stderr");
    bool office = false;
    for (const testing::RunningProcess& process : ProcessesUsing(temporary)) office = office || process.name == "soffice.bin";
    bool data = false;
    for (const std::string& name : Entries(temporary)) data = data || name.rfind("GRD", 0) == 0;
    running = office && data && (!GetParam().afterFirstOutput || !Entries(folder.Path() / "out").empty());
    if (!running) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(running) << "LibreOffice did not start for the command; " << folder.Read(".stderr");

  ASSERT_EQ(::kill(command, signal), 0);
  ASSERT_EQ(::waitpid(command, &status, 0), command);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
  EXPECT_NE(folder.Read(".stderr").find("stopped by"), std::string::npos);

  EXPECT_EQ(Described(ProcessesUsing(temporary)), std::vector<std::string>{});
  EXPECT_EQ(Entries(temporary), std::vector<std::string>{});  // no private folder, no GRD file
  EXPECT_EQ(StalePipeSockets(socketsBefore), std::vector<std::string>{});
  // Whatever was written is whole: no half-written file beside the outputs.
  for (const std::string& name : Entries(folder.Path() / "out")) EXPECT_EQ(name.rfind('.', 0), std::string::npos) << name;
}

INSTANTIATE_TEST_SUITE_P(EachSignal, TerminationTest,
                         ::testing::Values(Moment{SIGINT, false}, Moment{SIGTERM, true}, Moment{SIGHUP, true}),
                         [](const ::testing::TestParamInfo<Moment>& info) {
                           const int signal = info.param.signal;
                           return std::string(signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP") +
                                  (info.param.afterFirstOutput ? "AtWork" : "WhileStarting");
                         });

}  // namespace
}  // namespace gridlet
