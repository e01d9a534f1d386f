// The files the driver reads and writes, reached only through this
// interface. Paths are 8-bit strings in the Windows ANSI code page; each
// front end maps them to its platform's own form.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/source_bytes.h"

namespace gridlet {

// A file being written in pieces. Nothing of it shows under its name until
// Commit; dropped uncommitted, it leaves an existing file as it was and no
// partial file behind.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // Appends bytes. False once a write has failed: later writes do nothing
  // and Commit reports the failure.
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
  // Makes the bytes written the whole new content of the file; on failure,
  // *why (when given) says why and the old content stays.
  virtual bool Commit(std::string* why = nullptr) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The whole content of a regular file, or nothing when it cannot be
  // read; *why (when given) then says why, for a message: "no such file",
  // "is a folder", "permission denied", "is not a regular file". Special
  // files (pipes, devices) are refused without waiting on them.
  virtual std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path,
                                                            std::string* why = nullptr) = 0;

  // The same content, where the platform can without copying it (a large
  // file mapped into memory, valid while the bytes are held). By default,
  // ReadFile's buffer.
  virtual std::optional<SourceBytes> ReadLargeFile(const std::string& path, std::string* why = nullptr);

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

  // Begins writing the file in pieces, with WriteFile's guarantees; nothing
  // when the file cannot be begun (*why says why). By default the pieces
  // are gathered in memory and written by WriteFile on Commit.
  virtual std::unique_ptr<OutputFile> OpenOutput(const std::string& path, std::string* why = nullptr);

  // Creates an empty file with a unique name, beginning with the prefix, in
  // the system's temporary folder; returns its path.
  virtual std::optional<std::string> CreateTempFile(const std::string& prefix) = 0;

  virtual bool RemoveFile(const std::string& path) = 0;
};

}  // namespace gridlet
