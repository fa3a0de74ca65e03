#include "client/present/surface.h"

#include <algorithm>
#include <cstring>

#include "protocol/numbers.h"

namespace krel {

Surface::Surface(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, 0) {}

void Surface::Clear(Pixel colour) { std::fill(pixels_.begin(), pixels_.end(), colour); }

bool Surface::RectInside(const Rect& r) const {
  return r.Left >= 0 && r.Top >= 0 && r.Right <= width_ && r.Bottom <= height_ && r.Left < r.Right &&
         r.Top < r.Bottom;
}

bool Surface::BltColorFill(const Rect& r, Pixel colour) {
  if (!RectInside(r)) return false;
  for (int y = r.Top; y < r.Bottom; ++y) std::fill(row(y) + r.Left, row(y) + r.Right, colour);
  return true;
}

bool Surface::BltFast(int x, int y, const Surface& src, const Rect& srcRect, bool keyed) {
  if (!src.RectInside(srcRect)) return false;
  const int w = srcRect.Width();
  const int h = srcRect.Height();
  if (!RectInside(Rect{x, y, x + w, y + h})) return false;

  // Copying within one surface with overlapping rectangles: go through a
  // temporary so that the result equals a copy from an untouched source.
  if (&src == this) {
    Surface tmp(w, h);
    tmp.BltFast(0, 0, src, srcRect, false);
    if (src.has_key_) tmp.SetColorKey(src.key_);
    return BltFast(x, y, tmp, Rect{0, 0, w, h}, keyed);
  }

  if (!keyed || !src.has_key_) {
    for (int j = 0; j < h; ++j)
      std::memcpy(row(y + j) + x, src.row(srcRect.Top + j) + srcRect.Left, sizeof(Pixel) * w);
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

Pixel Surface::GetLockedPixel(int x, int y) const { return Contains(x, y) ? At(x, y) : 0; }

void Surface::SetLockedPixel(int x, int y, Pixel v) {
  if (Contains(x, y)) At(x, y) = v;
}

Rect makerect(double x, double Y, double B, double H) {
  return Rect{ToInt32(x), ToInt32(Y), ToInt32(x + B), ToInt32(Y + H)};
}

}  // namespace krel
