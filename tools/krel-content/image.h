// Palette images and the shared palette type of the content generator.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace krel::content {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
using Palette = std::array<Rgb, 256>;

// An 8-bit image of palette indices, top row first. Writes outside the image
// are ignored so that drawing code can clip by simply trying.
class IndexedImage {
 public:
  IndexedImage() = default;
  IndexedImage(int width, int height, std::uint8_t fill = 0)
      : width_(width), height_(height), px_(static_cast<std::size_t>(width) * height, fill) {}

  int width() const { return width_; }
  int height() const { return height_; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  std::uint8_t get(int x, int y) const { return inside(x, y) ? px_[index(x, y)] : 0; }
  void set(int x, int y, std::uint8_t v) {
    if (inside(x, y)) px_[index(x, y)] = v;
  }
  const std::vector<std::uint8_t>& pixels() const { return px_; }

  // Copies the w x h block at (sx, sy) of src to (dx, dy); with skip_zero,
  // index 0 (transparent magenta) is left out.
  void blit(const IndexedImage& src, int sx, int sy, int w, int h, int dx, int dy, bool skip_zero);

 private:
  std::size_t index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> px_;
};

inline void IndexedImage::blit(const IndexedImage& src, int sx, int sy, int w, int h, int dx, int dy, bool skip_zero) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!src.inside(sx + x, sy + y)) continue;
      std::uint8_t v = src.get(sx + x, sy + y);
      if (skip_zero && v == 0) continue;
      set(dx + x, dy + y, v);
    }
}

// A true-colour image, for pictures that show more than the palette (the
// contact sheet's previews of worms in player colours).
class RgbImage {
 public:
  RgbImage(int width, int height, Rgb fill)
      : width_(width), height_(height), px_(static_cast<std::size_t>(width) * height, fill) {}
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb get(int x, int y) const {
    return (x >= 0 && y >= 0 && x < width_ && y < height_) ? px_[static_cast<std::size_t>(y) * width_ + x] : Rgb{};
  }
  void set(int x, int y, Rgb v) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) px_[static_cast<std::size_t>(y) * width_ + x] = v;
  }

 private:
  int width_, height_;
  std::vector<Rgb> px_;
};

}  // namespace krel::content
