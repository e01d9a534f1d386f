// Writes the benchmarks' generated tab text of a given size to a file, for
// measuring whole conversions from the command line (bench/memory.sh).
//
//   make_tab_text SIZE-IN-MB FILE [--formulas-by-row]
//
// --formulas-by-row: formulas refer to their own rows (see GenerateTabText).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "bench/bench_data.h"

int main(int argc, char** argv) {
  const bool byRow = argc == 4 && std::string_view(argv[3]) == "--formulas-by-row";
  if (argc != 3 && !byRow) {
    std::fprintf(stderr, "usage: make_tab_text SIZE-IN-MB FILE [--formulas-by-row]\n");
    return 2;
  }
  const std::size_t size = std::strtoull(argv[1], nullptr, 10) << 20;
  const std::string text = gridlet::bench::GenerateTabText(size, 1, byRow);
  std::ofstream out(argv[2], std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return out ? 0 : 1;
}
