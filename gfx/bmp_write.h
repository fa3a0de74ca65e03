// Writing uncompressed Windows BMP files. Only the tests use these, to build
// inputs for the reader; the content generator has writers of its own
// (tools/krel-content/writers.h) because it builds before, and without, the
// game's libraries.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gfx/palette.h"

namespace krel {

// An 8-bit palette image (BITMAPINFOHEADER, stored bottom-up, rows padded to
// four bytes). indices holds width*height palette indices, top row first;
// palette holds 1..256 entries and every index must name one of them. The
// flags byte of an entry is not stored. Throws std::invalid_argument when
// the arguments do not describe such an image.
std::vector<std::uint8_t> EncodeBmp8(int width, int height, std::span<const std::uint8_t> indices,
                                     std::span<const PaletteEntry> palette);

// A 24-bit image; rgb holds width*height values 0xRRGGBB, top row first.
std::vector<std::uint8_t> EncodeBmp24(int width, int height, std::span<const std::uint32_t> rgb);

}  // namespace krel
