// The level generator: a level of one of several styles inside a rock
// frame, made from a seed (the same seed and style give the same level
// everywhere). Only colour numbers of the three material ranges are used.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/krel-content/image.h"

namespace krel::content {

inline constexpr int kLevelWidth = 504;
inline constexpr int kLevelHeight = 350;
inline constexpr std::uint64_t kDefaultLevelSeed = 1;

enum class LevelStyle {
  kMixed,    // soil with rock outcrops, open caves and winding tunnels (the shipped level's)
  kCaves,    // wide caverns in thick rock, joined by a few broad passages
  kIslands,  // open ground: soil hills, open air, floating islands of soil and rock
  kTunnels,  // solid soil veined with rock, crossed by many narrow tunnels
};
inline constexpr std::array<LevelStyle, 4> kLevelStyles = {LevelStyle::kMixed, LevelStyle::kCaves, LevelStyle::kIslands,
                                                           LevelStyle::kTunnels};
// The style's name on the command line.
const char* LevelStyleName(LevelStyle style);
std::optional<LevelStyle> ParseLevelStyle(const std::string& name);

struct LevelOptions {
  std::uint64_t seed = kDefaultLevelSeed;
  LevelStyle style = LevelStyle::kMixed;
  int width = kLevelWidth;
  int height = kLevelHeight;
};

IndexedImage GenerateLevel(const LevelOptions& options);

}  // namespace krel::content
