// The sprite routines of the world picture: worm cells and the one number
// space over the three sprite sheets.
#pragma once

#include "client/core/world.h"

namespace krel {

// Copies sprite nr (0..199 GFX16 16x16, 200..399 GFX8 7x8, 400 and up GFX4
// 4x4) to (x, Y) on surf with the sheet's colour key. Numbers without a cell
// and places partly outside surf draw nothing.
void DrawTile(World& w, Surface& surf, double nr, double x, double Y, bool flipped);

// Copies the 16x16 cell anim (0..20) of worm sheet play (1..18) to (x, Y),
// mirrored when richt is false. Other player or frame numbers draw nothing.
void DrawPlayer(World& w, Surface& surf, int play, int anim, int16 x, int16 Y, bool richt);

}  // namespace krel
