// The HTTP API of `gridlet serve`, against a running server: conversions
// give the command's bytes for every pair of types, several files come back
// as a zip, failures are JSON with fitting statuses, the page is served by
// the binary itself with its security headers, and no request leaves a
// file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "model/trace.h"
#include "support/random_sheet.h"
#include "support/served_gridlet.h"
#include "web/page_assets.h"

namespace gridlet {
namespace {

using testing::CommandOutputs;
using testing::Field;
using testing::FilePart;
using testing::ScratchFolder;
using testing::ServedGridlet;
using json = nlohmann::json;
namespace fs = std::filesystem;

const std::vector<std::string> kTargets = {"txt", "xbv", "xcy", "xdy", "xfy"};

class WebApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTraceSink(nullptr);
    server = std::make_unique<ServedGridlet>(std::vector<std::string>{"--max-upload", "256K"});
  }

  // No request leaves anything in the server's temporary folder, and the
  // server is still up.
  void TearDown() override {
    ASSERT_TRUE(server->Alive()) << server->Log();
    for (const fs::directory_entry& entry : fs::directory_iterator(server->TempFolder())) {
      EXPECT_EQ(entry.path().filename().string().rfind("gridlet-web-", 0), std::string::npos)
          << entry.path() << " was left behind";
    }
    EXPECT_EQ(server->Stop(), 0) << server->Log();
  }

  httplib::Result Post(const std::string& path, const httplib::MultipartFormDataItems& parts) {
    return server->Client()->Post(path.c_str(), parts);
  }

  // A failure: its status, and a JSON body with a text, a code and messages.
  json ExpectFailure(const httplib::Result& result, int status, const std::string& code) {
    EXPECT_TRUE(result);
    if (!result) return json();
    EXPECT_EQ(result->status, status) << result->body;
    EXPECT_EQ(result->get_header_value("Content-Type"), "application/json; charset=utf-8");
    json body = json::parse(result->body, nullptr, false);
    EXPECT_TRUE(body.is_object()) << result->body;
    if (!body.is_object()) return json();
    EXPECT_FALSE(body.value("error", "").empty()) << result->body;
    EXPECT_EQ(body.value("code", ""), code) << result->body;
    EXPECT_TRUE(body["messages"].is_array()) << result->body;
    return body;
  }

