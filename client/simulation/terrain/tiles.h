// The one number space over the three sprite sheets: shots and objects are
// drawn from it, and objects that draw themselves into the level stamp their
// tile there, so the sheets are part of what a game computes with.
#pragma once

#include "client/state/world.h"
#include "gfx/surface.h"

namespace krel {

// Copies sprite nr (0..199 GFX16 16x16, 200..399 GFX8 7x8, 400 and up GFX4
// 4x4) to (x, Y) on surf with the sheet's colour key. Numbers without a cell
// and places partly outside surf draw nothing.
void DrawTile(World& w, Surface& surf, double nr, double x, double Y, bool flipped);

}  // namespace krel
