// `gridlet serve` under load: hundreds of mixed conversions (tab text, both
// calculator families, workbooks; every target the command writes the same
// bytes for each time), 32 at once on the loopback address. Every answer
// must be the command's file for the same input, byte for byte. The run is
// bounded in count and time and stops by itself; it reports throughput and
// latency (p50, p99), and writes them as Markdown to the file named by
// GRIDLET_LOAD_REPORT (bench/web_load.sh puts them into bench/README.md).
//
// GRIDLET_LOAD_REQUESTS sets the number of requests (default 512).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/random_sheet.h"
#include "support/served_gridlet.h"

namespace gridlet {
namespace {

using testing::CommandOutputs;
using testing::Field;
using testing::FilePart;
using testing::Random;
using testing::ScratchFolder;
using testing::ServedGridlet;
using Clock = std::chrono::steady_clock;

constexpr int kAtOnce = 32;
constexpr auto kTimeLimit = std::chrono::minutes(10);
const std::vector<std::string> kTargets = {"txt", "xbv", "xcy", "xdy", "xfy"};

struct Source {
  std::string name;
  bool workbook = false;
  std::map<std::string, testing::Written> expected;  // by target
};

struct Job {
  const Source* source;
  std::string target;
};

struct Sample {
  double milliseconds;
  bool workbook;
};

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

class WebLoadTest : public ::testing::Test {
 protected:
  // Sources of every type, and what the command writes for each of them to
  // every target.
  void MakeSources(bool withWorkbooks) {
    std::vector<std::string> texts;
    for (int seed = 1; seed <= 12; ++seed) {
      Random random(static_cast<std::uint64_t>(seed) * 6151);
      const std::string name = "load" + std::to_string(seed) + ".txt";
      folder.Write(name, testing::MakeSheet(random, random.Between(1, 26)).text);
      texts.push_back(name);
    }
    std::map<std::string, std::vector<std::string>> byType{{"txt", texts}};
    for (const std::string type : {"xbv", "xcy", "xdy", "xfy"}) {
      const std::vector<testing::Written> written = CommandOutputs(folder, texts, type);
      for (std::size_t i = 0; i < written.size(); ++i) {
        const std::string name = "load" + std::to_string(i + 1) + "." + type;
        folder.Write(name, written[i].bytes);
        byType[type].push_back(name);
      }
    }
    if (withWorkbooks) {
      const std::vector<std::string> few(texts.begin(), texts.begin() + 4);
      const std::vector<testing::Written> written = CommandOutputs(folder, few, "xls");
      for (std::size_t i = 0; i < written.size(); ++i) {
        const std::string name = "book" + std::to_string(i + 1) + ".xls";
        folder.Write(name, written[i].bytes);
        byType["xls"].push_back(name);
      }
    }
    for (const auto& [type, names] : byType) {
      std::vector<Source> group;
      for (const std::string& name : names) group.push_back(Source{name, type == "xls", {}});
      for (const std::string& target : kTargets) {
        const std::vector<testing::Written> written = CommandOutputs(folder, names, target);
        ASSERT_EQ(written.size(), names.size());
        for (std::size_t i = 0; i < names.size(); ++i) group[i].expected[target] = written[i];
      }
      for (Source& source : group) sources.push_back(std::move(source));
    }
  }