  // The name a response gives its file: its UTF-8 form (RFC 5987).
  static std::string FileNameOf(const httplib::Response& response) {
    const std::string disposition = response.get_header_value("Content-Disposition");
    const std::string marker = "filename*=UTF-8''";
    const std::size_t at = disposition.find(marker);
    if (at == std::string::npos) return {};
    std::string name;
    for (std::size_t i = at + marker.size(); i < disposition.size() && disposition[i] != ';'; ++i) {
      if (disposition[i] == '%' && i + 2 < disposition.size()) {
        name += static_cast<char>(std::stoi(disposition.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        name += disposition[i];
      }
    }
    return name;
  }

  ScratchFolder folder;
  std::unique_ptr<ServedGridlet> server;
};

// Random sheets as tab text, and the same sheets as every calculator type
// (written by the command): sources of every type.
std::map<std::string, std::vector<std::string>> MakeSources(const ScratchFolder& folder, int count) {
  std::map<std::string, std::vector<std::string>> sources;
  for (int seed = 1; seed <= count; ++seed) {
    testing::Random random(static_cast<std::uint64_t>(seed) * 7919);
    const std::string name = "sheet" + std::to_string(seed) + ".txt";
    folder.Write(name, testing::MakeSheet(random, random.Between(1, 26)).text);
    sources["txt"].push_back(name);
  }
  for (const char* type : {"xbv", "xcy", "xdy", "xfy"}) {
    const std::vector<testing::Written> files = CommandOutputs(folder, sources["txt"], type);
    for (std::size_t i = 0; i < files.size(); ++i) {
      const std::string name = "sheet" + std::to_string(i + 1) + "." + std::string(type);
      folder.Write(name, files[i].bytes);
      sources[type].push_back(name);
    }
  }
  return sources;
}

TEST_F(WebApiTest, EveryPairOfTypesConvertsToTheCommandsBytes) {
  const auto sources = MakeSources(folder, 8);
  for (const auto& [sourceType, files] : sources) {
    for (const std::string& target : kTargets) {
      // The command converts the files of one type together; the service
      // one request each.
      const std::vector<testing::Written> expected = CommandOutputs(folder, files, target);
      ASSERT_EQ(expected.size(), files.size());
      for (std::size_t i = 0; i < files.size(); ++i) {
        httplib::Result result = Post("/api/convert", {FilePart(files[i], folder.Read(files[i])), Field("to", target)});
        ASSERT_TRUE(result) << files[i] << " to " << target;
        ASSERT_EQ(result->status, 200) << files[i] << " to " << target << ": " << result->body;
        EXPECT_EQ(result->body, expected[i].bytes) << files[i] << " to " << target;
        EXPECT_EQ(FileNameOf(*result), expected[i].name) << files[i] << " to " << target;
        EXPECT_TRUE(json::parse(result->get_header_value("X-Gridlet-Messages"), nullptr, false).is_array());
      }
    }
  }
}

TEST_F(WebApiTest, SeveralFilesComeBackAsAZipOfTheCommandsFiles) {
  const auto sources = MakeSources(folder, 3);
  // Two sources whose outputs share a name: the archive keeps both.
  const std::vector<std::string> files = {sources.at("txt")[0], sources.at("txt")[1], sources.at("xbv")[0],
                                          sources.at("xcy")[2]};
  httplib::MultipartFormDataItems parts{Field("to", "xdy")};
  for (const std::string& file : files) parts.push_back(FilePart(file, folder.Read(file)));
  httplib::Result result = Post("/api/convert", parts);
  ASSERT_TRUE(result);
  ASSERT_EQ(result->status, 200) << result->body;
  EXPECT_EQ(result->get_header_value("Content-Type"), "application/zip");
  folder.Write("all.zip", result->body);

  // Unpacked by another zip reader, which also checks every CRC.
  const std::string unzip = "cd '" + folder.Path().string() +
                            "' && /usr/bin/python3 -c \"import zipfile; z = zipfile.ZipFile('all.zip'); "
                            "assert z.testzip() is None; z.extractall('unzipped')\"";
  ASSERT_EQ(std::system(unzip.c_str()), 0);
  std::map<std::string, std::string> expected;
  const auto outputs = [&](const std::string& file) { return CommandOutputs(folder, {file}, "xdy").at(0).bytes; };
  expected["sheet1.xdy"] = outputs(files[0]);
  expected["sheet2.xdy"] = outputs(files[1]);
  expected["sheet1-2.xdy"] = outputs(files[2]);
  expected["sheet3.xdy"] = outputs(files[3]);
  std::map<std::string, std::string> unpacked;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder.Path() / "unzipped")) {
    unpacked[entry.path().filename().string()] = testing::ReadFile(entry.path());
  }
  EXPECT_EQ(unpacked, expected);
}

