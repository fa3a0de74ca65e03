#include "platform/sdl/screenshot.h"

#include <SDL.h>
#include <SDL_image.h>

#include <vector>

#include "protocol/base/file_output.h"

namespace krel {

namespace {

// An SDL stream that appends what is written to out (which must outlive
// it); closing it frees it. The PNG writer only ever asks for the position.
SDL_RWops* GrowingMemoryStream(std::vector<std::uint8_t>& out) {
  SDL_RWops* rw = SDL_AllocRW();
  if (rw == nullptr) return nullptr;
  rw->type = SDL_RWOPS_UNKNOWN;
  rw->hidden.unknown.data1 = &out;
  rw->size = [](SDL_RWops* c) -> Sint64 {
    return static_cast<Sint64>(static_cast<std::vector<std::uint8_t>*>(c->hidden.unknown.data1)->size());
  };
  rw->seek = [](SDL_RWops* c, Sint64 offset, int whence) -> Sint64 {
    auto* v = static_cast<std::vector<std::uint8_t>*>(c->hidden.unknown.data1);
    if (offset == 0 && (whence == RW_SEEK_CUR || whence == RW_SEEK_END)) return static_cast<Sint64>(v->size());
    return SDL_SetError("the PNG stream cannot seek");
  };
  rw->read = [](SDL_RWops*, void*, size_t, size_t) -> size_t { return 0; };
  rw->write = [](SDL_RWops* c, const void* p, size_t size, size_t n) -> size_t {
    auto* v = static_cast<std::vector<std::uint8_t>*>(c->hidden.unknown.data1);
    const auto* b = static_cast<const std::uint8_t*>(p);
    v->insert(v->end(), b, b + size * n);
    return n;
  };
  rw->close = [](SDL_RWops* c) -> int {
    SDL_FreeRW(c);
    return 0;
  };
  return rw;
}

}  // namespace

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
  SDL_RWops* rw = GrowingMemoryStream(png);
  const bool encoded = rw != nullptr && IMG_SavePNG_RW(out, rw, 1) == 0;
  if (!encoded) error = std::string("cannot make the picture: ") + IMG_GetError();
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
