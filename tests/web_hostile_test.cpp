// Hostile clients of `gridlet serve`: damaged sheets of every type,
// malformed and truncated requests, huge headers and file names that try
// to climb out. Each gets a 4xx answer (a damaged sheet that still reads
// may convert), never a fault of the server, and the server stays up.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
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
namespace fs = std::filesystem;

constexpr std::size_t kMaxUpload = 64 * 1024;

// Whether an answer holds its headers and the body they announce (the
// server may keep the connection open after it).
bool Complete(const std::string& answer) {
  const std::size_t end = answer.find("\r\n\r\n");
  if (end == std::string::npos) return false;
  const std::string headers = answer.substr(0, end);
  const std::size_t at = headers.find("Content-Length: ");
  if (at == std::string::npos) return false;
  return answer.size() - end - 4 >= std::stoul(headers.substr(at + 16));
}

// Sends the bytes on a connection of its own and returns the server's
// answer: until its announced body is complete, or the connection closes.
std::string Exchange(int port, const std::string& request, int timeoutSeconds = 30) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{timeoutSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  std::string answer;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    // The server may answer and close before it has read everything.
    for (std::size_t sent = 0; sent < request.size();) {
      const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    char buffer[65536];
    for (ssize_t n; !Complete(answer) && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
      answer.append(buffer, static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  return answer;
}

int StatusOf(const std::string& answer) {
  if (answer.rfind("HTTP/1.1 ", 0) != 0 || answer.size() < 12) return 0;
  return std::stoi(answer.substr(9, 3));
}

std::string BodyOf(const std::string& answer) {
  const std::size_t end = answer.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

const std::string kBoundary = "gridletBoundary";

std::string Part(const std::string& disposition, const std::string& content) {
  return "--" + kBoundary + "\r\nContent-Disposition: form-data; " + disposition + "\r\n\r\n" + content + "\r\n";
}

std::string PostRequest(const std::string& body, std::size_t contentLength) {
  return "POST /api/convert HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
         "Content-Type: multipart/form-data; boundary=" + kBoundary + "\r\nContent-Length: " +
         std::to_string(contentLength) + "\r\n\r\n" + body;
}

std::string ConvertRequest(const std::string& fileName, const std::string& content) {
  const std::string body = Part("name=\"to\"", "xbv") + Part("name=\"file\"; filename=\"" + fileName + "\"", content) +
                           "--" + kBoundary + "--\r\n";
  return PostRequest(body, body.size());
}

class WebHostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server = std::make_unique<ServedGridlet>(std::vector<std::string>{"--max-upload", "64K", "--jobs", "2"});
  }
  void TearDown() override {
    EXPECT_TRUE(server->Alive()) << server->Log();
    EXPECT_EQ(server->Stop(), 0) << server->Log();
  }

  // An answer of the client's fault: a 4xx status with a JSON error.
  void ExpectRefused(const std::string& answer, int status = 0) {
    const int got = StatusOf(answer);
    EXPECT_GE(got, 400) << answer.substr(0, 300);
    EXPECT_LT(got, 500) << answer.substr(0, 300);
    if (status) {
      EXPECT_EQ(got, status) << answer.substr(0, 300);
    }
    const nlohmann::json body = nlohmann::json::parse(BodyOf(answer), nullptr, false);
    EXPECT_TRUE(body.is_object() && body.contains("error")) << answer.substr(0, 300);
  }

  ScratchFolder folder;
  std::unique_ptr<ServedGridlet> server;
};

// A damaged copy of a file: bytes overwritten, cut off, repeated or
// inserted, as a fuzzer mutates its corpus.
std::string Mutate(const std::string& original, Random& random) {
  std::string bytes = original;
  const int edits = random.Between(1, 4);
  for (int i = 0; i < edits && !bytes.empty(); ++i) {
    const std::size_t at = static_cast<std::size_t>(random.Between(0, static_cast<int>(bytes.size()) - 1));
    switch (random.Between(0, 4)) {
      case 0: bytes[at] = static_cast<char>(random.Between(0, 255)); break;
      case 1: bytes.resize(at); break;
      case 2: bytes.insert(at, bytes.substr(at, static_cast<std::size_t>(random.Between(1, 64)))); break;
      case 3: bytes.insert(at, std::string(static_cast<std::size_t>(random.Between(1, 16)), '\xFF')); break;
      default:  // a length or count field at the front
        for (std::size_t k = 0; k < 4 && at % 96 + k < bytes.size(); ++k) {
          bytes[at % 96 + k] = static_cast<char>(random.Between(0, 255));
        }
    }
  }
  return bytes;
}

TEST_F(WebHostileTest, DamagedSheetsOfEveryTypeAreRefusedOrConverted) {
  // Valid files of every type, then a corpus of damaged ones.
  std::vector<std::string> valid;
  for (int seed = 1; seed <= 4; ++seed) {
    Random random(static_cast<std::uint64_t>(seed) * 104729);
    folder.Write("s" + std::to_string(seed) + ".txt", testing::MakeSheet(random, random.Between(1, 26)).text);
    valid.push_back("s" + std::to_string(seed) + ".txt");
  }
  std::map<std::string, std::string> corpus;  // name -> bytes
  for (const std::string type : {"txt", "xbv", "xcy", "xdy", "xfy"}) {
    const std::vector<testing::Written> files = type == "txt" ? std::vector<testing::Written>{}
                                                              : CommandOutputs(folder, valid, type);
    for (std::size_t i = 0; i < valid.size(); ++i) {
      const std::string original = type == "txt" ? folder.Read(valid[i]) : files.at(i).bytes;
      Random random(i * 31 + type.size() * 7 + static_cast<std::size_t>(type[1]));
      for (int copy = 0; copy < 12; ++copy) {
        corpus["m" + std::to_string(i) + "-" + std::to_string(copy) + "." + type] = Mutate(original, random);
      }
    }
  }
  // The fuzzers' own corpora, when given (fuzz/run.sh keeps them).
  if (const char* root = std::getenv("GRIDLET_FUZZ_CORPUS")) {
    const std::map<std::string, std::string> extensions = {
        {"text_sheet", "txt"}, {"xb_sheet", "xbv"}, {"sheet68k", "xdy"}, {"link_file", "xcy"}};
    for (const auto& [target, extension] : extensions) {
      std::error_code error;
      int taken = 0;
      for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(root) / target, error)) {
        if (++taken > 200) break;
        corpus["fuzz-" + entry.path().filename().string() + "." + extension] = testing::ReadFile(entry.path());
      }
    }
  }

  const std::vector<std::string> targets = {"txt", "xbv", "xcy", "xdy", "xfy", "null"};
  Random random(99);
  auto client = server->Client();
  int refused = 0;
  for (const auto& [name, bytes] : corpus) {
    const std::string& target = targets[static_cast<std::size_t>(random.Between(0, 5))];
    const httplib::MultipartFormDataItems parts{FilePart(name, bytes), Field("to", target)};
    httplib::Result result = client->Post("/api/convert", parts);
    ASSERT_TRUE(result) << name << " to " << target << ": no answer" << server->Log();
    EXPECT_TRUE(result->status == 200 || result->status == 204 || (result->status >= 400 && result->status < 500))
        << name << " to " << target << ": " << result->status << " " << result->body;
    if (result->status >= 400) {
      ++refused;
      const nlohmann::json body = nlohmann::json::parse(result->body, nullptr, false);
      EXPECT_TRUE(body.is_object() && !body["error"].get<std::string>().empty()) << result->body;
    }
  }
  // The corpus is hostile enough that much of it is refused.
  EXPECT_GT(refused, static_cast<int>(corpus.size()) / 4);
}

