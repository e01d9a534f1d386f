// XB Plus token bytes to text over any bytes; the text must tokenize again
// within the stated capacity.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "encoding/xb_tokens.h"
#include "fuzz/fuzz_support.h"

using namespace gridlet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Quiet();
  std::string text = "kept";
  const HRESULT result = XbTokensToText(data, size, text);
  fuzz::Check(result == S_OK || result == E_CALC_ASM_PROGRAM, "only an assembly program is refused");
  if (result == E_CALC_ASM_PROGRAM) {
    fuzz::Check(text == "kept", "a refused program appends nothing");
    return 0;
  }
  fuzz::Check(text.starts_with("kept"), "the names are appended");
  const std::size_t capacity = 2 * text.size();
  std::vector<std::uint8_t> tokens(capacity);
  const std::size_t n = XbTextToTokens(tokens.data(), capacity, text);
  fuzz::Check(n <= capacity, "tokenizing stays within its capacity");
  return 0;
}
