// The base of every sheet kind.
//
// A source sheet is built from file bytes (it keeps its own copy), named
// with SetName and translated with TranslateToIntermediate. A destination
// sheet is built from a translated source: it takes the source's header
// over and, through one new cell per source cell, every record; then
// TranslateFromIntermediate encodes it and GetOutput returns the bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/byte_reader.h"
#include "model/cell_list.h"
#include "model/intermediate_cell.h"
#include "model/sheet_messages.h"
#include "model/translatable.h"

namespace gridlet {

class SpreadsheetFile : public Translatable {
 public:
  // From source bytes: the sheet copies them into its input stream.
  SpreadsheetFile(const std::uint8_t* bytes, std::size_t length);
  // From source bytes that the caller hands over: they become the input
  // stream as they are, which spares a copy of a large file.
  explicit SpreadsheetFile(SourceBytes&& bytes);
  // From a translated source sheet of any kind: takes its header over.
  explicit SpreadsheetFile(SpreadsheetFile& source);
  ~SpreadsheetFile() override;

  // Replaces the sheet name. Kinds that normalise names return whether the
  // name had to be changed.
  virtual bool SetName(std::string_view name);

  const std::string& GetName() const { return name_; }
  SheetHeader* GetHeader() const { return header_; }
  CellList* GetCellList() const { return cells_.get(); }
  std::int32_t GetOutputLength() const { return outputLength_; }
  bool OwnsHeader() const { return ownedHeader_ != nullptr; }

  // Where the sheet reports problems found while encoding; may be null.
  void SetMessages(SheetMessages* messages) { messages_ = messages; }

 protected:
  // Gives the sheet a header of its own, taking the sheet name into it.
  void CreateHeader(std::int16_t origin);
  // The name in the header the sheet was built from ("" without one).
  std::string HeaderName() const { return header_ ? header_->name : std::string(); }

  // Builds this sheet's cell list from the source's: one CellT constructed
  // from each source cell, in the source's order. If that fails half-way,
  // the records go back to the source cells and nothing is freed twice.
  template <class CellT>
  void TakeCellsFromSource();

  std::unique_ptr<ByteReader> input_;  // null when built from another sheet
  std::unique_ptr<CellList> cells_;
  std::string name_;
  std::int32_t outputLength_ = 0;
  std::size_t inputLength_ = 0;
  SpreadsheetFile* source_ = nullptr;  // the sheet this one was built from
  SheetMessages* messages_ = nullptr;

 private:
  SheetHeader* header_ = nullptr;
  std::unique_ptr<SheetHeader> ownedHeader_;
};

template <class CellT>
void SpreadsheetFile::TakeCellsFromSource() {
  auto list = std::make_unique<CellList>();
  CellList* from = source_ ? source_->GetCellList() : nullptr;
  if (from) {
    list->Reserve(from->Size());
    std::size_t built = 0;
    try {
      for (; built < from->Size(); ++built) list->Append(std::make_unique<CellT>(from->At(built)));
    } catch (...) {
      for (std::size_t i = 0; i < built; ++i) list->At(i).ReturnCellTo(from->At(i));
      list->DeleteAll();
      throw;
    }
  }
  cells_ = std::move(list);
}

}  // namespace gridlet
