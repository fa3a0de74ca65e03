// Screenshots: a finished frame written as a PNG file with SDL2_image.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace krel {

// Writes a width x height frame of RGB565 pixels (row by row), each pixel
// as a scale x scale block, to path as PNG, making the folder when it is
// missing. False, with the reason in error, when the file cannot be written;
// nothing is left half-written under path.
bool SaveFramePng(std::span<const std::uint16_t> rgb565, int width, int height, int scale, const std::string& path,
                  std::string& error);

}  // namespace krel
