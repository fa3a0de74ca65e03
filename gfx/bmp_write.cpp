#include "gfx/bmp_write.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace krel {

namespace {

constexpr int kMaxSide = 16384;  // the reader's limit

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void CheckSize(const char* what, int width, int height, std::size_t pixels) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
    throw std::invalid_argument(std::string(what) + ": size " + std::to_string(width) + "x" + std::to_string(height) +
                                " is outside 1..16384 per side");
  if (pixels != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    throw std::invalid_argument(std::string(what) + ": " + std::to_string(pixels) + " pixels given for a " +
                                std::to_string(width) + "x" + std::to_string(height) + " image");
}

// File header and BITMAPINFOHEADER; the caller fills palette and pixels.
std::vector<std::uint8_t> Headers(int width, int height, int bits, int palette_size, std::size_t stride) {
  const std::size_t data_offset = 14 + 40 + 4 * static_cast<std::size_t>(palette_size);
  const std::size_t image_size = stride * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> b(data_offset + image_size, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, static_cast<std::uint32_t>(data_offset));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));  // positive: bottom-up
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint32_t>(bits));
  Put32(b, 30, 0);  // uncompressed
  Put32(b, 34, static_cast<std::uint32_t>(image_size));
  Put32(b, 38, 2835);  // 72 dpi, as paint programs write it
  Put32(b, 42, 2835);
  Put32(b, 46, static_cast<std::uint32_t>(palette_size));
  Put32(b, 50, 0);
  return b;
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp8(int width, int height, std::span<const std::uint8_t> indices,
                                     std::span<const PaletteEntry> palette) {
  CheckSize("EncodeBmp8", width, height, indices.size());
  if (palette.empty() || palette.size() > 256)
    throw std::invalid_argument("EncodeBmp8: palette of " + std::to_string(palette.size()) +
                                " entries (1..256 allowed)");
  for (std::size_t i = 0; i < indices.size(); ++i)
    if (indices[i] >= palette.size())
      throw std::invalid_argument("EncodeBmp8: pixel " + std::to_string(i) + " uses index " +
                                  std::to_string(indices[i]) + " beyond the palette of " +
                                  std::to_string(palette.size()));

  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t stride = (w + 3) / 4 * 4;
  const int pal = static_cast<int>(palette.size());
  std::vector<std::uint8_t> b = Headers(width, height, 8, pal, stride);
  for (int i = 0; i < pal; ++i) {
    const std::size_t at = 54 + 4 * static_cast<std::size_t>(i);
    b[at] = palette[i].blue;
    b[at + 1] = palette[i].green;
    b[at + 2] = palette[i].red;
  }
  const std::size_t data = 54 + 4 * static_cast<std::size_t>(pal);
  for (int y = 0; y < height; ++y) {
    const std::size_t file_row = static_cast<std::size_t>(height - 1 - y);
    const std::uint8_t* src = indices.data() + static_cast<std::size_t>(y) * w;
    std::copy(src, src + w, b.begin() + static_cast<std::ptrdiff_t>(data + file_row * stride));
  }
  return b;
}

std::vector<std::uint8_t> EncodeBmp24(int width, int height, std::span<const std::uint32_t> rgb) {
  CheckSize("EncodeBmp24", width, height, rgb.size());
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t stride = (3 * w + 3) / 4 * 4;
  std::vector<std::uint8_t> b = Headers(width, height, 24, 0, stride);
  for (int y = 0; y < height; ++y) {
    const std::size_t row = 54 + static_cast<std::size_t>(height - 1 - y) * stride;
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint32_t c = rgb[static_cast<std::size_t>(y) * w + x];
      b[row + 3 * x] = static_cast<std::uint8_t>(c);
      b[row + 3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
      b[row + 3 * x + 2] = static_cast<std::uint8_t>(c >> 16);
    }
  }
  return b;
}

}  // namespace krel
