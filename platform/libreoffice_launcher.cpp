#include "platform/libreoffice_launcher.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "model/trace.h"
#include "platform/libreoffice_objects.h"

namespace gridlet {
namespace {

namespace fs = std::filesystem;

bool IsExecutableFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> FindExecutable(const std::string& name, const std::string& searchPath) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (IsExecutableFile(name)) return name;
    return std::nullopt;
  }
  std::size_t start = 0;
  while (start <= searchPath.size()) {
    std::size_t end = searchPath.find(':', start);
    if (end == std::string::npos) end = searchPath.size();
    const std::string folder = searchPath.substr(start, end - start);
    if (!folder.empty()) {
      const fs::path candidate = fs::path(folder) / name;
      if (IsExecutableFile(candidate)) return candidate.string();
    }
    start = end + 1;
  }
  return std::nullopt;
}

std::optional<LibreOfficeInstallation> LibreOfficeLauncher::Locate(std::string* why) const {
  const char* environmentPath = std::getenv("PATH");
  const std::string searchPath = options_.searchPath ? *options_.searchPath
                                                     : std::string(environmentPath ? environmentPath : "");
  LibreOfficeInstallation installation;
  std::optional<std::string> soffice;
  if (!options_.program.empty()) {
    soffice = FindExecutable(options_.program, searchPath);
  } else {
    soffice = FindExecutable("soffice", searchPath);
    if (!soffice) soffice = FindExecutable("libreoffice", searchPath);
  }
  if (!soffice) {
    if (why) *why = options_.program.empty() ? "LibreOffice (soffice) is not installed"
                                             : "cannot find " + options_.program;
    return std::nullopt;
  }
  installation.soffice = *soffice;

  // The launcher is usually a link into LibreOffice's program folder.
  std::error_code error;
  const fs::path real = fs::canonical(*soffice, error);
  if (!error) installation.programFolder = real.parent_path().string();

  std::optional<std::string> python;
  if (!options_.python.empty()) {
    python = FindExecutable(options_.python, searchPath);
  } else {
    if (!installation.programFolder.empty()) {
      python = FindExecutable((fs::path(installation.programFolder) / "python").string(), searchPath);
    }
    if (!python) python = FindExecutable("/usr/bin/python3", searchPath);
    if (!python) python = FindExecutable("python3", searchPath);
  }
  if (!python) {
    if (why) *why = "no Python for the LibreOffice helper (install python3-uno)";
    return std::nullopt;
  }
  installation.python = *python;
  return installation;
}

std::unique_ptr<SpreadsheetApplication> LibreOfficeLauncher::Start() {
  lastFailure_.clear();
  std::optional<LibreOfficeInstallation> installation = Locate(&lastFailure_);
  std::shared_ptr<LibreOfficeSession> session;
  if (installation) session = LibreOfficeSession::Start(*installation, options_.timeouts, &lastFailure_);
  if (!session) {
    Trace("LibreOffice not started: " + lastFailure_ + "\n");
    return nullptr;
  }
  return MakeLibreOfficeApplication(std::move(session));
}

}  // namespace gridlet
