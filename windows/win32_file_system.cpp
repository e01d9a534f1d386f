#include "win32_file_system.h"

#include <windows.h>

namespace gridlet::win32 {

namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  // Closes now; false when closing failed.
  bool Close() {
    const bool closed = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return ".";
  if (separator == 0) return path.substr(0, 1);
  return path.substr(0, separator);
}

bool Fail(std::string* why, const std::string& what, DWORD error) {
  if (why) *why = what + ": " + Win32ErrorText(error);
  return false;
}

// Writes all bytes, in pieces that a DWORD can count.
bool WriteAll(HANDLE file, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const DWORD piece = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file, data, piece, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

std::string Win32ErrorText(unsigned long error) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length && buffer ? std::string(buffer, length) : "error " + std::to_string(error);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

std::optional<std::vector<std::uint8_t>> Win32FileSystem::ReadFile(const std::string& path,
                                                                   std::string* why) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (why) *why = "is a folder";
    return std::nullopt;
  }
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    if (why) *why = Win32ErrorText(GetLastError());
    return std::nullopt;
  }
  // Pipes, consoles and devices are no files to convert.
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
    if (why) *why = "is not a regular file";
    return std::nullopt;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
    if (why) *why = Win32ErrorText(GetLastError());
    return std::nullopt;
  }
  if (static_cast<unsigned long long>(size.QuadPart) > 0x7FFFFFFFull) {
    if (why) *why = "is too large";
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr)) {
      if (why) *why = Win32ErrorText(GetLastError());
      return std::nullopt;
    }
    if (read == 0) break;  // the file shrank while it was read
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

bool Win32FileSystem::Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                                std::string* why) {
  const std::string folder = FolderOf(path);
  char temporary[MAX_PATH + 1] = {};
  if (!GetTempFileNameA(folder.c_str(), "grw", 0, temporary))
    return Fail(why, "cannot create a file in " + folder, GetLastError());
  bool written = false;
  DWORD error = 0;
  {
    FileHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (file.Valid()) {
      written = WriteAll(file.Get(), data, size) && FlushFileBuffers(file.Get());
      if (!written) error = GetLastError();
      if (!file.Close() && written) {
        written = false;
        error = GetLastError();
      }
    } else {
      error = GetLastError();
    }
  }
  if (written && !MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    written = false;
    error = GetLastError();
  }
  if (!written) {
    DeleteFileA(temporary);
    return Fail(why, "cannot write " + path, error);
  }
  return true;
}

std::optional<std::string> Win32FileSystem::CreateTempFile(const std::string& prefix) {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length > MAX_PATH) return std::nullopt;
  char name[MAX_PATH + 1] = {};
  if (!GetTempFileNameA(folder, prefix.c_str(), 0, name)) return std::nullopt;
  return std::string(name);
}

bool Win32FileSystem::RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

}  // namespace gridlet::win32
