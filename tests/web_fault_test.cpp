// A LibreOffice instance of `gridlet serve` killed while it converts a
// workbook: that request fails with a clear error (503, the spreadsheet
// application stopped), the next workbooks convert again on a fresh
// instance, other conversions go on, and nothing of the killed instance
// or of the requests is left behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "support/served_gridlet.h"

namespace gridlet {
namespace {

using testing::CommandOutputs;
using testing::Field;
using testing::FilePart;
using testing::ScratchFolder;
using testing::ServedGridlet;
using json = nlohmann::json;
namespace fs = std::filesystem;

// What /proc tells of a process: its name, its state letter and its parent.
struct ProcessStat {
  std::string name;
  char state = '?';
  pid_t parent = 0;
};

std::optional<ProcessStat> ReadProcessStat(const fs::path& folder) {
  std::ifstream stat(folder / "stat");
  std::string line;
  if (!std::getline(stat, line)) return std::nullopt;
  // pid (name) state ppid ...; the name may hold spaces and parentheses.
  const std::size_t open = line.find('(');
  const std::size_t close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close + 2 >= line.size()) return std::nullopt;
  ProcessStat found;
  found.name = line.substr(open + 1, close - open - 1);
  std::istringstream rest(line.substr(close + 2));
  rest >> found.state >> found.parent;
  return found;
}

// Whether a killed process has ended once it has had a moment to: it is
// gone, or it waits for a parent to collect it (the server's, gone with
// it, leaves that to the system's first process, which may take its time).
// `state` is the state it was last seen in ('-' when gone).
bool EndsAfterKill(pid_t pid, char& state) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    const std::optional<ProcessStat> stat = ReadProcessStat(fs::path("/proc") / std::to_string(pid));
    state = stat ? stat->state : '-';
    if (!stat || state == 'Z' || state == 'X') return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// The processes descended from a process, with their names.
std::map<pid_t, std::string> Descendants(pid_t root) {
  std::map<pid_t, ProcessStat> processes;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (std::optional<ProcessStat> stat = ReadProcessStat(entry.path())) processes[std::stoi(pid)] = *stat;
  }
  std::map<pid_t, std::string> found;
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [pid, stat] : processes) {
      if ((stat.parent == root || found.count(stat.parent)) && !found.count(pid)) {
        found[pid] = stat.name;
        grew = true;
      }
    }
  }
  return found;
}

int SpreadsheetsInUse(ServedGridlet& server) {
  httplib::Result health = server.Client()->Get("/api/health");
  if (!health || health->status != 200) return -1;
  return json::parse(health->body)["spreadsheets"]["inUse"].get<int>();
}

TEST(WebFaultTest, AKilledLibreOfficeFailsItsRequestAndTheNextOnesConvert) {
  if (!testing::HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  ScratchFolder folder;
  // A workbook large enough that LibreOffice works on it for a while.
  std::string large;
  for (int row = 1; row <= 3000; ++row) {
    for (int column = 1; column <= 20; ++column) large += std::to_string(row * 100 + column) + (column < 20 ? "\t" : "");
    large += "\r\n";
  }
  folder.Write("large.txt", large);
  folder.Write("small.txt", "Name\tMark\r\nAda\t17\r\n");
  const std::vector<testing::Written> books = CommandOutputs(folder, {"large.txt", "small.txt"}, "xls");
  ASSERT_EQ(books.size(), 2u);
  folder.Write("small.xls", books[1].bytes);
  const std::string expected = CommandOutputs(folder, {"small.xls"}, "xbv").at(0).bytes;

  ServedGridlet server({"--jobs", "2", "--spreadsheet-instances", "1"});
  const auto convertSmall = [&] {
    const httplib::MultipartFormDataItems parts{FilePart("small.xls", books[1].bytes), Field("to", "xbv")};
    return server.Client()->Post("/api/convert", parts);
  };
  httplib::Result warm = convertSmall();
  ASSERT_TRUE(warm);
  ASSERT_EQ(warm->status, 200) << warm->body;

  std::future<httplib::Result> victim = std::async(std::launch::async, [&] {
    const httplib::MultipartFormDataItems parts{FilePart("large.xls", books[0].bytes), Field("to", "txt")};
    return server.Client()->Post("/api/convert", parts);
  });
  // Once the request holds the instance, LibreOffice is killed.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (SpreadsheetsInUse(server) < 1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(SpreadsheetsInUse(server), 1) << "the large workbook never reached LibreOffice";
  std::set<pid_t> killed;
  for (const auto& [pid, name] : Descendants(server.Pid())) {
    if (name.find("soffice") != std::string::npos || name.find("oosplash") != std::string::npos) {
      ::kill(pid, SIGKILL);
      killed.insert(pid);
    }
  }
  ASSERT_FALSE(killed.empty()) << "no LibreOffice process under the server";

  httplib::Result failed = victim.get();
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->status, 503) << failed->body;
  const json body = json::parse(failed->body, nullptr, false);
  ASSERT_TRUE(body.is_object()) << failed->body;
  EXPECT_EQ(body["code"], "0x8C05001F");
  EXPECT_NE(body["error"].get<std::string>().find("stopped"), std::string::npos) << failed->body;
  EXPECT_EQ(failed->get_header_value("Retry-After"), "5");

  // The next workbooks convert on a fresh instance, and so does the rest.
  for (int i = 0; i < 2; ++i) {
    httplib::Result next = convertSmall();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->status, 200) << next->body;
    EXPECT_EQ(next->body, expected);
  }
  const httplib::MultipartFormDataItems text{FilePart("small.txt", folder.Read("small.txt")), Field("to", "xdy")};
  httplib::Result other = server.Client()->Post("/api/convert", text);
  ASSERT_TRUE(other);
  EXPECT_EQ(other->status, 200);

  EXPECT_TRUE(server.Alive());
  EXPECT_EQ(server.Stop(), 0) << server.Log();
  // Neither the requests nor the instances, the killed one included, left
  // anything in the server's temporary folder.
  std::vector<std::string> left;
  for (const fs::directory_entry& entry : fs::directory_iterator(server.TempFolder())) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_TRUE(left.empty()) << left.size() << " left, the first: " << left.front();
  for (pid_t pid : killed) {
    char state = '?';
    EXPECT_TRUE(EndsAfterKill(pid, state)) << pid << " still runs (state " << state << ")";
  }
}

}  // namespace
}  // namespace gridlet