TEST_F(WebHostileTest, MalformedRequestsAreRefusedAndTheServerStaysUp) {
  const int port = server->Port();
  const std::string file = Part("name=\"to\"", "xbv") + Part("name=\"file\"; filename=\"a.txt\"", "1\t2");
  // A well-formed request converts, so what follows fails for its faults only.
  EXPECT_EQ(StatusOf(Exchange(port, ConvertRequest("a.txt", "1\t2\r\n"))), 200);

  // Multipart bodies cut short: without the closing boundary, inside a
  // part's headers, and shorter than their Content-Length.
  ExpectRefused(Exchange(port, PostRequest(file, file.size())), 400);
  ExpectRefused(Exchange(port, PostRequest(file.substr(0, 40), 40)), 400);
  ExpectRefused(Exchange(port, PostRequest(file, file.size() + 1000)), 400);
  // Not multipart at all, or without its boundary.
  ExpectRefused(Exchange(port, "POST /api/convert HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                               "Content-Type: multipart/form-data\r\nContent-Length: 5\r\n\r\nhello"), 400);
  ExpectRefused(Exchange(port, "POST /api/convert HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                               "Content-Type: application/json\r\nContent-Length: 2\r\n\r\n{}"), 400);
  ExpectRefused(Exchange(port, "NONSENSE\r\n\r\n"), 400);

  // Huge headers: one line, many lines, the address itself.
  ExpectRefused(Exchange(port, "GET /api/health HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nX-Big: " +
                                   std::string(100000, 'a') + "\r\n\r\n"));
  std::string many = "GET /api/health HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
  for (int i = 0; i < 2000; ++i) many += "X-Header-" + std::to_string(i) + ": " + std::string(100, 'b') + "\r\n";
  ExpectRefused(Exchange(port, many + "\r\n"), 431);
  ExpectRefused(Exchange(port, "GET /" + std::string(100000, 'a') + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"), 414);

  // Uploads over the limit are refused before they are read: a Content-Length
  // far beyond it gets its answer although the body never comes.
  ExpectRefused(Exchange(port, PostRequest("", 1u << 30)), 413);
  std::string chunked = "POST /api/convert HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                        "Content-Type: multipart/form-data; boundary=" + kBoundary +
                        "\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (std::size_t sent = 0; sent <= kMaxUpload; sent += 4096) chunked += "1000\r\n" + std::string(4096, 'x') + "\r\n";
  ExpectRefused(Exchange(port, chunked + "0\r\n\r\n"));

  // File names that climb, or hold a zero byte, a control character or a
  // separator, are refused: nothing a client names is a path.
  for (const std::string& name : {std::string("../../etc/passwd.txt"), std::string("..\\..\\boot.ini.txt"),
                                  std::string("/etc/passwd.txt"), std::string("a\0b.txt", 7),
                                  std::string("a\x1b]0;x\x07.txt"), std::string("..")}) {
    SCOPED_TRACE(name);
    ExpectRefused(Exchange(port, ConvertRequest(name, "1\t2\r\n")), 400);
  }
}

}  // namespace
}  // namespace gridlet
