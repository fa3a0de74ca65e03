// Explosions, death and respawn.
#pragma once

#include <optional>

#include "client/state/world.h"

namespace krel {

// The disc radius given to dig for a MAPCHANGE value; empty for values that
// change nothing.
std::optional<int16> MapChangeRadius(int16 mapchange);

// Explodes shot nr / object nr: digs, throws splinters, leaves the blast's
// special object, plays the sound and shoves nearby shots. Neither removes
// the exploding element; the caller does.
void ExplodeShot(World& w, int32 nr);
void ExplodeObj(World& w, int32 nr);

// A worm whose health fell below 1: counts the death (unless it came from the network),
// throws its remains, places it at a random free spot with full health, not
// alive, and announces the death. The game start calls it with the player
// as its own killer and Origin::kNetwork, which only places the worm.
// Player numbers outside 0..17 are ignored.
void PlayerDied(World& w, int16 p, int16 killer, Origin origin);

}  // namespace krel
