// PNG encoding into memory with SDL2_image, so that the bytes can then be
// written as every file is (protocol/base/file_output.h): whole or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SDL_Surface;

namespace krel {

// The surface as PNG bytes in out. False, with SDL's reason in error, when
// it cannot be encoded.
bool EncodePng(SDL_Surface* surface, std::vector<std::uint8_t>& out, std::string& error);

}  // namespace krel
