// The file system through the Win32 API. Paths are in the ANSI code page,
// as the engine holds them, and go to the "A" functions unchanged.
#pragma once

#include "server/file_system.h"

namespace gridlet::win32 {

class Win32FileSystem : public FileSystem {
 public:
  // Opens the file for reading and denies writers while it is read.
  std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path,
                                                    std::string* why = nullptr) override;
  bool Exists(const std::string& path) override;
  // Writes a temporary file in the target's folder, flushes it and moves it
  // over the target in one step, so that the target holds the old content
  // or the new, never a part.
  bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                 std::string* why = nullptr) override;
  // GetTempPathA, then GetTempFileNameA with the prefix, which creates the
  // empty file.
  std::optional<std::string> CreateTempFile(const std::string& prefix) override;
  bool RemoveFile(const std::string& path) override;
};

// The system's text for a Win32 error code, without the line end.
std::string Win32ErrorText(unsigned long error);

}  // namespace gridlet::win32