TEST_F(WebApiTest, ARequestThatCannotBeCarriedOutGetsAJsonErrorWithAFittingStatus) {
  const std::string text = "a\tb\r\n1\t2\r\n";
  const std::string badRequest = "0x8C050023";
  struct Case {
    const char* what;
    httplib::MultipartFormDataItems parts;
    int status;
    std::string code;
  };
  const std::vector<Case> cases = {
      {"no file", {Field("to", "xbv")}, 400, badRequest},
      {"no target", {FilePart("a.txt", text)}, 400, badRequest},
      {"an unknown target", {FilePart("a.txt", text), Field("to", "pdf")}, 400, badRequest},
      {"the target twice", {FilePart("a.txt", text), Field("to", "xbv"), Field("to", "txt")}, 400, badRequest},
      {"an unknown field", {FilePart("a.txt", text), Field("to", "xbv"), Field("colour", "red")}, 400, badRequest},
      {"strict neither true nor false", {FilePart("a.txt", text), Field("to", "xbv"), Field("strict", "maybe")}, 400,
       badRequest},
      {"a file name that climbs", {FilePart("../../a.txt", text), Field("to", "xbv")}, 400, badRequest},
      {"a file name with a zero byte", {FilePart(std::string("a\0b.txt", 7), text), Field("to", "xbv")}, 400,
       badRequest},
      {"a file name with a backslash", {FilePart("..\\a.txt", text), Field("to", "xbv")}, 400, badRequest},
      {"a name with a control character", {FilePart("a.txt", text), Field("to", "txt"), Field("name", "a\nb")}, 400,
       badRequest},
      {"a name with a zero byte", {FilePart("a.txt", text), Field("to", "txt"), Field("name", std::string("a\0b", 3))},
       400, badRequest},
      {"a source type that is no source", {FilePart("a.txt", text), Field("to", "txt"), Field("from", "null")}, 400,
       badRequest},
      {"an unknown text encoding", {FilePart("a.txt", text), Field("to", "txt"), Field("text-encoding", "latin9")},
       400, badRequest},
      {"two files and one name",
       {FilePart("a.txt", text), FilePart("b.txt", text), Field("to", "xbv"), Field("name", "A")}, 400, badRequest},
      {"a type its name does not tell", {FilePart("a.pdf", text), Field("to", "xbv")}, 415, badRequest},
      {"an empty text", {FilePart("a.txt", ""), Field("to", "xbv")}, 422, "0x8C05001C"},
      {"a damaged calculator sheet", {FilePart("a.xbv", std::string(300, '\x5A')), Field("to", "txt")}, 422,
       "0x8C050022"},
      {"a damaged sheet for a copy", {FilePart("a.xdy", std::string(300, '\x5A')), Field("to", "xfy")}, 422,
       "0x8C050022"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectFailure(Post("/api/convert", c.parts), c.status, c.code);
  }
  // The same file converts once the request is right, its type given.
  httplib::Result given = Post("/api/convert", {FilePart("a.pdf", text), Field("to", "txt"), Field("from", "txt")});
  ASSERT_TRUE(given);
  EXPECT_EQ(given->status, 200);
  // The engine's messages come with the failure.
  const json body = ExpectFailure(Post("/api/convert", {FilePart("a.txt", ""), Field("to", "xbv")}), 422, "0x8C05001C");
  ASSERT_FALSE(body["messages"].empty());
  EXPECT_EQ(body["messages"][0]["file"], "a.txt");
  EXPECT_EQ(body["messages"][0]["level"], "error");
  // The server's folders are never named to the client.
  EXPECT_EQ(body.dump().find("gridlet-web-"), std::string::npos) << body.dump();
}

TEST_F(WebApiTest, NamesAreTheCommandsWithTheirRenamesTold) {
  // A text every target keeps as it is, so that the only warning is the
  // rename's.
  const std::string text = "X\t1\r\n";
  folder.Write("data.txt", text);
  struct Case {
    std::string target;
    std::string name;
    bool renamed;  // by the device's naming rules
  };
  // Names the device or the file system cannot take as they stand are made
  // safe as the command makes them, and the change is told.
  for (const auto& [target, name, renamed] : std::vector<Case>{{"xdy", "class\\marks", false},
                                                              {"xbv", "marks 2", true},
                                                              {"xbv", "marks", false},  // only the letter case
                                                              {"txt", "My Marks", false},
                                                              {"txt", "../../escape", true},
                                                              {"txt", "\xCE\xA0\xCE\xB9", false},
                                                              {"xbv", "\xCF\x80marks", true},
                                                              {"xcy", "9lives", true}}) {
    SCOPED_TRACE(target + " " + name);
    const testing::Written expected = CommandOutputs(folder, {"data.txt"}, target, "--name '" + name + "'").at(0);
    httplib::Result result = Post("/api/convert", {FilePart("data.txt", text), Field("to", target), Field("name", name)});
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200) << result->body;
    EXPECT_EQ(result->body, expected.bytes);
    EXPECT_EQ(FileNameOf(*result), expected.name);
    const json messages = json::parse(result->get_header_value("X-Gridlet-Messages"));
    ASSERT_EQ(messages.size(), renamed ? 1u : 0u) << messages.dump();
    if (renamed) {
      EXPECT_EQ(messages[0]["level"], "warning");
      EXPECT_NE(messages[0]["text"].get<std::string>().find(expected.name), std::string::npos);
    }
  }
  EXPECT_EQ(FileNameOf(*Post("/api/convert", {FilePart("data.txt", text), Field("to", "xdy"),
                                              Field("name", "class\\marks")})),
            "class.marks.xdy");
}

