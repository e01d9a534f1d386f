// The files the driver reads and writes, reached only through this
// interface. Paths are 8-bit strings in the Windows ANSI code page; each
// front end maps them to its platform's own form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gridlet {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The whole content of a regular file, or nothing when it cannot be
  // read; *why (when given) then says why, for a message: "no such file",
  // "is a folder", "permission denied", "is not a regular file". Special
  // files (pipes, devices) are refused without waiting on them.
  virtual std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path,
                                                            std::string* why = nullptr) = 0;

  // Whether ReadFile would find a regular file it may read, without
  // reading it; *why as for ReadFile.
  virtual bool IsReadableFile(const std::string& path, std::string* why = nullptr) {
    return ReadFile(path, why).has_value();
  }

  // Whether a file (or folder) of that name exists.
  virtual bool Exists(const std::string& path) = 0;

  // Writes the bytes as the whole new content of the file. The write is
  // all or nothing: on failure an existing file keeps its old content and
  // no partial file is left behind. On failure, *why (when given) receives
  // a description.
  virtual bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                         std::string* why = nullptr) = 0;

  // Creates an empty file with a unique name, beginning with the prefix, in
  // the system's temporary folder; returns its path.
  virtual std::optional<std::string> CreateTempFile(const std::string& prefix) = 0;

  virtual bool RemoveFile(const std::string& path) = 0;
};

}  // namespace gridlet
