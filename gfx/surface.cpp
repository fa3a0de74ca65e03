#include "gfx/surface.h"

#include <algorithm>
#include <cstring>

#include "protocol/base/numbers.h"

namespace krel {

Surface::Surface(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, 0) {}

void Surface::Clear(Pixel colour) { std::fill(pixels_.begin(), pixels_.end(), colour); }

bool Surface::RectInside(const Rect& r) const {
  return r.Left >= 0 && r.Top >= 0 && r.Right <= width_ && r.Bottom <= height_ && r.Left < r.Right && r.Top < r.Bottom;
}

bool Surface::PlaceInside(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) const {
  return x >= 0 && y >= 0 && w > 0 && h > 0 && x + w <= width_ && y + h <= height_;
}

bool Surface::FillRect(const Rect& r, Pixel colour) {
  if (!RectInside(r)) return false;
  for (int y = r.Top; y < r.Bottom; ++y) std::fill(row(y) + r.Left, row(y) + r.Right, colour);
  return true;
}

bool Surface::Blit(int x, int y, const Surface& src, const Rect& srcRect, bool keyed) {
  if (!src.RectInside(srcRect)) return false;
  const int w = srcRect.Width();
  const int h = srcRect.Height();
  if (!PlaceInside(x, y, w, h)) return false;

  // Copying within one surface with overlapping rectangles: go through a
  // temporary so that the result equals a copy from an untouched source.
  if (&src == this) {
    Surface tmp(w, h);
    tmp.Blit(0, 0, src, srcRect, false);
    if (src.has_key_) tmp.SetColorKey(src.key_);
    return Blit(x, y, tmp, Rect{0, 0, w, h}, keyed);
  }

  if (!keyed || !src.has_key_) {
    for (int j = 0; j < h; ++j) std::memcpy(row(y + j) + x, src.row(srcRect.Top + j) + srcRect.Left, sizeof(Pixel) * w);
    return true;
  }
  const Pixel key = src.key_;
  for (int j = 0; j < h; ++j) {
    const Pixel* s = src.row(srcRect.Top + j) + srcRect.Left;
    Pixel* d = row(y + j) + x;
    for (int i = 0; i < w; ++i)
      if (s[i] != key) d[i] = s[i];
  }
  return true;
}

bool Surface::BlitStretched(const Rect& dstRect, const Surface& src, const Rect& srcRect, bool keyed) {
  if (!src.RectInside(srcRect) || !RectInside(dstRect)) return false;
  const int sw = srcRect.Width();
  const int sh = srcRect.Height();
  const int dw = dstRect.Width();
  const int dh = dstRect.Height();
  if (sw == dw && sh == dh) return Blit(dstRect.Left, dstRect.Top, src, srcRect, keyed);

  if (&src == this) {
    Surface tmp(sw, sh);
    tmp.Blit(0, 0, src, srcRect, false);
    if (src.has_key_) tmp.SetColorKey(src.key_);
    return BlitStretched(dstRect, tmp, Rect{0, 0, sw, sh}, keyed);
  }

  // Target pixel i (counted from the rectangle's edge) lies over source
  // position (i + 0.5) * sw / dw; it takes the pixel containing that point.
  // For 320 -> 640 every source pixel becomes a 2x2 block; shrinking picks
  // evenly spread samples rather than crowding them at one edge.
  std::vector<int> cols(static_cast<std::size_t>(dw));
  for (int i = 0; i < dw; ++i)
    cols[i] = srcRect.Left + static_cast<int>((2 * static_cast<std::int64_t>(i) + 1) * sw / (2 * std::int64_t{dw}));

  const bool use_key = keyed && src.has_key_;
  const Pixel key = src.key_;
  int previous_sy = -1;
  for (int j = 0; j < dh; ++j) {
    const int sy = srcRect.Top + static_cast<int>((2 * static_cast<std::int64_t>(j) + 1) * sh / (2 * std::int64_t{dh}));
    Pixel* d = row(dstRect.Top + j) + dstRect.Left;
    if (!use_key && sy == previous_sy) {
      // Enlarging repeats source rows: copy the row just made.
      std::memcpy(d, d - width_, sizeof(Pixel) * dw);
      continue;
    }
    const Pixel* s = src.row(sy);
    if (use_key) {
      for (int i = 0; i < dw; ++i) {
        const Pixel p = s[cols[i]];
        if (p != key) d[i] = p;
      }
    } else {
      for (int i = 0; i < dw; ++i) d[i] = s[cols[i]];
    }
    previous_sy = sy;
  }
  return true;
}

void Surface::SetForeColor(int r, int g, int b) { fore_ = static_cast<Pixel>(PixelFromRgb(kScreenFormat, r, g, b)); }

namespace {

// The integer nearest to num / den (den > 0); a value exactly half way goes
// to the smaller integer.
std::int64_t NearestTiesDown(__int128 num, __int128 den) {
  // ceil((2 num - den) / (2 den)) written as a floor division.
  const __int128 a = den - 2 * num;
  const __int128 b = 2 * den;
  __int128 q = a / b;
  if ((a % b != 0) && (a < 0)) --q;  // floor for a negative dividend
  return static_cast<std::int64_t>(-q);
}

}  // namespace

// GDI's rule for one-pixel pens ("grid intersection quantisation", the
// diamond rule): along the major axis (the one with the larger extent, x
// when both are equal) exactly one pixel is lit per step, from the start
// point inclusive to the end point exclusive. On the minor axis the pixel is
// the one nearest to the ideal line at that step; when the line passes
// exactly half way between two pixels, the one with the smaller coordinate
// wins (the upper one for shallow lines, the left one for steep lines).
// The choice depends only on the geometry, so a line drawn backwards covers
// the same pixels apart from its two ends. At exactly 45 degrees no ties
// occur: every step lands on a pixel centre.
void Surface::DrawLine(int x1, int y1, int x2, int y2) {
  const std::int64_t dx = std::int64_t{x2} - x1;
  const std::int64_t dy = std::int64_t{y2} - y1;
  const std::int64_t adx = dx < 0 ? -dx : dx;
  const std::int64_t ady = dy < 0 ? -dy : dy;
  const bool x_major = adx >= ady;
  const std::int64_t steps = x_major ? adx : ady;
  if (steps == 0) return;  // a zero-length line draws nothing: its only pixel is its end point

  const std::int64_t major0 = x_major ? x1 : y1;
  const std::int64_t minor0 = x_major ? y1 : x1;
  const std::int64_t major_step = (x_major ? dx : dy) < 0 ? -1 : 1;
  const std::int64_t minor_delta = x_major ? dy : dx;
  const std::int64_t major_limit = x_major ? width_ : height_;
  const std::int64_t minor_limit = x_major ? height_ : width_;

  // Only the steps whose major coordinate lies on the surface can light a
  // pixel; skipping the others keeps far-off end points cheap.
  std::int64_t first = 0;
  std::int64_t last = steps - 1;
  if (major_step > 0) {
    first = std::max(first, -major0);
    last = std::min(last, major_limit - 1 - major0);
  } else {
    first = std::max(first, major0 - (major_limit - 1));
    last = std::min(last, major0);
  }
  for (std::int64_t i = first; i <= last; ++i) {
    const std::int64_t major = major0 + major_step * i;
    const std::int64_t minor = minor0 + NearestTiesDown(static_cast<__int128>(i) * minor_delta, steps);
    if (minor < 0 || minor >= minor_limit) continue;
    if (x_major)
      At(static_cast<int>(major), static_cast<int>(minor)) = fore_;
    else
      At(static_cast<int>(minor), static_cast<int>(major)) = fore_;
  }
}

Pixel Surface::PixelAt(int x, int y) const { return Contains(x, y) ? At(x, y) : 0; }

void Surface::SetPixel(int x, int y, Pixel v) {
  if (Contains(x, y)) At(x, y) = v;
}

Rect MakeRect(double x, double Y, double B, double H) {
  return Rect{ToInt32(x), ToInt32(Y), ToInt32(x + B), ToInt32(Y + H)};
}

}  // namespace krel
