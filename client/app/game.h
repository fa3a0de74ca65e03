// One game: its set-up, the frame loop with its pacing and end conditions,
// the window-event routine and the phase timing.
#pragma once

#include <cstdint>

#include "client/state/game_end.h"
#include "client/state/world.h"

namespace krel {

// Runs one game from set-up to its end and returns how it ended. Escape and
// game over append the timing report to performance.log in the working
// directory; every end appends the KREL_DUMP line when DumpPath is set.
GameEnd Game(World& w);

// Sets up a game: waits for a network game's configuration, takes the menu's
// names and colours, resets lives and health, places the worms, fills the
// ammunition, forgets keys held from the menu, reloads the level if asked,
// rebuilds the graphics and sends the first state.
void InitGame(World& w);

// Phase timing: adds the milliseconds since the previous call to countvar.
void AddPhaseTime(World& w, int32& countvar);

// Seeds World::Rand from the clock, or from FixedSeed when it is set.
void SeedRandom(World& w);

}  // namespace krel
