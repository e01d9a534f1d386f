// Writes the benchmarks' generated tab text of a given size to a file, for
// measuring whole conversions from the command line (bench/memory.sh).
//
//   make_tab_text SIZE-IN-MB FILE
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "bench/bench_data.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_tab_text SIZE-IN-MB FILE\n");
    return 2;
  }
  const std::size_t size = std::strtoull(argv[1], nullptr, 10) << 20;
  const std::string text = gridlet::bench::GenerateTabText(size);
  std::ofstream out(argv[2], std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return out ? 0 : 1;
}
