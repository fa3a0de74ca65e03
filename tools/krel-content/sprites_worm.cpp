// The 21 worm frames of GFX16: three walking phases times seven aim
// directions, facing right. The worm stands on the bottom of its upper half:
// the game draws the cell with its top 4 pixels above the worm's position,
// and the worm's feet touch the ground 5 pixels below that position, so the
// body ends on row 8 of the cell. Only the four replaceable blue shades and
// the grey details are used, so every player colour replaces the blues.
#include <array>
#include <cmath>

#include "tools/krel-content/draw.h"
#include "tools/krel-content/palette.h"
#include "tools/krel-content/sprites.h"

namespace krel::content {
namespace {

struct Segment {
  double x, y, r;
};

// Body segments from head to tail tip for each walking phase: stretched,
// bunched (the tail humps up) and half way.
constexpr std::array<std::array<Segment, 5>, 3> kPhases = {{
    {{{8.8, 2.9, 2.5}, {8.0, 5.3, 2.0}, {6.6, 6.4, 1.9}, {4.6, 7.0, 1.4}, {2.9, 6.9, 0.9}}},
    {{{8.9, 2.6, 2.5}, {8.1, 5.0, 2.0}, {6.8, 5.9, 1.9}, {5.0, 6.3, 1.5}, {3.6, 6.9, 0.9}}},
    {{{8.8, 2.8, 2.5}, {8.0, 5.2, 2.0}, {6.7, 6.2, 1.9}, {4.8, 6.7, 1.4}, {3.2, 6.9, 0.9}}},
}};

void DrawWorm(const Cell& c, int phase, int direction) {
  const auto& segs = kPhases[static_cast<std::size_t>(phase)];
  std::array<std::array<int, 16>, 16> shade{};  // 0 = outside the body
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      for (const Segment& s : segs) {
        const double dx = px - s.x, dy = py - s.y;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d > s.r) continue;
        // Light comes from the upper left; the rim away from it is shaded.
        const double facing = d < 1e-9 ? 0.0 : (-dx * 0.6 - dy * 0.8) / d;
        int v = kWormBody;
        if (facing > 0.45 && d > s.r * 0.35) v = kWormLight;
        if (facing < -0.35 && d > s.r * 0.45) v = kWormShade;
        shade[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = v;
        break;
      }
    }
  // Ring segments: a darker band across the body every few pixels.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      int& v = shade[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      if (v == kWormBody && y >= 5 && (x == 4 || x == 6)) v = kWormShade;
    }
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const int v = shade[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      if (v != 0) {
        c.set(x, y, v);
        continue;
      }
      auto inside = [&shade](int xx, int yy) {
        return xx >= 0 && yy >= 0 && xx < 16 && yy < 16 &&
               shade[static_cast<std::size_t>(yy)][static_cast<std::size_t>(xx)] != 0;
      };
      if (inside(x - 1, y) || inside(x + 1, y) || inside(x, y - 1) || inside(x, y + 1)) c.set(x, y, kWormOutline);
    }

  // The eye looks the way the worm faces, a little towards its aim.
  const int head_x = static_cast<int>(segs[0].x), head_y = static_cast<int>(segs[0].y);
  const int look_up = direction >= 5 ? -1 : 0;
  c.set(head_x + 1, head_y + look_up, kWormWhite);
  c.set(head_x + 1, head_y - 1 + look_up, kWormWhite);
  c.set(head_x + 2, head_y + look_up, kWormDark);

  // The gun, held at the chest and pointing along the aim.
  const double a = kWormAimDegrees[direction] * kPi / 180.0;
  const double sx = std::sin(a), sy = -std::cos(a);
  const double px = 10.2, py = 6.3;
  for (int i = 1; i <= 6; ++i) {
    const int gx = static_cast<int>(std::floor(px + sx * i)), gy = static_cast<int>(std::floor(py + sy * i));
    c.set(gx, gy, i == 6 ? kWormDark : kWormMetal);
  }
  // The stock behind the hands.
  c.set(static_cast<int>(std::floor(px - sx * 0.8)), static_cast<int>(std::floor(py - sy * 0.8)), kWormDark);
  c.set(static_cast<int>(std::floor(px)), static_cast<int>(std::floor(py)), kWormDark);
}

}  // namespace

void DrawWormFrames(IndexedImage& sheet) {
  for (int phase = 0; phase < 3; ++phase)
    for (int dir = 0; dir < 7; ++dir) DrawWorm(CellOf(sheet, kWormFrames + phase * 7 + dir, 16, 16), phase, dir);
}

}  // namespace krel::content
