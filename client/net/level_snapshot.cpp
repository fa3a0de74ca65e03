#include "client/net/level_snapshot.h"

#include <zlib.h>

#include <vector>

namespace krel {

std::string EncodeLevelSnapshot(const Surface& level) {
  std::string raw;
  raw.reserve(level.pixels().size() * 2);
  for (Pixel p : level.pixels()) {
    raw.push_back(static_cast<char>(p >> 8));
    raw.push_back(static_cast<char>(p & 0xFF));
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::string out(4 + packed_size, '\0');
  out[0] = static_cast<char>(level.width() >> 8);
  out[1] = static_cast<char>(level.width() & 0xFF);
  out[2] = static_cast<char>(level.height() >> 8);
  out[3] = static_cast<char>(level.height() & 0xFF);
  if (compress2(reinterpret_cast<Bytef*>(out.data() + 4), &packed_size, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
    return {};
  out.resize(4 + packed_size);
  return out;
}

bool DecodeLevelSnapshot(std::string_view blob, Surface& level, std::string& error) {
  if (blob.size() < 4) {
    error = "the level from the server has no size (" + std::to_string(blob.size()) + " bytes)";
    return false;
  }
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(blob[i]); };
  const int width = byte(0) << 8 | byte(1), height = byte(2) << 8 | byte(3);
  if (width < 1 || height < 1 || width > kMaxSnapshotSide || height > kMaxSnapshotSide ||
      static_cast<long>(width) * height > kMaxSnapshotPixels) {
    error = "the level from the server is " + std::to_string(width) + "x" + std::to_string(height) +
            " pixels (at most " + std::to_string(kMaxSnapshotSide) + " either way and " +
            std::to_string(kMaxSnapshotPixels) + " in all)";
    return false;
  }
  const std::size_t expected = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2;
  std::vector<unsigned char> raw(expected + 1);
  // One byte more than a level needs: a stream that fills it is too long.
  uLongf raw_size = static_cast<uLongf>(raw.size());
  const int result = uncompress(raw.data(), &raw_size, reinterpret_cast<const Bytef*>(blob.data() + 4),
                                static_cast<uLong>(blob.size() - 4));
  if (result != Z_OK && result != Z_BUF_ERROR) {
    error = "the level from the server is not a zlib stream (" + std::string(zError(result)) + ")";
    return false;
  }
  if (result == Z_BUF_ERROR || raw_size != expected) {
    error =
        "the level from the server does not hold " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
    return false;
  }
  Surface decoded(width, height);
  for (int y = 0; y < height; ++y) {
    Pixel* row = decoded.row(y);
    const unsigned char* in = raw.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 2;
    for (int x = 0; x < width; ++x) row[x] = static_cast<Pixel>(in[2 * x] << 8 | in[2 * x + 1]);
  }
  level = std::move(decoded);
  return true;
}

}  // namespace krel
