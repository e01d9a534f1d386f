// A small random generator for property tests whose sequence is the same
// on every platform, so that a failing seed fails everywhere.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gridlet::testing {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in [low, high].
  int Between(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
  }
  bool OneIn(int n) { return Between(1, n) == 1; }
  template <class T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Between(0, static_cast<int>(N) - 1)];
  }

 private:
  std::uint64_t state_;
};

}  // namespace gridlet::testing
