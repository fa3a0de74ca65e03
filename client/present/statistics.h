// The standings shown in a worm's half of the screen while it is out of
// play: every worm with its name, lives, kills and health, and the prompt to
// re-enter.
#pragma once

#include "client/state/world.h"

namespace krel {

// Draws the panel onto Back with its left edge at x; changes no game
// state.
void DrawStatistics(World& w, int x);

}  // namespace krel
