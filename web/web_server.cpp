#include "web/web_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string_view>

#include "cli/command_environment.h"
#include "cli/file_type_names.h"
#include "web/api_json.h"
#include "web/client_names.h"
#include "web/page_assets.h"
#include "web/zip_writer.h"

#ifndef GRIDLET_VERSION
#define GRIDLET_VERSION "unknown"
#endif

namespace gridlet::web {

namespace {

using json = nlohmann::json;

// Scripts and styles come from this server alone; nothing may frame the
// page, and no form posts anywhere (the page sends its requests itself).
constexpr const char* CONTENT_SECURITY_POLICY =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
    "connect-src 'self'; form-action 'none'; frame-ancestors 'none'; base-uri 'none'";
// All the headers of a request together; single lines are limited by the
// HTTP library itself.
constexpr std::size_t MAX_HEADER_BYTES = 64 * 1024;
constexpr const char* MESSAGES_HEADER = "X-Gridlet-Messages";

Verdict BadRequest(std::string text) { return Verdict::Failure(400, GRIDLET_E_BAD_REQUEST, std::move(text)); }

void SendJson(httplib::Response& response, int status, const json& body) {
  response.status = status;
  response.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json; charset=utf-8");
}

void SendError(httplib::Response& response, const Verdict& verdict, json messages = json::array()) {
  if (verdict.status == 503) response.set_header("Retry-After", "5");
  SendJson(response, verdict.status, ErrorJson(verdict, std::move(messages)));
}

// The parts of a multipart form: the files sent as `file`, and every other
// field by name, values in the order sent.
struct Form {
  std::vector<Upload> files;
  std::map<std::string, std::vector<std::string>> fields;

