// Translation between device character bytes and the underscore-delimited
// escape names of the intermediate form ("_pi_", "_->_"), over a
// special-character table that the caller provides and keeps alive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "encoding/special_char_entry.h"
#include "model/hresult.h"

namespace gridlet {

// Root of the character translators; it only provides the virtual
// destructor.
class CharTranslatorBase {
 public:
  virtual ~CharTranslatorBase() = default;
};

class CharEscapeTranslator : public CharTranslatorBase {
 public:
  CharEscapeTranslator() = default;
  CharEscapeTranslator(const SpecialCharEntry* table, std::size_t count);
  explicit CharEscapeTranslator(std::span<const SpecialCharEntry> table);
  ~CharEscapeTranslator() override = default;

  // Replaces the table (not owned). The previous table and count are
  // stored through the optional out-pointers. Always returns S_OK.
  virtual HRESULT SetTable(const SpecialCharEntry* table, std::size_t count,
                           const SpecialCharEntry** previousTable,
                           std::size_t* previousCount);

  // Dispatches on the operation code and sub-code: op 0 turns escapes into
  // the bytes of the charset column picked by sub; the other supported ops
  // turn device bytes into escapes from the column picked by the op.
  // Unsupported combinations return E_NOTIMPL and leave output alone.
  virtual HRESULT Translate(std::int32_t op, const std::string& input,
                            std::int32_t sub, std::string& output) const;

  // Hook for a charset-specific clean-up after Translate; none exists.
  virtual HRESULT PostProcess(std::int32_t op, const std::string& input,
                              std::int32_t sub, std::string& output) const;

  // Translate, then PostProcess when Translate did not fail; returns the
  // result of Translate.
  virtual HRESULT TranslateAndPostProcess(std::int32_t op, const std::string& input,
                                          std::int32_t sub, std::string& output) const;

  virtual HRESULT TranslateOnly(std::int32_t op, const std::string& input,
                                std::int32_t sub, std::string& output) const;

  // Device bytes to escapes: bytes 32..126 are copied, any other byte is
  // replaced by the name of the first entry whose code in the column has
  // it as low byte, or copied when none does. E_INVALIDARG for a column
  // outside the table.
  HRESULT EscapeSpecialChars(const std::string& input, std::size_t column,
                             std::string& output) const;

  // Escapes to device bytes: every "_name_" whose first entry has a
  // non-zero code in the column becomes that code's low byte; everything
  // else stays as text. E_INVALIDARG for a column outside the table.
  HRESULT UnescapeSpecialChars(const std::string& input, std::size_t column,
                               std::string& output) const;

  const SpecialCharEntry* Table() const { return table_; }
  std::size_t TableCount() const { return count_; }

 private:
  std::span<const SpecialCharEntry> Entries() const { return {table_, count_}; }

  const SpecialCharEntry* table_ = nullptr;
  std::size_t count_ = 0;
};

}  // namespace gridlet
