// A file system held in memory, for tests of the driver's file handling.
#pragma once

#include <map>
#include <set>
#include <string>

#include "server/file_system.h"

namespace gridlet::testing {

class InMemoryFileSystem : public FileSystem {
 public:
  std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path,
                                                    std::string* why = nullptr) override {
    auto it = files.find(path);
    if (it == files.end() || unreadable.count(path)) {
      if (why) *why = it == files.end() ? "no such file" : "permission denied";
      return std::nullopt;
    }
    return std::vector<std::uint8_t>(it->second.begin(), it->second.end());
  }
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                 std::string* why) override {
    if (unwritable.count(path)) {
      if (why) *why = "Permission denied";
      return false;
    }
    files[path] = std::string(reinterpret_cast<const char*>(data), size);
    ++writes;
    return true;
  }
  std::optional<std::string> CreateTempFile(const std::string& prefix) override {
    std::string path = "/tmp/" + prefix + std::to_string(++temporaries);
    files[path] = "";
    return path;
  }
  bool RemoveFile(const std::string& path) override { return files.erase(path) != 0; }

  void Put(const std::string& path, const std::string& content) { files[path] = content; }

  std::map<std::string, std::string> files;
  std::set<std::string> unreadable;
  std::set<std::string> unwritable;
  int writes = 0;
  int temporaries = 0;
};

}  // namespace gridlet::testing
