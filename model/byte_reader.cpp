#include "model/byte_reader.h"

#include <cstring>
#include <string>

#include "model/sheet_data_error.h"

namespace gridlet {

bool ByteReader::Read(std::uint8_t* out, std::size_t n) {
  if (!good_ || pos_ > data_.size() || data_.size() - pos_ < n) {
    good_ = false;
    return false;
  }
  if (n != 0) std::memcpy(out, data_.data() + pos_, n);
  pos_ += n;
  return true;
}

void ByteReader::ReadExact(std::uint8_t* out, std::size_t n, std::string_view what) {
  const std::size_t at = pos_;
  if (!Read(out, n)) {
    throw SheetDataError(std::string(what) + " at offset " + std::to_string(at) +
                         " runs past the end of the data (" + std::to_string(n) +
                         " bytes needed, " +
                         std::to_string(at < data_.size() ? data_.size() - at : 0) + " left)");
  }
}

std::uint8_t ByteReader::ReadByte(std::string_view what) {
  std::uint8_t byte = 0;
  ReadExact(&byte, 1, what);
  return byte;
}

}  // namespace gridlet