TEST_F(WebApiTest, StrictRefusesAFileThatWouldChangeAndNullOnlyChecks) {
  const std::string text = "X\t1\r\n";
  const json body = ExpectFailure(
      Post("/api/convert", {FilePart("my budget.txt", text), Field("to", "xbv"), Field("strict", "true")}), 422,
      "0x8C050001");
  EXPECT_NE(body["error"].get<std::string>().find("MYBUDGET"), std::string::npos) << body.dump();
  httplib::Result unchanged = Post("/api/convert", {FilePart("my budget.txt", text), Field("to", "xbv"),
                                                    Field("name", "MYBUDGET"), Field("strict", "true")});
  ASSERT_TRUE(unchanged);
  EXPECT_EQ(unchanged->status, 200);
  // A change the target forces on a cell fails as it does for the command.
  const json changed = ExpectFailure(Post("/api/convert", {FilePart("my budget.txt", "x\t1\r\n"), Field("to", "xbv"),
                                                           Field("name", "MYBUDGET"), Field("strict", "true")}),
                                     422, "0x8C050001");
  EXPECT_NE(changed["error"].get<std::string>().find("small letters: 1 cell, A1."), std::string::npos) << changed.dump();

  httplib::Result checked = Post("/api/convert", {FilePart("budget.txt", text), Field("to", "null")});
  ASSERT_TRUE(checked);
  EXPECT_EQ(checked->status, 204);
  EXPECT_TRUE(checked->body.empty());
  ExpectFailure(Post("/api/convert", {FilePart("budget.xbv", std::string(300, '\x5A')), Field("to", "null")}), 422,
                "0x8C050022");
}

TEST_F(WebApiTest, AnUploadOverTheLimitIsRefused) {
  const std::string large(300 * 1024, 'x');
  ExpectFailure(Post("/api/convert", {FilePart("big.txt", large), Field("to", "xbv")}), 413, "0x8C050023");
  httplib::Result small = Post("/api/convert", {FilePart("small.txt", "1\t2\r\n"), Field("to", "xbv")});
  ASSERT_TRUE(small);
  EXPECT_EQ(small->status, 200);
}

