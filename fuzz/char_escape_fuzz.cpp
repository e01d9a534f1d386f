// The escape translator over the named-character table: any text and any
// column (the first byte). Escaping a text without underscores and
// unescaping it in the 68k-class column gives a text that escapes the same
// way (two bytes share the names "_neg_" and "_degrees_", so the bytes
// themselves may change to the first code of their name).
#include <cstddef>
#include <cstdint>
#include <string>

#include "calc/named_char_table.h"
#include "encoding/char_escape_translator.h"
#include "fuzz/fuzz_support.h"

using namespace gridlet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Quiet();
  fuzz::Input input(data, size);
  const std::uint8_t choice = input.Byte();
  const std::string text(reinterpret_cast<const char*>(input.Data()), input.Size());
  const CharEscapeTranslator translator(NamedCharTable());

  const std::size_t column = choice % (kCharsetColumnCount + 2);  // two columns beyond the table
  std::string unescaped = "untouched";
  const HRESULT u = translator.UnescapeSpecialChars(text, column, unescaped);
  std::string escaped = "untouched";
  const HRESULT e = translator.EscapeSpecialChars(text, column, escaped);
  if (column >= kCharsetColumnCount) {
    fuzz::Check(u == E_INVALIDARG && e == E_INVALIDARG, "a column outside the table is refused");
    fuzz::Check(unescaped == "untouched" && escaped == "untouched", "a refusal leaves the output");
    return 0;
  }
  fuzz::Check(u == S_OK && e == S_OK, "every text translates");
  fuzz::Check(unescaped.size() <= text.size(), "unescaping never lengthens a text");

  // The operation codes of Translate, any sub-code.
  std::string out;
  (void)translator.TranslateAndPostProcess(static_cast<std::int32_t>(choice >> 4),
                                           text, static_cast<std::int32_t>(choice & 15), out);

  if (column == kColumn68k && text.find('_') == std::string::npos) {
    std::string back;
    fuzz::Check(translator.UnescapeSpecialChars(escaped, kColumn68k, back) == S_OK, "unescapes");
    fuzz::Check(back.size() == text.size(), "every escape unescapes to one byte");
    std::string again;
    fuzz::Check(translator.EscapeSpecialChars(back, kColumn68k, again) == S_OK, "escapes");
    fuzz::Check(again == escaped, "escaping and unescaping keeps every character");
  }
  return 0;
}
