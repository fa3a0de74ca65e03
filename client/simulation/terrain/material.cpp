// Materials by pixel colour and the passability test.
#include <string>

#include "client/simulation/terrain/level.h"

namespace krel {
namespace {

struct MaterialRange {
  int first, last;  // colour numbers, inclusive
  Material material;
};

// In the order of precedence: a pixel value found in two ranges takes the
// first.
constexpr MaterialRange kRanges[] = {
    {12, 18, kSoil}, {94, 103, kSoil}, {175, 180, kSoil}, {19, 29, kRock}, {159, 167, kFree},
};

// Round half to even for 0 < v < 2^31, cheaper than the general routine:
// IsPassable runs thousands of times per frame. v - trunc(v) is exact here.
inline int RoundPositive(double v) {
  const int i = static_cast<int>(v);
  const double frac = v - i;
  if (frac > 0.5) return i + 1;
  if (frac < 0.5) return i;
  return i + (i & 1);
}

}  // namespace

void BuildMaterialTable(World& w) {
  w.MaterialTable.fill(0);
  for (const MaterialRange& r : kRanges) {
    for (int n = r.first; n <= r.last; ++n) {
      const int32 v = w.PaletteColors[static_cast<std::size_t>(n)];
      if (v < 0 || v > 0xFFFF) continue;  // no 16-bit pixel can have it
      std::uint8_t& m = w.MaterialTable[static_cast<std::size_t>(v)];
      if (m == 0) m = static_cast<std::uint8_t>(r.material);
    }
  }
}

int16 LookUpMaterial(const World& w, int32 color) {
  for (const MaterialRange& r : kRanges)
    for (int n = r.first; n <= r.last; ++n)
      if (w.PaletteColors[static_cast<std::size_t>(n)] == color) return r.material;
  return kOther;
}

int16 MaterialOf(const World& w, int32 color) {
  if (color < 0 || color > 0xFFFF) return kOther;
  const std::uint8_t m = w.MaterialTable[static_cast<std::size_t>(color)];
  return m == 0 ? static_cast<int16>(kOther) : static_cast<int16>(m);
}

bool IsPassable(const World& w, double x, double Y) {
  // Also false for NaN, which fails every comparison.
  if (!(x > 0 && Y > 0 && x < w.LevelWidth && Y < kPassableBottom)) return false;
  const int px = RoundPositive(x);
  const int py = RoundPositive(Y);
  // Rounding may land on the width; a level lower than 342 rows leaves rows
  // below its bitmap: neither is read.
  const Surface& s = w.LevelSurface;
  if (px >= w.LevelWidth || py >= w.LevelHeight || px >= s.width() || py >= s.height()) return false;
  return w.MaterialTable[s.At(px, py)] == kFree;
}

}  // namespace krel
