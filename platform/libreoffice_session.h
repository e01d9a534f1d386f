// One running LibreOffice: a headless soffice with a private profile, and
// the helper script that drives it through the Python-UNO bridge. The
// session owns both processes and a private folder (the profile, the work
// files and the logs); ending it ends the processes, kills them when they
// do not go, and removes the folder, on every path.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/hresult.h"
#include "platform/libreoffice_process.h"

namespace gridlet {

// What a failed member raises: the code Excel gives for a failure of the
// application, and those of an instance that is gone or does not answer.
inline constexpr HRESULT LIBREOFFICE_E_FAILED = MakeResult(0x800A03ECu);
inline constexpr HRESULT LIBREOFFICE_E_DISCONNECTED = MakeResult(0x80010108u);
inline constexpr HRESULT LIBREOFFICE_E_TIMEOUT = MakeResult(0x8001011Fu);

struct LibreOfficeInstallation {
  std::string soffice;        // the program that starts an instance
  std::string python;         // an interpreter with the Python-UNO bridge
  std::string programFolder;  // LibreOffice's program folder, for the bridge's modules
};

struct LibreOfficeTimeouts {
  std::chrono::milliseconds start{90'000};  // until the helper is connected
  std::chrono::milliseconds call{120'000};  // for one request
  std::chrono::milliseconds quit{20'000};   // for soffice to end when told to
};

class LibreOfficeSession {
 public:
  // Starts an instance; null, with *why, when it cannot be started.
  static std::shared_ptr<LibreOfficeSession> Start(const LibreOfficeInstallation& installation,
                                                   const LibreOfficeTimeouts& timeouts,
                                                   std::string* why);

  LibreOfficeSession(const LibreOfficeSession&) = delete;
  LibreOfficeSession& operator=(const LibreOfficeSession&) = delete;
  ~LibreOfficeSession();

  // Carries out one request and gives the fields of the reply after "ok".
  // Raises ComError when LibreOffice reports a failure, and when it is gone
  // or does not answer in time (the session has then been ended).
  std::vector<std::string> Call(const std::vector<std::string>& request);

  // Tells LibreOffice to end and ends the session. Idempotent.
  void Quit();

  bool Running() const { return running_; }

  // A new empty folder inside the private folder.
  std::filesystem::path NewWorkFolder();

  const std::filesystem::path& PrivateFolder() const { return folder_; }
  pid_t SofficeProcessId() const { return soffice_ ? soffice_->Id() : -1; }

 private:
  explicit LibreOfficeSession(const LibreOfficeTimeouts& timeouts) : timeouts_(timeouts) {}
  bool Launch(const LibreOfficeInstallation& installation, std::string* why);
  // Waits for the helper's line that begins with the word ("pipe", then
  // "ready"); false, with *why, for anything else.
  bool AwaitHelper(const char* word, std::string* why);
  // The next reply, watching that soffice still runs.
  LineChannel::Status Receive(std::string& line, std::chrono::milliseconds limit);
  void Shutdown(bool graceful);
  void RemoveInstancePipes();
  std::string LogTail(const char* name) const;

  LibreOfficeTimeouts timeouts_;
  std::filesystem::path folder_;
  std::string acceptPipe_;
  std::string instancePipe_;
  std::unique_ptr<ChildProcess> soffice_;
  std::unique_ptr<ChildProcess> helper_;
  std::optional<LineChannel> channel_;
  bool running_ = false;
  int workFolders_ = 0;
};

}  // namespace gridlet
