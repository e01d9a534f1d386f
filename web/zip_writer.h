// A zip archive of stored (uncompressed) entries, built in memory: the
// files of one response are small, and every unzip tool and browser reads
// stored entries.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace gridlet::web {

class ZipWriter {
 public:
  // Entries are dated with the given time (local time, as zip tools show it).
  explicit ZipWriter(std::time_t modified = std::time(nullptr));

  // Adds a file; the name is UTF-8 and flagged as such.
  void Add(std::string_view name, std::string_view content);

  // The archive: the entries, then the central directory.
  std::string Finish();

  std::size_t Count() const { return count_; }

 private:
  std::string data_;
  std::string directory_;
  std::size_t count_ = 0;
  std::uint16_t dosTime_ = 0;
  std::uint16_t dosDate_ = 0;
};

// The CRC-32 of zip and PNG (polynomial 0xEDB88320).
std::uint32_t Crc32(std::string_view bytes);

}  // namespace gridlet::web
