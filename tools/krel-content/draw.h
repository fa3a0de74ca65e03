// Small drawing tools for the procedural sprite art: a cell of a sheet as a
// clipped canvas, discs, lines and a noise source.
#pragma once

#include <cmath>
#include <cstdint>

#include "tools/krel-content/image.h"
#include "tools/krel-content/rng.h"

namespace krel::content {

inline constexpr double kPi = 3.14159265358979323846;

// One cell of a sheet; drawing never leaves the cell.
struct Cell {
  IndexedImage& sheet;
  int ox, oy, w, h;
  void set(int x, int y, int v) const {
    if (x >= 0 && y >= 0 && x < w && y < h) sheet.set(ox + x, oy + y, static_cast<std::uint8_t>(v));
  }
  int get(int x, int y) const { return (x >= 0 && y >= 0 && x < w && y < h) ? sheet.get(ox + x, oy + y) : 0; }
};

inline Cell CellOf(IndexedImage& sheet, int index, int w, int h) { return Cell{sheet, index * w, 0, w, h}; }

// Every pixel whose centre lies within r of (cx, cy).
template <typename F>
void ForDisc(const Cell& c, double cx, double cy, double r, F&& f) {
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      const double d = std::sqrt(dx * dx + dy * dy);
      if (d <= r) f(x, y, d);
    }
}

inline void Disc(const Cell& c, double cx, double cy, double r, int colour) {
  ForDisc(c, cx, cy, r, [&](int x, int y, double) { c.set(x, y, colour); });
}

// A line through pixel centres, both ends drawn.
inline void Line(const Cell& c, double x0, double y0, double x1, double y1, int colour) {
  const double len = std::hypot(x1 - x0, y1 - y0);
  const int steps = static_cast<int>(std::ceil(len * 2)) + 1;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    c.set(static_cast<int>(std::floor(x0 + (x1 - x0) * t)), static_cast<int>(std::floor(y0 + (y1 - y0) * t)), colour);
  }
}

// Smooth value noise in [0, 1) on a grid of the given scale.
inline double ValueNoise(double x, double y, double scale, std::uint64_t seed) {
  const double fx = x / scale, fy = y / scale;
  const double x0 = std::floor(fx), y0 = std::floor(fy);
  const double tx = fx - x0, ty = fy - y0;
  const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  const auto ix = static_cast<std::int64_t>(x0), iy = static_cast<std::int64_t>(y0);
  const double a = HashUnit(ix, iy, seed), b = HashUnit(ix + 1, iy, seed);
  const double c = HashUnit(ix, iy + 1, seed), d = HashUnit(ix + 1, iy + 1, seed);
  return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

// Palette index within a ramp of n entries starting at first, for t in
// [0, 1] (clamped).
inline int RampIndex(int first, int n, double t) {
  if (t < 0) t = 0;
  if (t > 1) t = 1;
  int k = static_cast<int>(std::lround(t * (n - 1)));
  return first + k;
}

}  // namespace krel::content
