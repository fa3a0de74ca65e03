// The two file formats the generator writes: 8-bit palette BMP and 8-bit
// mono PCM WAV. Kept here so that the generator builds before, and without,
// the game's own libraries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/krel-content/image.h"

namespace krel::content {

// A bottom-up BITMAPINFOHEADER bitmap with a 256-entry colour table.
std::vector<std::uint8_t> EncodeBmp8(const IndexedImage& image, const Palette& palette);

// A bottom-up 24-bit bitmap.
std::vector<std::uint8_t> EncodeBmp24(const RgbImage& image);

// RIFF/WAVE, PCM, one channel, 8 bits unsigned (128 is silence).
std::vector<std::uint8_t> EncodeWav8(const std::vector<std::uint8_t>& samples, int rate);

// Writes bytes to path as every Krel program writes a whole file
// (protocol/base/file_output.h): "-" is standard output, links are followed,
// devices and pipes are written directly, and a regular file is replaced
// whole or not at all. False with error ("cannot write NAME: reason") set.
bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace krel::content
