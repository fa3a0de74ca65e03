// The program's icon: the worm of the game's sprite sheet, enlarged with
// square pixels onto a transparent square.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/krel-content/content.h"

namespace krel::content {

// The sizes the desktop entry's icon is installed at.
inline constexpr int kIconSizes[] = {32, 64, 128};

// size x size pixels, four bytes each (red, green, blue, alpha), top row
// first. The worm is scaled by the largest whole factor that leaves a
// margin of a pixel or more, and centred.
std::vector<std::uint8_t> WormIcon(const Content& content, int size);

}  // namespace krel::content
