// Explosions, death and respawn.
#pragma once

#include "client/core/world.h"

namespace krel {

// A worm whose health fell below 1: counts the death (unless respawnOnly),
// throws its remains, places it at a random free spot with full health, not
// alive, and announces the death. The game start calls it with the player
// as its own killer and respawnOnly true, which only places the worm.
void PlayerDied(World& w, int16 p, int16 killer, bool respawnOnly);

}  // namespace krel
