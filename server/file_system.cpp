#include "server/file_system.h"

namespace gridlet {

namespace {

// Gathers the pieces and writes them at once.
class GatheredOutput : public OutputFile {
 public:
  GatheredOutput(FileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}

  bool Write(const std::uint8_t* data, std::size_t size) override {
    bytes_.insert(bytes_.end(), data, data + size);
    return true;
  }
  bool Commit(std::string* why) override { return files_.WriteFile(path_, bytes_.data(), bytes_.size(), why); }

 private:
  FileSystem& files_;
  std::string path_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

std::optional<SourceBytes> FileSystem::ReadLargeFile(const std::string& path, std::string* why) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFile(path, why);
  if (!bytes) return std::nullopt;
  return SourceBytes(std::move(*bytes));
}

std::unique_ptr<OutputFile> FileSystem::OpenOutput(const std::string& path, std::string*) {
  return std::make_unique<GatheredOutput>(*this, path);
}

}  // namespace gridlet
