// The program's own resources: the five bitmaps (PAL, FONT, GFX16, GFX8,
// GFX4) and the thirty sound effects (SHOTGUN ... BURNER), embedded at build
// time from what tools/krel-content generates.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace krel {

// The bytes of the resource with this name (a whole BMP or WAV file);
// names compare without regard to case, as resource names do. Empty when
// there is no such resource.
std::span<const std::uint8_t> FindResource(std::string_view name);

// Every embedded resource's name, in the generator's order.
std::vector<std::string_view> ResourceNames();

}  // namespace krel
