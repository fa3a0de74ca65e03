// The worm sprites of the world picture (the other sprites: tiles.h).
#pragma once

#include "client/simulation/terrain/tiles.h"
#include "client/state/world.h"

namespace krel {

// Copies the 16x16 cell anim (0..20) of worm sheet play (1..18) to (x, Y),
// mirrored when facingRight is false. Other player or frame numbers draw nothing.
void DrawPlayer(World& w, Surface& surf, int play, int anim, int16 x, int16 Y, bool facingRight);

}  // namespace krel
