// The standings shown in a worm's half of the screen while it is out of
// play: every worm with its name, lives, kills and health, and the prompt to
// re-enter.
#pragma once

#include <string>

#include "client/state/world.h"

namespace krel {

// Draws the panel of local player 1 or 2 onto Back with its left edge at x;
// changes no game state.
void DrawStatistics(World& w, int x, int player);

// "PRESS JUMP (K) TO START" with the player's own jump key.
std::string JumpPrompt(const World& w, int player);

}  // namespace krel
