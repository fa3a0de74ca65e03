// The generator's own random source. Every piece of content is made from a
// fixed seed through this, so the output is the same on every machine and
// with every standard library (std::uniform_*_distribution is not).
#pragma once

#include <cstdint>

namespace krel::content {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  // splitmix64: small, fast and well distributed.
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1), 53 bits.
  double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform in [lo, hi].
  int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1)); }
  // Uniform in [-1, 1).
  double signed_unit() { return uniform() * 2.0 - 1.0; }

 private:
  std::uint64_t state_;
};

// A hash of grid coordinates into [0, 1), for value noise.
inline double HashUnit(std::int64_t x, std::int64_t y, std::uint64_t seed) {
  std::uint64_t h = seed ^ (static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull) ^
                    (static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full);
  h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
  h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
  h ^= h >> 31;
  return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace krel::content
