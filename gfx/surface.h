// Software off-screen surfaces in the one 16-bit screen format (RGB565).
//
// Everything the game draws goes through these: sprite sheets, the level,
// the world canvas and the 320x240 back buffer. The platform layer only ever
// presents a finished surface. A copy or fill whose rectangle lies partly
// outside the source or the target draws nothing at all; the renderer relies
// on that refusal (a view near the level edge, a sprite beyond the level).
#pragma once

#include <cstdint>
#include <vector>

namespace krel {

using Pixel = std::uint16_t;

// The screen format: red 0xF800, green 0x07E0, blue 0x001F.
struct PixelFormat {
  std::uint32_t red_mask = 0xF800;
  std::uint32_t green_mask = 0x07E0;
  std::uint32_t blue_mask = 0x001F;
  int bits_per_pixel = 16;
};
inline constexpr PixelFormat kScreenFormat{};

// The bits of one 8-bit channel value v (clamped to 0..255) under the
// channel's mask: the channel's maximum mmax is the mask shifted down to its
// lowest set bit, and v scales to floor(v * mmax / 255), so 255 is the full
// channel and only 255 is. A zero mask contributes nothing.
constexpr std::uint32_t ChannelBits(std::uint32_t mask, int v) {
  if (mask == 0) return 0;
  if (v < 0) v = 0;
  if (v > 255) v = 255;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const std::uint32_t mmax = mask >> shift;
  return (static_cast<std::uint32_t>(v) * mmax / 255u) << shift;
}

// The pixel value of the colour (r, g, b) in format f. This one rule turns
// every RGB colour of the game into screen pixels: bitmaps, line colours
// and the colours the drawing services compute.
constexpr std::uint32_t PixelFromRgb(const PixelFormat& f, int r, int g, int b) {
  return ChannelBits(f.red_mask, r) | ChannelBits(f.green_mask, g) | ChannelBits(f.blue_mask, b);
}

// {Left, Top, Right, Bottom}; Right and Bottom are exclusive.
struct Rect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
  std::int32_t Width() const { return Right - Left; }
  std::int32_t Height() const { return Bottom - Top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  const PixelFormat& Format() const { return kScreenFormat; }

  // Source colour key: pixels equal to it are left out by keyed copies.
  void SetColorKey(Pixel key) {
    key_ = key;
    has_key_ = true;
  }
  void ClearColorKey() { has_key_ = false; }
  bool HasColorKey() const { return has_key_; }
  Pixel ColorKey() const { return key_; }

  // Whole-surface or rectangle fill; a rectangle partly outside is refused.
  // Returns whether anything was drawn.
  void Clear(Pixel colour);
  bool FillRect(const Rect& r, Pixel colour);

  // Copies src's rectangle to (x, y). With keyed true, pixels equal to src's
  // colour key are left out (src must have a key; without one the copy is
  // plain). Refused when either rectangle is not wholly inside its surface.
  // src may be this surface; overlapping rectangles copy as if through a
  // temporary.
  bool Blit(int x, int y, const Surface& src, const Rect& srcRect, bool keyed);

  // Stretching copy of src's rectangle onto dstRect (any size, nearest
  // neighbour: each target pixel takes the source pixel under its centre).
  // Refused, drawing nothing, when either rectangle is empty or not wholly
  // inside its surface. keyed works as in Blit; src may be this surface.
  bool BlitStretched(const Rect& dstRect, const Surface& src, const Rect& srcRect, bool keyed = false);

  // Line drawing in the manner of a GDI pen: SetForeColor takes an RGB
  // colour (0..255 each) and converts it to the screen format; DrawLine
  // draws from (x1, y1) up to but not including (x2, y2) in that colour.
  // Pixels outside the surface are clipped away, the rest is drawn.
  void SetForeColor(int r, int g, int b);
  Pixel ForeColor() const { return fore_; }
  void DrawLine(int x1, int y1, int x2, int y2);

  // Direct pixel access. Out-of-range reads give 0 and out-of-range writes are ignored; hot paths
  // that have already checked their bounds use At()/row() directly.
  Pixel PixelAt(int x, int y) const;
  void SetPixel(int x, int y, Pixel v);
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  Pixel At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  Pixel& At(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  const Pixel* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  Pixel* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const std::vector<Pixel>& pixels() const { return pixels_; }

  // Whether r lies wholly inside this surface (an empty rectangle does not).
  bool RectInside(const Rect& r) const;
  // Whether a w x h block at (x, y) lies wholly inside (and is not empty);
  // computed wide, so positions near the integer limits are simply outside.
  bool PlaceInside(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> pixels_;
  Pixel key_ = 0;
  bool has_key_ = false;
  Pixel fore_ = 0;
};

// {x, Y, x + B, Y + H}, each rounded half to even to 32 bits.
Rect MakeRect(double x, double Y, double B, double H);

}  // namespace krel
