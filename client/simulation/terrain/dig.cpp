// Digging and filling discs of the level.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "client/simulation/terrain/level.h"

namespace krel {
namespace {

constexpr int kFreeBase = 159;  // colour numbers 159..162 for dug space
constexpr int kSoilBase = 12;   // colour numbers 12..15 for new soil

// Largest k >= 0 with k * k <= n, for 0 <= n < 2^62.
std::int64_t ISqrt(std::int64_t n) {
  auto k = static_cast<std::int64_t>(std::sqrt(static_cast<double>(n)));
  while (k * k > n) --k;
  while ((k + 1) * (k + 1) <= n) ++k;
  return k;
}

}  // namespace

void Dig(World& w, int16 x, int16 y, int16 radius, int16 owner, Origin origin) {
  if (w.Networked() && origin == Origin::kLocal) {
    // Hand the dig to the server, which echoes it to every client.
    if (owner == 1 || owner == 2) w.Events().SendDig(x, y, radius);
    // Applied only when the echo arrives, so every client changes its level
    // from the same message.
    return;
  }

  const int r = std::abs(static_cast<int>(radius));
  // A disc that does not fit inside the level entirely is not dug at all.
  if (x - r < 0 || x + r > w.LevelWidth || y - r < 0 || y + r > w.LevelHeight) return;

  Surface& s = w.LevelSurface;
  const int width = std::min<int>(w.LevelWidth, s.width());
  const int height = std::min<int>(w.LevelHeight, s.height());
  const int base = radius >= 1 ? kFreeBase : kSoilBase;
  const std::int64_t r2 = static_cast<std::int64_t>(r) * r;

  // Column by column, top to bottom: each written pixel draws its own random
  // number, so this order is part of the result every client must repeat.
  for (int px = std::max(x - r, 1); px <= x + r && px < width; ++px) {
    const std::int64_t dx = px - x;
    const std::int64_t rest = r2 - dx * dx;
    if (rest <= 0) continue;
    // Rows with dx² + dy² < r², i.e. |dy| <= isqrt(rest - 1).
    const int reach = static_cast<int>(ISqrt(rest - 1));
    const int top = std::max(y - reach, 1);
    const int bottom = std::min(y + reach, height - 1);
    for (int py = top; py <= bottom; ++py) {
      Pixel& p = s.At(px, py);
      if (w.MaterialTable[p] == kRock) continue;
      const int n = base + static_cast<int>(std::floor(4.0 * w.Rand()));
      p = static_cast<Pixel>(w.PaletteColors[static_cast<std::size_t>(n)]);
    }
  }
}

}  // namespace krel
