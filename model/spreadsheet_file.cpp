#include "model/spreadsheet_file.h"

namespace gridlet {

SpreadsheetFile::SpreadsheetFile(const std::uint8_t* bytes, std::size_t length)
    : inputLength_(length) {
  if (bytes) input_ = std::make_unique<ByteReader>(bytes, length);
}

SpreadsheetFile::SpreadsheetFile(SourceBytes&& bytes)
    : input_(std::make_unique<ByteReader>(std::move(bytes))), inputLength_(input_->Size()) {}

SpreadsheetFile::SpreadsheetFile(SpreadsheetFile& source)
    : source_(&source), header_(source.header_), ownedHeader_(std::move(source.ownedHeader_)) {}

SpreadsheetFile::~SpreadsheetFile() {
  if (cells_) cells_->DeleteAll();
}

bool SpreadsheetFile::SetName(std::string_view name) {
  name_.assign(name);
  return false;
}

void SpreadsheetFile::CreateHeader(std::int16_t origin) {
  ownedHeader_ = std::make_unique<SheetHeader>();
  ownedHeader_->origin = origin;
  ownedHeader_->name = std::move(name_);
  name_.clear();
  header_ = ownedHeader_.get();
}

}  // namespace gridlet
