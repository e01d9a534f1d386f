#include "platform/libreoffice_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "model/com_error.h"
#include "platform/leftovers.h"
#include "platform/libreoffice_helper_script.h"
#include "platform/libreoffice_protocol.h"

namespace gridlet {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string FileUrl(const fs::path& path) {
  static const char* HEX = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path.string()) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      url.push_back(static_cast<char>(c));
    } else {
      url.push_back('%');
      url.push_back(HEX[c >> 4]);
      url.push_back(HEX[c & 15]);
    }
  }
  return url;
}

UniqueFd OpenLog(const fs::path& path) {
  return UniqueFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
}

std::optional<fs::path> MakePrivateFolder(std::string* why) {
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) base = "/tmp";
  std::string pattern = (base / "gridlet-lo-XXXXXX").string();
  auto hold = leftovers::Hold();
  if (!::mkdtemp(pattern.data())) {
    if (why) *why = "cannot create a private folder in " + base.string() + ": " + std::strerror(errno);
    return std::nullopt;
  }
  leftovers::AddPath(pattern, leftovers::Kind::Folder);
  return fs::path(pattern);
}

// Where soffice makes the socket of one of its pipes.
std::vector<std::string> PipeSocketPaths(const std::string& name) {
  const std::string socket = "OSL_PIPE_" + std::to_string(::getuid()) + "_" + name;
  return {"/tmp/" + socket, "/var/tmp/" + socket};
}

void RecordPipeSockets(const std::string& name) {
  for (const std::string& path : PipeSocketPaths(name)) leftovers::AddPath(path, leftovers::Kind::Socket);
}

}  // namespace

std::shared_ptr<LibreOfficeSession> LibreOfficeSession::Start(const LibreOfficeInstallation& installation,
                                                              const LibreOfficeTimeouts& timeouts,
                                                              std::string* why) {
  std::shared_ptr<LibreOfficeSession> session(new LibreOfficeSession(timeouts));
  if (!session->Launch(installation, why)) {
    session->Shutdown(false);
    return nullptr;
  }
  return session;
}

LibreOfficeSession::~LibreOfficeSession() { Shutdown(true); }

bool LibreOfficeSession::Launch(const LibreOfficeInstallation& installation, std::string* why) {
  std::optional<fs::path> folder = MakePrivateFolder(why);
  if (!folder) return false;
  folder_ = *folder;

  const fs::path script = folder_ / "helper.py";
  {
    std::ofstream out(script, std::ios::binary);
    const std::string_view text = LibreOfficeHelperScript();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
      if (why) *why = "cannot write " + script.string();
      return false;
    }
  }

  // A profile of its own: no lock shared with any other instance, and
  // nothing of the user's settings.
  const std::string profileUrl = FileUrl(folder_ / "profile");
  acceptPipe_ = "gridlet_" + folder_.filename().string();
  RecordPipeSockets(acceptPipe_);
  // LibreOffice takes its locale from the environment; the text of numbers
  // and formulas must not depend on it.
  const std::vector<std::pair<std::string, std::string>> locale{{"LC_ALL", "C.UTF-8"}, {"LANG", "C.UTF-8"}};

  // The helper first: it tells the name of the pipe that soffice will
  // guard its profile with, so that the pipe's socket is recorded before
  // soffice can make it.
  auto channel = LineChannel::Create(why);
  if (!channel) return false;
  channel_.emplace(std::move(channel->first));
  UniqueFd helperEnd = std::move(channel->second);
  UniqueFd helperLog = OpenLog(folder_ / "helper.log");

  ChildProcess::Launch helper;
  helper.program = installation.python;
  const long long connectSeconds = std::chrono::duration_cast<std::chrono::seconds>(timeouts_.start).count() + 1;
  helper.arguments = {script.string(), acceptPipe_, std::to_string(connectSeconds), profileUrl};
  helper.environment = locale;
  helper.environment.emplace_back("PYTHONIOENCODING", "utf-8");
  if (!installation.programFolder.empty()) {
    const char* old = std::getenv("PYTHONPATH");
    helper.environment.emplace_back(
        "PYTHONPATH", installation.programFolder + (old && *old ? ":" + std::string(old) : std::string()));
  }
  helper.standardInput = helperEnd.Get();
  helper.standardOutput = helperEnd.Get();
  helper.standardError = helperLog.Get();
  helper_ = ChildProcess::Spawn(helper, why);
  if (!helper_) return false;
  helperEnd.Reset();
  running_ = true;
  if (!AwaitHelper("pipe", why)) return false;

  UniqueFd sofficeLog = OpenLog(folder_ / "soffice.log");
  ChildProcess::Launch office;
  office.program = installation.soffice;
  office.arguments = {"-env:UserInstallation=" + profileUrl,
                      "--headless", "--invisible", "--nocrashreport", "--nodefault", "--nologo",
                      "--nofirststartwizard", "--norestore", "--nolockcheck",
                      "--accept=pipe,name=" + acceptPipe_ + ";urp;StarOffice.ComponentContext"};
  office.environment = locale;
  // Its own temporary files (the lu*.tmp folders) go into the instance's
  // folder, so that they go with it also when the instance is killed.
  // (Its pipe sockets stay in the system's folder, whatever TMPDIR says.)
  const fs::path temporary = folder_ / "tmp";
  std::error_code noFolder;
  fs::create_directories(temporary, noFolder);
  if (!noFolder) office.environment.emplace_back("TMPDIR", temporary.string());
  office.standardOutput = sofficeLog.Get();
  office.standardError = sofficeLog.Get();
  soffice_ = ChildProcess::Spawn(office, why);
  if (!soffice_) {
    running_ = false;
    return false;
  }
  return AwaitHelper("ready", why);
}

