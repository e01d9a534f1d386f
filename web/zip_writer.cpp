#include "web/zip_writer.h"

#include <array>
#include <stdexcept>

namespace gridlet::web {

namespace {

constexpr std::uint32_t LOCAL_HEADER = 0x04034b50;
constexpr std::uint32_t CENTRAL_HEADER = 0x02014b50;
constexpr std::uint32_t END_OF_DIRECTORY = 0x06054b50;
constexpr std::uint16_t VERSION = 20;          // 2.0: what stored entries need
constexpr std::uint16_t UTF8_NAMES = 1u << 11;  // general purpose flag
constexpr std::uint16_t STORED = 0;

void Put16(std::string& out, std::uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, static_cast<std::uint16_t>(value & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t Small(std::size_t value, const char* what) {
  if (value > 0xFFFF) throw std::length_error(std::string("zip: too many ") + what);
  return static_cast<std::uint16_t>(value);
}

std::uint32_t Large(std::size_t value) {
  if (value > 0xFFFFFFFFu) throw std::length_error("zip: an entry beyond 4 GB needs zip64");
  return static_cast<std::uint32_t>(value);
}

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> entries{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      entries[i] = c;
    }
    return entries;
  }();
  return table;
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
  const auto& table = CrcTable();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

ZipWriter::ZipWriter(std::time_t modified) {
  std::tm local{};
  localtime_r(&modified, &local);
  // DOS dates count from 1980 and times in two-second steps.
  const int year = local.tm_year + 1900 < 1980 ? 0 : local.tm_year + 1900 - 1980;
  dosDate_ = static_cast<std::uint16_t>((year << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  dosTime_ = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

void ZipWriter::Add(std::string_view name, std::string_view content) {
  const std::uint32_t crc = Crc32(content);
  const std::uint32_t offset = Large(data_.size());
  const std::uint32_t size = Large(content.size());
  const std::uint16_t nameLength = Small(name.size(), "characters in a name");

  Put32(data_, LOCAL_HEADER);
  Put16(data_, VERSION);
  Put16(data_, UTF8_NAMES);
  Put16(data_, STORED);
  Put16(data_, dosTime_);
  Put16(data_, dosDate_);
  Put32(data_, crc);
  Put32(data_, size);  // compressed
  Put32(data_, size);  // uncompressed
  Put16(data_, nameLength);
  Put16(data_, 0);  // extra field
  data_.append(name);
  data_.append(content);

  Put32(directory_, CENTRAL_HEADER);
  Put16(directory_, VERSION);  // made by (MS-DOS attributes)
  Put16(directory_, VERSION);  // needed to extract
  Put16(directory_, UTF8_NAMES);
  Put16(directory_, STORED);
  Put16(directory_, dosTime_);
  Put16(directory_, dosDate_);
  Put32(directory_, crc);
  Put32(directory_, size);
  Put32(directory_, size);
  Put16(directory_, nameLength);
  Put16(directory_, 0);  // extra field
  Put16(directory_, 0);  // comment
  Put16(directory_, 0);  // disk number
  Put16(directory_, 0);  // internal attributes
  Put32(directory_, 0);  // external attributes
  Put32(directory_, offset);
  directory_.append(name);
  ++count_;
}

std::string ZipWriter::Finish() {
  const std::uint16_t entries = Small(count_, "entries");
  const std::uint32_t directoryOffset = Large(data_.size());
  std::string archive = std::move(data_);
  archive.append(directory_);
  Put32(archive, END_OF_DIRECTORY);
  Put16(archive, 0);  // this disk
  Put16(archive, 0);  // disk of the directory
  Put16(archive, entries);
  Put16(archive, entries);
  Put32(archive, Large(directory_.size()));
  Put32(archive, directoryOffset);
  Put16(archive, 0);  // comment
  data_.clear();
  directory_.clear();
  count_ = 0;
  return archive;
}

}  // namespace gridlet::web
