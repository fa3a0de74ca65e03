#include "tools/krel-content/icon.h"

#include <algorithm>

#include "tools/krel-content/sprites.h"

namespace krel::content {

namespace {

// Aiming straight ahead, standing: the frame that reads best as a worm.
constexpr int kIconFrame = kWormFrames + 3;
constexpr int kCell = 16;

}  // namespace

std::vector<std::uint8_t> WormIcon(const Content& content, int size) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(size) * static_cast<std::size_t>(std::max(size, 0)) * 4, 0);
  if (size <= 0) return out;
  // The drawn part of the cell (index 0 is transparent).
  const int x0 = kIconFrame * kCell;
  int left = kCell, right = -1, top = kCell, bottom = -1;
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x)
      if (content.gfx16.get(x0 + x, y) != 0) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (right < 0) return out;
  const int w = right - left + 1;
  const int h = bottom - top + 1;
  // At least one pixel stays free all round, so the worm never touches the
  // edge; the 16-pixel cell then still doubles into the smallest icon.
  const int room = size - 2;
  const int scale = std::max(1, std::min(room / w, room / h));
  const int ox = (size - w * scale) / 2;
  const int oy = (size - h * scale) / 2;
  for (int y = 0; y < h * scale; ++y)
    for (int x = 0; x < w * scale; ++x) {
      const std::uint8_t index = content.gfx16.get(x0 + left + x / scale, top + y / scale);
      const int px = ox + x, py = oy + y;
      if (index == 0 || px < 0 || py < 0 || px >= size || py >= size) continue;
      const Rgb c = content.palette[index];
      std::uint8_t* p = &out[(static_cast<std::size_t>(py) * static_cast<std::size_t>(size) + px) * 4];
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
      p[3] = 255;
    }
  return out;
}

}  // namespace krel::content