TEST_F(WebApiTest, ThePageIsServedByTheBinaryWithItsSecurityHeaders) {
  auto client = server->Client();
  httplib::Result page = client->Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_NE(page->body.find("<script src=\"app.js\""), std::string::npos);
  for (const char* path : {"/", "/api/health", "/app.js"}) {
    httplib::Result result = client->Get(path);
    ASSERT_TRUE(result);
    EXPECT_NE(result->get_header_value("Content-Security-Policy").find("default-src 'none'"), std::string::npos);
    EXPECT_EQ(result->get_header_value("X-Content-Type-Options"), "nosniff");
  }
  // Every file of the page comes from here: none names another site.
  ASSERT_GE(web::kPageAssetCount, 3u);
  for (std::size_t i = 0; i < web::kPageAssetCount; ++i) {
    const web::PageAsset& asset = web::kPageAssets[i];
    httplib::Result result = client->Get(std::string(asset.path).c_str());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200) << asset.path;
    EXPECT_EQ(result->body, asset.body) << asset.path;
    std::string body = result->body;
    // The SVG namespace is a name, not a place anything is loaded from.
    for (std::size_t at = body.find("http://www.w3.org/2000/svg"); at != std::string::npos;
         at = body.find("http://www.w3.org/2000/svg")) {
      body.erase(at, 26);
    }
    EXPECT_EQ(body.find("http://"), std::string::npos) << asset.path;
    EXPECT_EQ(body.find("https://"), std::string::npos) << asset.path;
  }
  ExpectFailure(client->Get("/nothing-here"), 404, "0x8C050023");
  ExpectFailure(client->Get("/api/convert"), 405, "0x8C050023");
  // Another site's name for this machine is not answered.
  ExpectFailure(client->Get("/api/health", {{"Host", "attacker.example:80"}}), 403, "0x8C050023");
}

TEST_F(WebApiTest, HealthAndTypesAnswer) {
  auto client = server->Client();
  httplib::Result health = client->Get("/api/health");
  ASSERT_TRUE(health);
  const json status = json::parse(health->body);
  EXPECT_EQ(status["status"], "ok");
  EXPECT_FALSE(status["version"].get<std::string>().empty());
  EXPECT_GE(status["jobs"]["limit"].get<int>(), 1);

  // The targets are those the command's help names.
  const testing::CliResult help = testing::RunCli(folder, "convert --help");
  const std::size_t at = help.out.find("Target type: ");
  ASSERT_NE(at, std::string::npos) << help.out;
  std::set<std::string> named;
  std::string list = help.out.substr(at + 13, help.out.find('\n', at) - at - 13);
  for (std::size_t start = 0; start < list.size();) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string name = list.substr(start, end - start);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    named.insert(name);
    start = end + 1;
  }
  httplib::Result types = client->Get("/api/types");
  ASSERT_TRUE(types);
  std::set<std::string> offered;
  const json targets = json::parse(types->body)["targets"];
  for (const json& type : targets) offered.insert(type["type"].get<std::string>());
  EXPECT_EQ(offered, named);

  httplib::Result detected = client->Get("/api/detect?name=Marks.XLSX");
  ASSERT_TRUE(detected);
  EXPECT_EQ(json::parse(detected->body)["workbook"], true);
  ExpectFailure(client->Get("/api/detect?name=notes.pdf"), 415, "0x8C050023");
}

TEST_F(WebApiTest, ShowGivesTheCommandsPreviewOfEverySource) {
  const auto sources = MakeSources(folder, 4);
  for (const auto& [type, files] : sources) {
    for (const std::string& file : files) {
      httplib::Result result = Post("/api/show", {FilePart(file, folder.Read(file))});
      ASSERT_TRUE(result);
      ASSERT_EQ(result->status, 200) << file << ": " << result->body;
      const testing::CliResult shown = testing::RunCli(folder, "show --json '" + file + "'");
      ASSERT_EQ(shown.status, 0) << shown.err;
      EXPECT_EQ(result->body + "\n", shown.out) << file;
    }
  }
  // Text in UTF-8, as the command reads it when told.
  const std::string utf8 = "caf\xC3\xA9\t\xCF\x80\r\n";
  folder.Write("utf8.txt", utf8);
  httplib::Result result = Post("/api/show", {FilePart("utf8.txt", utf8), Field("text-encoding", "utf-8")});
  ASSERT_TRUE(result);
  ASSERT_EQ(result->status, 200) << result->body;
  EXPECT_EQ(result->body + "\n", testing::RunCli(folder, "show --json --text-encoding utf-8 utf8.txt").out);
  ExpectFailure(Post("/api/show", {FilePart("broken.xdy", std::string(250, '\x01'))}), 422, "0x8C050022");
  ExpectFailure(Post("/api/sheets", {FilePart("notes.txt", "a\r\n")}), 415, "0x8C050023");
}

