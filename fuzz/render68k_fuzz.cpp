// 68k-class variable rendering over any bytes: a choice byte (the charset
// choice and whether to state the length truly), then the variable.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "encoding/render68k.h"
#include "fuzz/fuzz_support.h"

using namespace gridlet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Quiet();
  fuzz::Input input(data, size);
  const std::uint8_t choice = input.Byte();
  const std::int16_t charsetChoice = static_cast<std::int16_t>(choice % 3) - 1;
  const int model = choice >> 4 & 3;

  std::vector<std::uint8_t> variable;
  if (choice & 0x04) {
    // The bytes as they come, length field included.
    variable.assign(input.Data(), input.Data() + input.Size());
  } else {
    // A length field that states the rest truly, as a sheet's cells give it.
    const std::size_t length = std::min<std::size_t>(input.Size(), 0xFFFF);
    variable.push_back(static_cast<std::uint8_t>(length >> 8));
    variable.push_back(static_cast<std::uint8_t>(length & 0xFF));
    variable.insert(variable.end(), input.Data(), input.Data() + length);
  }
  const std::optional<std::string> text =
      RenderVariable68k("prog", variable.data(), variable.size(), charsetChoice, model);
  if (!(choice & 0x04)) {
    fuzz::Check(variable.size() < 3 || text.has_value(), "a variable whose length is stated truly renders");
  }
  if (text) fuzz::Check(text->size() <= kRender68kMaxOutput + 4096, "the text stays within its limit");
  return 0;
}
