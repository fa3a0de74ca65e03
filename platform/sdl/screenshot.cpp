#include "platform/sdl/screenshot.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <filesystem>

namespace krel {

bool SaveFramePng(std::span<const std::uint16_t> rgb565, int width, int height, int scale, const std::string& path,
                  std::string& error) {
  if (width <= 0 || height <= 0 || rgb565.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) ||
      scale < 1 || scale > 16) {
    error = "no picture to save";
    return false;
  }
  std::error_code ec;
  const std::filesystem::path target(path);
  if (target.has_parent_path()) {
    std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) {
      error = "cannot create " + target.parent_path().string() + ": " + ec.message();
      return false;
    }
  }
  const int w = width * scale;
  const int h = height * scale;
  SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_RGB24);
  if (out == nullptr) {
    error = std::string("cannot make the picture: ") + SDL_GetError();
    return false;
  }
  // RGB565 to 8 bits a channel, the top bits repeated into the bottom ones
  // so that full white stays 255.
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<Uint8*>(out->pixels) + static_cast<std::ptrdiff_t>(y) * out->pitch;
    for (int x = 0; x < w; ++x) {
      const unsigned p = rgb565[static_cast<std::size_t>(y / scale) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x / scale)];
      const unsigned r = (p >> 11) & 0x1F, g = (p >> 5) & 0x3F, b = p & 0x1F;
      row[3 * x + 0] = static_cast<Uint8>((r << 3) | (r >> 2));
      row[3 * x + 1] = static_cast<Uint8>((g << 2) | (g >> 4));
      row[3 * x + 2] = static_cast<Uint8>((b << 3) | (b >> 2));
    }
  }
  // Written beside the target and renamed over it, so a failed write never
  // leaves a broken file under the final name.
  const std::string temp = path + ".part";
  const bool ok = IMG_SavePNG(out, temp.c_str()) == 0;
  if (!ok) error = std::string("cannot write ") + path + ": " + IMG_GetError();
  SDL_FreeSurface(out);
  if (!ok) {
    std::remove(temp.c_str());
    return false;
  }
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    error = "cannot write " + path + ": " + ec.message();
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace krel
