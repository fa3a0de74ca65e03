// The level as it is now, for a client that joins a running game
// (protocol/open_play.h): width[2] height[2], big-endian, then the pixels
// row by row, two bytes each, big-endian, compressed with zlib. What a
// server relays is untrusted: the decoder checks every size before it
// allocates and refuses anything that is not exactly one level.
#pragma once

#include <string>
#include <string_view>

#include "gfx/surface.h"

namespace krel {

// The largest level a snapshot may hold, either way and in all.
inline constexpr int kMaxSnapshotSide = 4096;
inline constexpr long kMaxSnapshotPixels = 4L * 1024 * 1024;

std::string EncodeLevelSnapshot(const Surface& level);
// False, with the reason in `error` and `level` untouched, when `blob` is
// not one whole level within the bounds.
bool DecodeLevelSnapshot(std::string_view blob, Surface& level, std::string& error);

}  // namespace krel