  ScratchFolder folder;
  std::vector<Source> sources;
};

TEST_F(WebLoadTest, HundredsOfMixedConversionsAtOnceGiveTheCommandsBytes) {
  const bool workbooks = testing::HaveLibreOffice();
  if (!workbooks) std::fprintf(stderr, "LibreOffice is not installed: the load runs without workbooks\n");
  MakeSources(workbooks);
  ASSERT_FALSE(HasFatalFailure());

  const char* count = std::getenv("GRIDLET_LOAD_REQUESTS");
  const int requests = std::max(500, count ? std::atoi(count) : 512);
  // About one request in ten is a workbook, the rest spread over the other types.
  std::vector<const Source*> books;
  std::vector<const Source*> others;
  for (const Source& source : sources) (source.workbook ? books : others).push_back(&source);
  Random random(2024);
  std::vector<Job> jobs;
  for (int i = 0; i < requests; ++i) {
    const bool book = !books.empty() && random.OneIn(10);
    const auto& pool = book ? books : others;
    jobs.push_back({pool[static_cast<std::size_t>(random.Between(0, static_cast<int>(pool.size()) - 1))],
                    kTargets[static_cast<std::size_t>(random.Between(0, static_cast<int>(kTargets.size()) - 1))]});
  }
  std::map<std::string, std::string> contents;
  for (const Source& source : sources) contents[source.name] = folder.Read(source.name);

  ServedGridlet server;
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::vector<Sample> samples;
  std::vector<std::string> faults;
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + kTimeLimit;
  std::vector<std::thread> clients;
  for (int c = 0; c < kAtOnce; ++c) {
    clients.emplace_back([&] {
      auto client = server.Client();
      client->set_keep_alive(true);
      for (std::size_t i; (i = next++) < jobs.size() && Clock::now() < deadline;) {
        const Job& job = jobs[i];
        const httplib::MultipartFormDataItems parts{FilePart(job.source->name, contents.at(job.source->name)),
                                                    Field("to", job.target)};
        const Clock::time_point sent = Clock::now();
        httplib::Result result = client->Post("/api/convert", parts);
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
        std::string fault;
        const testing::Written& expected = job.source->expected.at(job.target);
        if (!result) {
          fault = "no answer (" + httplib::to_string(result.error()) + ")";
        } else if (result->status != 200) {
          fault = "status " + std::to_string(result->status) + ": " + result->body;
        } else if (result->body != expected.bytes) {
          fault = "bytes differ from the command's";
        } else if (result->get_header_value("Content-Disposition").find("\"" + expected.name + "\"") ==
                   std::string::npos) {
          fault = "named " + result->get_header_value("Content-Disposition");
        }
        std::lock_guard lock(mutex);
        samples.push_back({elapsed, job.source->workbook});
        if (!fault.empty()) faults.push_back(job.source->name + " to " + job.target + ": " + fault + " after " + std::to_string(elapsed) + " ms at " + std::to_string(std::chrono::duration<double>(sent - start).count()));
      }
    });
  }
  for (std::thread& client : clients) client.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

  EXPECT_EQ(samples.size(), jobs.size()) << "the run did not finish within " << kTimeLimit.count() << " minutes";
  EXPECT_TRUE(faults.empty()) << faults.size() << " faults; the first: " << faults.front();
  for (auto& f : faults) std::fprintf(stderr, "FAULT %s\n", f.c_str());
  EXPECT_TRUE(server.Alive());
  EXPECT_EQ(server.Stop(), 0) << server.Log();

  std::vector<double> all;
  std::vector<double> workbook;
  std::vector<double> other;
  for (const Sample& sample : samples) {
    all.push_back(sample.milliseconds);
    (sample.workbook ? workbook : other).push_back(sample.milliseconds);
  }
  char report[1024];
  std::snprintf(report, sizeof report,
                "| requests | at once | seconds | conversions/s | p50 ms | p99 ms |\n"
                "|---|---|---|---|---|---|\n"
                "| %zu (all) | %d | %.1f | %.1f | %.1f | %.1f |\n"
                "| %zu workbooks | | | | %.1f | %.1f |\n"
                "| %zu text and calculator files | | | | %.1f | %.1f |\n",
                all.size(), kAtOnce, seconds, static_cast<double>(all.size()) / seconds, Percentile(all, 0.5),
                Percentile(all, 0.99), workbook.size(), Percentile(workbook, 0.5), Percentile(workbook, 0.99),
                other.size(), Percentile(other, 0.5), Percentile(other, 0.99));
  std::fputs(report, stderr);
  if (const char* path = std::getenv("GRIDLET_LOAD_REPORT")) std::ofstream(path) << report;
}

}  // namespace
}  // namespace gridlet
