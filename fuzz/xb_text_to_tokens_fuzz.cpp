// Text to XB Plus tokens over any text and capacity (the first byte). The
// writer must stay within the capacity, and two bytes per character must
// hold the whole text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/xb_tokens.h"
#include "fuzz/fuzz_support.h"

using namespace gridlet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Quiet();
  fuzz::Input input(data, size);
  const std::size_t capacity = input.Byte();
  const std::string_view text(reinterpret_cast<const char*>(input.Data()), input.Size());

  // Exactly `capacity` bytes, so that ASan sees any write beyond them.
  std::vector<std::uint8_t> small(capacity);
  const std::size_t n = XbTextToTokens(capacity ? small.data() : nullptr, capacity, text);
  fuzz::Check(n <= capacity, "tokenizing stays within its capacity");

  std::vector<std::uint8_t> full(2 * text.size());
  const std::size_t all = XbTextToTokens(full.data(), full.size(), text);
  fuzz::Check(all <= full.size(), "tokenizing stays within two bytes per character");
  fuzz::Check(n <= all, "a smaller capacity writes no more");
  // The tokens of a shorter capacity are the first tokens of the whole text.
  fuzz::Check(std::equal(small.begin(), small.begin() + static_cast<std::ptrdiff_t>(n), full.begin()),
              "a cut stops at a token boundary of the same tokens");

  std::string back;
  const HRESULT result = XbTokensToText(full.data(), all, back);
  fuzz::Check(result == S_OK || result == E_CALC_ASM_PROGRAM, "tokens read back");
  return 0;
}
