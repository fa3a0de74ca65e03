// The standings shown in a worm's half of the screen while it is out of
// play: every worm with its name, lives, kills and health, and the prompt to
// re-enter.
#pragma once

#include <string>
#include <vector>

#include "client/state/world.h"

namespace krel {

// Draws the panel of local player 1 or 2 onto Back with its left edge at x;
// changes no game state.
void DrawStatistics(World& w, int x, int player);

// "PRESS JUMP (K) TO START" with the player's own jump key.
std::string JumpPrompt(const World& w, int player);

// A spectator's lines for the view of local player 1 or 2 (World::FreePlaces):
// "PRESS JUMP (K) TO PLAY" and "5 OF 8 PLACES FREE", or "NO FREE PLACE".
std::vector<std::string> SpectatorPrompt(const World& w, int player);

// The prompt of local player 1 or 2 at the bottom of its view, left edge at
// x: a spectator's lines while watching, else the prompt to re-enter.
void DrawPrompt(World& w, int x, int player, bool outlined);

}  // namespace krel
