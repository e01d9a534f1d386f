// The file system on POSIX. Paths arrive in the engine's form
// (platform/engine_paths.h) and are handed to the operating system as the
// bytes they stand for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/file_system.h"

namespace gridlet {

class StdFileSystem : public FileSystem {
 public:
  // Temporary files go to the given folder (in UTF-8) when one is given.
  explicit StdFileSystem(std::string temporaryFolder = {}) : temporaryFolder_(std::move(temporaryFolder)) {}

  std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path,
                                                    std::string* why = nullptr) override;
  // Large files are mapped into memory once the process ends cleanly when
  // one is cut short meanwhile (mapped_files.h); otherwise read.
  std::optional<SourceBytes> ReadLargeFile(const std::string& path, std::string* why = nullptr) override;
  bool IsReadableFile(const std::string& path, std::string* why = nullptr) override;
  bool Exists(const std::string& path) override;

  // Writes a temporary file beside the target, flushes it to the disk and
  // renames it into place, so that readers see the old content or the new,
  // never a part. An existing target keeps its permissions.
  bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                 std::string* why = nullptr) override;
  // The same in pieces: a temporary file renamed into place on Commit.
  std::unique_ptr<OutputFile> OpenOutput(const std::string& path, std::string* why = nullptr) override;

  // In the folder given to the constructor; without one, in TMPDIR when
  // that names a usable folder, otherwise in /tmp.
  std::optional<std::string> CreateTempFile(const std::string& prefix) override;

  bool RemoveFile(const std::string& path) override;

 private:
  // Opens a regular file for reading (fd) and returns its size; nothing,
  // with *why, when it cannot.
  std::optional<std::size_t> OpenRegularFile(const std::string& path, std::string* why, int& fd);

  std::string temporaryFolder_;
};

}  // namespace gridlet
