#include "platform/sdl/png_encode.h"

#include <SDL.h>
#include <SDL_image.h>

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

bool EncodePng(SDL_Surface* surface, std::vector<std::uint8_t>& out, std::string& error) {
  out.clear();
  SDL_RWops* rw = surface != nullptr ? GrowingMemoryStream(out) : nullptr;
  if (rw != nullptr && IMG_SavePNG_RW(surface, rw, 1) == 0) return true;
  error = surface == nullptr ? SDL_GetError() : IMG_GetError();
  return false;
}

}  // namespace krel