  const std::vector<std::string>& All(const std::string& name) const {
    static const std::vector<std::string> none;
    auto it = fields.find(name);
    return it == fields.end() ? none : it->second;
  }
};

std::optional<Verdict> ReadForm(const httplib::Request& request, const std::set<std::string>& names, Form& form) {
  if (!request.is_multipart_form_data()) {
    return BadRequest("Send the request as multipart/form-data, with the file as `file`.");
  }
  for (const auto& [name, part] : request.files) {
    if (name == "file") {
      form.files.push_back(Upload{part.filename, part.content});
    } else if (names.count(name)) {
      form.fields[name].push_back(part.content);
    } else {
      return BadRequest("Unknown field `" + name + "`.");
    }
  }
  return std::nullopt;
}

// A field given at most once: its value, empty when not given.
std::optional<Verdict> ReadSingle(const Form& form, const std::string& name, std::string& value) {
  const std::vector<std::string>& values = form.All(name);
  if (values.size() > 1) return BadRequest("Give `" + name + "` once.");
  value = values.empty() ? std::string() : values.front();
  return std::nullopt;
}

// The target type (`to`, required) or the source type (`from`).
std::optional<Verdict> ReadType(const Form& form, const std::string& name, bool target,
                                std::optional<GRIDLET_FILE_TYPES>& type) {
  const char* list = target ? cli::TARGET_TYPE_LIST : cli::SOURCE_TYPE_LIST;
  std::string text;
  if (auto bad = ReadSingle(form, name, text)) return bad;
  if (text.empty()) {
    if (target) return BadRequest("Give the target type as `" + name + "` (one of " + list + ").");
    return std::nullopt;
  }
  type = cli::ParseTypeName(text);
  if (!type || (!target && *type == QZ_GRIDLET_NULL)) {
    return BadRequest("Unknown type \"" + text + "\" in `" + name + "` (use one of " + list + ").");
  }
  return std::nullopt;
}

std::optional<Verdict> ReadEncoding(const Form& form, TextEncoding& encoding) {
  std::string text;
  if (auto bad = ReadSingle(form, "text-encoding", text)) return bad;
  if (text.empty()) return std::nullopt;
  const std::optional<TextEncoding> parsed = cli::ParseTextEncoding(text);
  if (!parsed) return BadRequest("`text-encoding` takes cp1252 or utf-8.");
  encoding = *parsed;
  return std::nullopt;
}

std::optional<Verdict> ReadFlag(const Form& form, const std::string& name, bool& flag) {
  static const std::set<std::string> yes{"1", "true", "on", "yes"};
  static const std::set<std::string> no{"", "0", "false", "off", "no"};
  std::string text;
  if (auto bad = ReadSingle(form, name, text)) return bad;
  if (!yes.count(text) && !no.count(text)) return BadRequest("`" + name + "` takes true or false.");
  flag = yes.count(text) > 0;
  return std::nullopt;
}

std::string ContentTypeOf(const std::string& fileName, TextEncoding textEncoding) {
  const std::size_t dot = fileName.rfind('.');
  const std::string extension = dot == std::string::npos ? std::string() : fileName.substr(dot);
  if (extension == ".txt") {
    return std::string("text/tab-separated-values; charset=") +
           (textEncoding == TextEncoding::Utf8 ? "utf-8" : "windows-1252");
  }
  if (extension == ".xls") return "application/vnd.ms-excel";
  return "application/octet-stream";
}

// The name of an entry, made unique among those of one archive.
std::string UniqueName(const std::string& name, std::set<std::string>& taken) {
  std::string unique = name;
  const std::size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  for (int n = 2; taken.count(unique); ++n) unique = stem + "-" + std::to_string(n) + extension;
  taken.insert(unique);
  return unique;
}

// The messages of every file, and each failure that the engine did not
// report itself.
json MessagesOf(const std::vector<ConvertedFile>& results) {
  json messages = json::array();
  for (const ConvertedFile& file : results) {
    bool failureShown = false;
    for (const Message& message : file.messages) {
      messages.push_back(MessageJson(message, file.source));
      failureShown = failureShown || message.text == file.verdict.error;
    }
    if (!file.verdict.Ok() && !failureShown) {
      messages.push_back(MessageJson(Message{Message::Level::Error, file.verdict.code, file.verdict.error}, file.source));
    }
  }
  return messages;
}

void HandleConvert(ConversionService& service, const ServerLimits& limits, const httplib::Request& request,
                   httplib::Response& response) {
  Form form;
  ConvertRequest convert;
  std::optional<GRIDLET_FILE_TYPES> to;
  std::optional<Verdict> bad = ReadForm(request, {"to", "from", "name", "sheet", "strict", "text-encoding"}, form);
  if (!bad) bad = ReadType(form, "to", true, to);
  if (!bad) bad = ReadType(form, "from", false, convert.from);
  if (!bad) bad = ReadFlag(form, "strict", convert.strict);
  if (!bad) bad = ReadEncoding(form, convert.textEncoding);
  if (!bad && form.files.size() > limits.maxFiles) {
    bad = BadRequest("At most " + std::to_string(limits.maxFiles) + " files can be converted in one request.");
  }
  if (bad) return SendError(response, *bad);
  convert.to = *to;
  convert.toName = form.All("to").front();
  for (char& c : convert.toName) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  convert.files = std::move(form.files);
  convert.names = form.All("name");
  convert.sheets = form.All("sheet");

  std::vector<ConvertedFile> results;
  const Verdict verdict = service.Convert(convert, results);
  if (!verdict.Ok()) return SendError(response, verdict);
  json messages = MessagesOf(results);

  const ConvertedFile* firstFailure = nullptr;
  std::vector<const ConvertedFile*> written;
  for (const ConvertedFile& file : results) {
    if (!file.verdict.Ok() && !firstFailure) firstFailure = &file;
    if (file.verdict.Ok() && !file.outputName.empty()) written.push_back(&file);
  }
  // A single file that failed, or several of which none converted.
  const bool anyConverted = std::any_of(results.begin(), results.end(),
                                        [](const ConvertedFile& file) { return file.verdict.Ok(); });
  if (firstFailure && (results.size() == 1 || !anyConverted)) {
    return SendError(response, firstFailure->verdict, std::move(messages));
  }
  response.set_header(MESSAGES_HEADER, MessagesHeader(messages));
  if (written.empty()) {  // the null target reads and writes nothing
    response.status = 204;
    return;
  }
  if (results.size() == 1) {
    const ConvertedFile& file = *written.front();
    response.set_header("Content-Disposition", ContentDisposition(file.outputName));
    response.set_content(file.output, ContentTypeOf(file.outputName, convert.textEncoding));
    return;
  }
  ZipWriter zip;
  std::set<std::string> taken;
  for (const ConvertedFile* file : written) zip.Add(UniqueName(file->outputName, taken), file->output);
  response.set_header("Content-Disposition",
                      ContentDisposition("gridlet-" + convert.toName + ".zip"));
  response.set_content(zip.Finish(), "application/zip");
}

// The answer to a call on one file: its failure, sent; or its messages in
// their header, and false to go on with the body.
bool Answered(httplib::Response& response, const Verdict& verdict, const std::vector<Message>& messages,
              const Upload& file) {
  json list = json::array();
  for (const Message& message : messages) list.push_back(MessageJson(message, file.fileName));
  if (!verdict.Ok()) {
    SendError(response, verdict, std::move(list));
    return true;
  }
  response.set_header(MESSAGES_HEADER, MessagesHeader(list));
  return false;
}

void HandleSheets(ConversionService& service, const httplib::Request& request, httplib::Response& response) {
  Form form;
  std::optional<GRIDLET_FILE_TYPES> from;
  std::optional<Verdict> bad = ReadForm(request, {"from"}, form);
  if (!bad) bad = ReadType(form, "from", false, from);
  if (!bad && form.files.size() != 1) bad = BadRequest("Send one workbook as `file`.");
  if (bad) return SendError(response, *bad);
  const SheetList list = service.Sheets(form.files.front(), from);
  if (Answered(response, list.verdict, list.messages, form.files.front())) return;
  SendJson(response, 200, list.names);
}

void HandleShow(ConversionService& service, const httplib::Request& request, httplib::Response& response) {
  Form form;
  std::optional<GRIDLET_FILE_TYPES> from;
  std::string sheet;
  TextEncoding encoding = TextEncoding::Cp1252;
  std::optional<Verdict> bad = ReadForm(request, {"from", "sheet", "text-encoding"}, form);
  if (!bad) bad = ReadType(form, "from", false, from);
  if (!bad) bad = ReadSingle(form, "sheet", sheet);
  if (!bad) bad = ReadEncoding(form, encoding);
  if (!bad && form.files.size() != 1) bad = BadRequest("Send one file as `file`.");
  if (bad) return SendError(response, *bad);
  const ShownSheet shown = service.Show(form.files.front(), from, sheet, encoding);
  if (Answered(response, shown.verdict, shown.messages, form.files.front())) return;
  response.set_content(shown.json, "application/json; charset=utf-8");
}

void HandleDetect(const httplib::Request& request, httplib::Response& response) {
  const std::string name = request.get_param_value("name");
  if (auto problem = FileNameProblem(name)) {
    return SendError(response, BadRequest("The file name \"" + name + "\" " + *problem + "."));
  }
  const std::optional<GRIDLET_FILE_TYPES> type = SourceType(name, std::nullopt);
  if (!type || *type == QZ_GRIDLET_NULL) {
    return SendError(response, Verdict::Failure(415, GRIDLET_E_BAD_REQUEST,
                                                "The type of \"" + name + "\" cannot be told from its name."));
  }
  SendJson(response, 200, TypeJson(*type));
}

void HandleHealth(ConversionService& service, httplib::Response& response) {
  const JobSlots& slots = service.Slots();
  SendJson(response, 200,
           json{{"status", "ok"},
                {"version", GRIDLET_VERSION},
                {"jobs", {{"limit", slots.Count()}, {"busy", slots.Busy()}, {"waiting", slots.Waiting()}}},
                {"spreadsheets", {{"inUse", service.SpreadsheetsInUse()}}}});
}

std::size_t HeaderBytes(const httplib::Request& request) {
  std::size_t bytes = 0;
  for (const auto& [name, value] : request.headers) bytes += name.size() + value.size() + 4;
  return bytes;
}

// Without a port, and without the brackets of an IPv6 address.
std::string HostName(const std::string& hostHeader) {
  if (!hostHeader.empty() && hostHeader.front() == '[') {
    const std::size_t close = hostHeader.find(']');
    return close == std::string::npos ? hostHeader : hostHeader.substr(1, close - 1);
  }
  return hostHeader.substr(0, hostHeader.find(':'));
}

}  // namespace

// The library listens with a backlog of 5 connections: a class that opens
// the page at once, or a script sending 32 requests together, would see
// connections dropped while the server accepts the first ones. Listening
// again on the bound socket takes a backlog the system allows.
class WebServer::Listener : public httplib::Server {
 public:
  void WidenBacklog() { ::listen(svr_sock_, SOMAXCONN); }
};

bool IsLoopbackHost(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

WebServer::WebServer(ConversionService& service, ServerLimits limits)
    : service_(service), limits_(limits), server_(std::make_unique<Listener>()) {
  const std::size_t threads = limits_.threads;
  server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server_->set_payload_max_length(limits_.maxUpload);
  server_->set_default_headers({
      {"Content-Security-Policy", CONTENT_SECURITY_POLICY},
      {"X-Content-Type-Options", "nosniff"},
      {"X-Frame-Options", "DENY"},
      {"Referrer-Policy", "no-referrer"},
      {"Cross-Origin-Resource-Policy", "same-origin"},
      {"Cache-Control", "no-store"},
  });
  Routes();
}

WebServer::~WebServer() = default;

void WebServer::Routes() {
  httplib::Server& server = *server_;

  server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    if (HeaderBytes(request) > MAX_HEADER_BYTES) {
      SendError(response, Verdict::Failure(431, GRIDLET_E_BAD_REQUEST, "The request's headers are too large."));
      return httplib::Server::HandlerResponse::Handled;
    }
    // A server on the loopback address answers only requests made for it:
    // a web page elsewhere cannot reach it through a name of its own that
    // resolves to this machine. (Browsers always name the host.)
    const std::string host = HostName(request.get_header_value("Host"));
    if (IsLoopbackHost(host_) && !host.empty() && !IsLoopbackHost(host)) {
      SendError(response, Verdict::Failure(403, GRIDLET_E_BAD_REQUEST,
                                           "This server answers requests for localhost only."));
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });

  server.Get("/api/health", [this](const httplib::Request&, httplib::Response& response) {
    HandleHealth(service_, response);
  });
  server.Get("/api/types", [](const httplib::Request&, httplib::Response& response) {
    SendJson(response, 200, TypesJson());
  });
  server.Get("/api/detect", HandleDetect);
  server.Post("/api/convert", [this](const httplib::Request& request, httplib::Response& response) {
    HandleConvert(service_, limits_, request, response);
  });
  server.Post("/api/sheets", [this](const httplib::Request& request, httplib::Response& response) {
    HandleSheets(service_, request, response);
  });
  server.Post("/api/show", [this](const httplib::Request& request, httplib::Response& response) {
    HandleShow(service_, request, response);
  });
  for (const char* path : {"/api/convert", "/api/sheets", "/api/show"}) {
    server.Get(path, [](const httplib::Request&, httplib::Response& response) {
      response.set_header("Allow", "POST");
      SendError(response, Verdict::Failure(405, GRIDLET_E_BAD_REQUEST, "Use POST with a multipart form."));
    });
  }
  server.Get("/[A-Za-z0-9_.-]*", [](const httplib::Request& request, httplib::Response& response) {
    const PageAsset* asset = FindPageAsset(request.path);
    if (!asset) return SendError(response, Verdict::Failure(404, GRIDLET_E_BAD_REQUEST, "Nothing is here."));
    response.set_header("Cache-Control", "no-cache");
    response.set_content(std::string(asset->body), std::string(asset->contentType));
  });

  // Statuses the library sets itself (no route, a body over the limit, a
  // request it cannot parse) get a JSON body like every other error.
  server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (!response.body.empty()) return;
    const std::string text = StatusText(response.status);
    const HRESULT code = response.status >= 500 ? GRIDLET_E_CONVERSION : GRIDLET_E_BAD_REQUEST;
    SendJson(response, response.status, ErrorJson(Verdict::Failure(response.status, code, text), json::array()));
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
    std::string what = "unknown";
    try {
      if (error) std::rethrow_exception(error);
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {
    }
    std::fprintf(stderr, "gridlet: error: a request failed: %s\n", what.c_str());
    SendError(response, Verdict::Failure(500, GRIDLET_E_CONVERSION, "The server failed: " + what));
  });
}

void WebServer::LogRequests() {
  server_->set_logger([](const httplib::Request& request, const httplib::Response& response) {
    std::fprintf(stderr, "gridlet: %s %s %d\n", request.method.c_str(), request.path.c_str(), response.status);
  });
}

bool WebServer::Bind(const std::string& host, int port) {
  host_ = host;
  if (port == 0) {
    port_ = server_->bind_to_any_port(host);
  } else {
    port_ = server_->bind_to_port(host, port) ? port : -1;
  }
  if (port_ <= 0) return false;
  server_->WidenBacklog();
  return true;
}

bool WebServer::Run() { return server_->listen_after_bind(); }

void WebServer::Stop() { server_->stop(); }

}  // namespace gridlet::web
