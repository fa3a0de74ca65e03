#include "platform/sdl/screenshot.h"

#include "platform/sdl/png_encode.h"

#include <SDL.h>

#include <vector>

#include "protocol/base/file_output.h"

namespace krel {

namespace {}  // namespace

bool SaveFramePng(std::span<const std::uint16_t> rgb565, int width, int height, int scale, const std::string& path,
                  std::string& error) {
  if (width <= 0 || height <= 0 || rgb565.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) ||
      scale < 1 || scale > 16) {
    error = "no picture to save";
    return false;
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
  // Encoded in memory, then written as every file of the game is: whole or
  // not at all, through a link to its target, never over a device.
  std::vector<std::uint8_t> png;
  const bool encoded = EncodePng(out, png, error);
  if (!encoded) error = "cannot make the picture: " + error;
  SDL_FreeSurface(out);
  if (!encoded) return false;
  const std::string_view bytes(reinterpret_cast<const char*>(png.data()), png.size());
  if (!WriteWholeFile(path, bytes, error, {.make_folders = true})) {
    error = "cannot write " + error;
    return false;
  }
  return true;
}

}  // namespace krel
