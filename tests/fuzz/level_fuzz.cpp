// libFuzzer target: arbitrary bytes as level.bmp through the level loader,
// then the terrain's readers and writers over the whole level it made.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "client/simulation/terrain/level.h"
#include "gfx/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto w = std::make_unique<krel::World>();
  krel::BmpImage image;
  std::string error;
  if (!krel::DecodeBmp(std::span<const std::uint8_t>(data, size), image, error) ||
      !krel::UseLevelImage(*w, image, "level.bmp", error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  for (int i = 0; i < 256; ++i) w->PaletteColors[static_cast<std::size_t>(i)] = static_cast<krel::int32>(i * 257);
  krel::BuildMaterialTable(*w);
  krel::LevelSizeNotice(w->LevelWidth, w->LevelHeight);
  // Probes and digs on a grid over the level and just outside it.
  const int stepx = w->LevelWidth / 7 + 1, stepy = w->LevelHeight / 5 + 1;
  for (int y = -stepy; y <= w->LevelHeight + stepy; y += stepy) {
    for (int x = -stepx; x <= w->LevelWidth + stepx; x += stepx) {
      krel::IsPassable(*w, x, y);
      krel::Dig(*w, static_cast<krel::int16>(x), static_cast<krel::int16>(y), static_cast<krel::int16>(x % 9 - 3), 1,
                krel::Origin::kNetwork);
    }
  }
  return 0;
}
