// Worm movement and actions: walking, climbing, aiming, jumping, digging,
// the rope, falling and firing, once per frame for every worm.
#pragma once

#include "client/core/world.h"

namespace krel {

// Moves every worm 1..NumPlayers and carries out its controls.
void PlayerAction(World& w);

}  // namespace krel
