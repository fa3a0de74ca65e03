// Worm movement and actions: walking, climbing, aiming, jumping, digging,
// the rope, falling and firing, once per frame for every worm.
#pragma once

#include "client/state/world.h"

namespace krel {

// Moves every worm 1..NumPlayers and carries out its controls, then points
// the views of players 1 and 2 at their worms.
void PlayerAction(World& w);

// Points pl's view at (x, y): its left edge 80 pixels and its top 100 pixels
// before the point, kept inside the level.
void FollowView(World& w, Player& pl, fixed x, fixed y);

}  // namespace krel
