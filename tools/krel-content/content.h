// Everything the generator makes, built once in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/krel-content/image.h"

namespace krel::content {

struct Resource {
  std::string name;  // resource name as the game looks it up (PAL, FONT, ..., SHOTGUN, ...)
  std::string file;  // file name when written out
  std::vector<std::uint8_t> bytes;
};

struct Content {
  Palette palette{};
  IndexedImage pal, font, gfx16, gfx8, gfx4;
  std::vector<std::vector<std::uint8_t>> sounds;  // 1..30; entry 0 empty
  std::vector<std::string> errors;                // palette and art problems

  // The five bitmaps and thirty effects as the game embeds them.
  std::vector<Resource> Resources() const;
};

Content BuildContent();

// One enlarged, labelled picture of every cell of every sheet, the font and
// the palette.
RgbImage ContactSheet(const Content& content);

// C++ source defining krel::FindResource over the given resources.
std::string ResourceSource(const std::vector<Resource>& resources);

}  // namespace krel::content
