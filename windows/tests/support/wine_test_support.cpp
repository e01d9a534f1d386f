#include "wine_test_support.h"

#include <vector>

namespace gridlet::wine_test {

std::wstring EnvironmentPath(const wchar_t* name) {
  wchar_t buffer[4096];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
  return length && length < 4096 ? std::wstring(buffer, length) : std::wstring();
}

std::string Ansi(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  return out;
}

std::wstring Wide(const std::string& text) {
  std::wstring out;
  for (char c : text) out.push_back(static_cast<unsigned char>(c));
  return out;
}

ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMilliseconds) {
  ProcessResult result;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    result.exitCode = static_cast<DWORD>(-1);
    return result;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  std::vector<wchar_t> command(commandLine.begin(), commandLine.end());
  command.push_back(L'\0');
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    result.exitCode = static_cast<DWORD>(-1);
    return result;
  }
  const DWORD deadline = GetTickCount() + timeoutMilliseconds;
  for (;;) {
    DWORD available = 0;
    if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available) {
      char buffer[4096];
      DWORD read = 0;
      if (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr)) result.output.append(buffer, read);
      continue;
    }
    if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) {
      // Whatever is still in the pipe.
      char buffer[4096];
      DWORD read = 0;
      while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available &&
             ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr))
        result.output.append(buffer, read);
      break;
    }
    if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 5000);
      result.timedOut = true;
      break;
    }
  }
  GetExitCodeProcess(process.hProcess, &result.exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(readEnd);
  return result;
}

TemporaryFolder::TemporaryFolder() {
  wchar_t base[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, base);
  static LONG counter = 0;
  for (;;) {
    path_ = std::wstring(base) + L"gridlet-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter)) + L"\\";
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
}

namespace {
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(folder + name + L"\\");
      else DeleteFileW((folder + name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}
}  // namespace

TemporaryFolder::~TemporaryFolder() { RemoveTree(path_); }

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadWholeFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::wstring StringFromGuid(const GUID& guid) {
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return text;
}

}  // namespace gridlet::wine_test
