// Reading Windows BMP images (8-bit palette and 24-bit), from a file or from
// bytes embedded in the program, and turning them into screen surfaces.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfx/palette.h"
#include "gfx/surface.h"

namespace krel {

struct BmpImage {
  int width = 0;
  int height = 0;
  int bits = 0;                       // 8 or 24
  std::vector<std::uint8_t> indices;  // 8-bit: width*height palette indices, top row first
  std::vector<std::uint32_t> rgb;     // 24-bit: 0xRRGGBB per pixel, top row first
  std::array<PaletteEntry, 256> palette{};
  int palette_size = 0;
};

// Decodes a BMP. On malformed input returns false and error says what was
// wrong (truncated header, unsupported depth, size out of range, ...).
bool DecodeBmp(std::span<const std::uint8_t> bytes, BmpImage& out, std::string& error);
bool LoadBmpFile(const std::string& path, BmpImage& out, std::string& error);

// The image converted into the screen format.
Surface SurfaceFromBmp(const BmpImage& image);

}  // namespace krel