bool LibreOfficeSession::AwaitHelper(const char* word, std::string* why) {
  std::string line;
  switch (Receive(line, timeouts_.start)) {
    case LineChannel::Status::Line: {
      const std::vector<std::string> reply = DecodeFields(line);
      if (reply[0] == word) {
        if (reply[0] == "pipe" && reply.size() >= 2) {
          instancePipe_ = reply[1];
          RecordPipeSockets(instancePipe_);
        }
        return true;
      }
      if (why) *why = reply.size() >= 2 ? reply[1] : line;
      break;
    }
    case LineChannel::Status::Closed:
      if (why) *why = "the LibreOffice helper ended: " + LogTail("helper.log") + LogTail("soffice.log");
      break;
    case LineChannel::Status::Timeout:
      if (why) *why = "LibreOffice did not start in time";
      break;
  }
  running_ = false;
  return false;
}

LineChannel::Status LibreOfficeSession::Receive(std::string& line, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    const auto slice = std::min(deadline, Clock::now() + std::chrono::milliseconds(200));
    const LineChannel::Status status = channel_->ReceiveLine(line, slice);
    if (status != LineChannel::Status::Timeout) return status;
    // soffice gone: no answer can come any more.
    if (soffice_ && soffice_->HasExited()) return LineChannel::Status::Closed;
    if (Clock::now() >= deadline) return LineChannel::Status::Timeout;
  }
}

std::vector<std::string> LibreOfficeSession::Call(const std::vector<std::string>& request) {
  if (!running_) throw ComError(LIBREOFFICE_E_DISCONNECTED, "LibreOffice is not running");
  if (!channel_->SendLine(EncodeFields(request))) {
    Shutdown(false);
    throw ComError(LIBREOFFICE_E_DISCONNECTED, "LibreOffice is gone");
  }
  std::string line;
  switch (Receive(line, timeouts_.call)) {
    case LineChannel::Status::Line:
      break;
    case LineChannel::Status::Closed:
      Shutdown(false);
      throw ComError(LIBREOFFICE_E_DISCONNECTED, "LibreOffice ended during " + request[0]);
    case LineChannel::Status::Timeout:
      Shutdown(false);
      throw ComError(LIBREOFFICE_E_TIMEOUT, "LibreOffice did not answer " + request[0] + " in time");
  }
  std::vector<std::string> reply = DecodeFields(line);
  if (reply[0] == "ok") {
    reply.erase(reply.begin());
    return reply;
  }
  // A failure that came because soffice ended (however the bridge put it)
  // is its ending, not a fault of the file.
  if (reply[0] == "gone" || (soffice_ && soffice_->HasExited())) {
    Shutdown(false);
    throw ComError(LIBREOFFICE_E_DISCONNECTED,
                   "LibreOffice ended during " + request[0] + (reply.size() >= 2 ? ": " + reply[1] : std::string()));
  }
  throw ComError(LIBREOFFICE_E_FAILED, reply.size() >= 2 ? reply[1] : line);
}

void LibreOfficeSession::Quit() { Shutdown(true); }

void LibreOfficeSession::Shutdown(bool graceful) {
  if (graceful && running_) {
    running_ = false;
    std::string line;
    if (channel_->SendLine(EncodeFields({"quit"}))) Receive(line, timeouts_.quit);
  }
  running_ = false;
  if (channel_) channel_->Close();  // the helper ends at the end of its input
  if (helper_) {
    helper_->WaitForExit(graceful ? std::chrono::milliseconds(5000) : std::chrono::milliseconds(0));
    helper_->KillGroup();
  }
  if (soffice_) {
    soffice_->WaitForExit(graceful ? timeouts_.quit : std::chrono::milliseconds(0));
    soffice_->KillGroup();
  }
  RemoveInstancePipes();
  if (!folder_.empty()) {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    leftovers::RemovePath(folder_.string());
    folder_.clear();
  }
}

// A killed soffice leaves its two pipe sockets behind in the system's
// temporary folder; an instance that ends by itself removes them.
void LibreOfficeSession::RemoveInstancePipes() {
  for (const std::string& name : {acceptPipe_, instancePipe_}) {
    if (name.empty()) continue;
    for (const std::string& path : PipeSocketPaths(name)) {
      struct stat info{};
      if (::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) ::unlink(path.c_str());
      leftovers::RemovePath(path);
    }
  }
  acceptPipe_.clear();
  instancePipe_.clear();
}

std::string LibreOfficeSession::LogTail(const char* name) const {
  std::ifstream in(folder_ / name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string log = text.str();
  if (log.size() > 400) log = log.substr(log.size() - 400);
  while (!log.empty() && (log.back() == '\n' || log.back() == '\r')) log.pop_back();
  return log.empty() ? std::string() : " [" + log + "]";
}

std::filesystem::path LibreOfficeSession::NewWorkFolder() {
  if (folder_.empty()) throw ComError(LIBREOFFICE_E_DISCONNECTED, "LibreOffice is not running");
  const fs::path path = folder_ / "work" / std::to_string(++workFolders_);
  std::error_code error;
  fs::create_directories(path, error);
  if (error) throw ComError(LIBREOFFICE_E_FAILED, "cannot create " + path.string() + ": " + error.message());
  return path;
}

}  // namespace gridlet
