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

// An object's picture goes into the level (it counts as ground there). In
// open play a local one is only sent, by the client whose worm (1 or 2) owns
// the object, and drawn when the batch brings it back, as digs are; the
// other clients' copies of the object draw nothing.
void DrawIntoLevel(World& w, int32 tile, double x, double Y, int16 owner, Origin origin);

}  // namespace krel
