// Starts LibreOffice as the spreadsheet application of this platform: one
// headless instance, with a private profile, for each Start.
//
// soffice is found in the search path (soffice, then libreoffice) unless
// a program is given. The helper script needs Python with the Python-UNO
// bridge (Debian: python3-uno): LibreOffice's own python when it has one,
// otherwise /usr/bin/python3, otherwise python3 in the search path.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "bridge/spreadsheet_application.h"
#include "platform/libreoffice_session.h"

namespace gridlet {

struct LibreOfficeOptions {
  std::string program;  // soffice to start, a path or a name; empty: search
  std::string python;   // the interpreter for the helper; empty: as above
  std::optional<std::string> searchPath;  // instead of $PATH
  LibreOfficeTimeouts timeouts;
};

class LibreOfficeLauncher : public SpreadsheetApplicationLauncher {
 public:
  explicit LibreOfficeLauncher(LibreOfficeOptions options = {}) : options_(std::move(options)) {}

  // A fresh instance, or null when LibreOffice cannot be found or started
  // (LastFailure then says why, and a trace line says it too).
  std::unique_ptr<SpreadsheetApplication> Start() override;

  // The programs Start would use, or nothing (with *why).
  std::optional<LibreOfficeInstallation> Locate(std::string* why = nullptr) const;

  const std::string& LastFailure() const { return lastFailure_; }

 private:
  LibreOfficeOptions options_;
  std::string lastFailure_;
};

// The first executable of that name in a colon-separated search path; a
// name with a slash is taken as it stands.
std::optional<std::string> FindExecutable(const std::string& name, const std::string& searchPath);

}  // namespace gridlet
