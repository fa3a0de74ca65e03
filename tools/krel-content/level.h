// The level generator: an underground field of soil with rock outcrops,
// open caves, winding tunnels and a rock frame, made from a seed. Only
// colour numbers of the three material ranges are used.
#pragma once

#include <cstdint>

#include "tools/krel-content/image.h"

namespace krel::content {

inline constexpr int kLevelWidth = 504;
inline constexpr int kLevelHeight = 350;
inline constexpr std::uint64_t kDefaultLevelSeed = 1;

struct LevelOptions {
  std::uint64_t seed = kDefaultLevelSeed;
  int width = kLevelWidth;
  int height = kLevelHeight;
};

IndexedImage GenerateLevel(const LevelOptions& options);

}  // namespace krel::content