TEST_F(WebApiTest, WorkbooksListConvertAndShowAsTheCommandDoes) {
  if (!testing::HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  folder.Write("marks.txt", "Name\tMark\r\nAda\t17\r\nAlan\t=B2+1\r\n");
  folder.Write("marks.xls", CommandOutputs(folder, {"marks.txt"}, "xls").at(0).bytes);
  const std::string workbook = folder.Read("marks.xls");

  httplib::Result sheets = Post("/api/sheets", {FilePart("marks.xls", workbook)});
  ASSERT_TRUE(sheets);
  ASSERT_EQ(sheets->status, 200) << sheets->body;
  const testing::CliResult listed = testing::RunCli(folder, "sheets marks.xls");
  std::vector<std::string> names;
  std::istringstream lines(listed.out);
  for (std::string line; std::getline(lines, line);) names.push_back(line);
  EXPECT_EQ(json::parse(sheets->body).get<std::vector<std::string>>(), names);

  // The command converts the served workbook (below) with the same run, so
  // that LibreOffice starts once for the text of both.
  httplib::Result made = Post("/api/convert", {FilePart("marks.txt", folder.Read("marks.txt")), Field("to", "xls")});
  ASSERT_TRUE(made);
  ASSERT_EQ(made->status, 200) << made->body;
  EXPECT_EQ(FileNameOf(*made), "marks.xls");
  folder.Write("served.xls", made->body);
  const std::string sheet = "--sheet '" + names.at(0) + "'";
  // (Each has one worksheet, which they name differently: the first is taken.)
  const std::vector<testing::Written> texts = CommandOutputs(folder, {"marks.xls", "served.xls"}, "txt");
  ASSERT_EQ(texts.size(), 2u);
  const std::map<std::string, std::string> expected = {
      {"xbv", CommandOutputs(folder, {"marks.xls"}, "xbv", sheet).at(0).bytes}, {"txt", texts[0].bytes}};
  for (const auto& [target, bytes] : expected) {
    httplib::Result converted = Post("/api/convert", {FilePart("marks.xls", workbook), Field("to", target),
                                                      Field("sheet", names.at(0))});
    ASSERT_TRUE(converted);
    ASSERT_EQ(converted->status, 200) << converted->body;
    EXPECT_EQ(converted->body, bytes) << target;
  }
  // A workbook target: what it holds reads back as the command's workbook does.
  EXPECT_EQ(texts[1].bytes, texts[0].bytes);

  httplib::Result shown = Post("/api/show", {FilePart("marks.xls", workbook)});
  ASSERT_TRUE(shown);
  ASSERT_EQ(shown->status, 200) << shown->body;
  EXPECT_EQ(json::parse(shown->body)["cells"].size(), 6u);

  // What LibreOffice cannot read is the file's fault, and the next workbook
  // converts again.
  // (LibreOffice reads most bytes as text; a zip that is no workbook it refuses.)
  const std::string junk = std::string("PK\x03\x04", 4) + std::string(3000, '\x07');
  ExpectFailure(Post("/api/convert", {FilePart("junk.xlsx", junk), Field("to", "txt")}), 422, "0x8C05001F");
  ExpectFailure(Post("/api/convert", {FilePart("marks.xls", workbook), Field("to", "txt"), Field("sheet", "Nope")}),
                422, "0x8C05001F");
  httplib::Result again = Post("/api/convert", {FilePart("marks.xls", workbook), Field("to", "txt")});
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 200) << again->body;
}

}  // namespace
}  // namespace gridlet
