// One entry of an 8-bit image's palette, as a BMP file stores it.
#pragma once

#include <cstdint>

namespace krel {

// A palette entry {red, green, blue, flags}.
struct PaletteEntry {
  std::uint8_t red = 0, green = 0, blue = 0, flags = 0;
};

}  // namespace krel
