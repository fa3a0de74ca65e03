// One game: its set-up, the frame loop with its pacing and end conditions,
// the window-event routine and the phase timing.
#pragma once

#include <cstdint>

#include "client/core/world.h"

namespace krel {

// How a game ended.
enum class GameEnd {
  kEscape,    // the Escape key
  kGameOver,  // player 1 or 2 has fewer than 0 lives
  kClosed,    // the window was closed (or the input script ran out)
};

// Runs one game from set-up to its end and returns how it ended. Escape and
// game over append the timing report to performance.log in the working
// directory; every end appends the KREL_DUMP line when DumpPath is set.
GameEnd Game(World& w);

// Sets up a game: waits for a network game's configuration, takes the menu's
// names and colours, resets lives and health, places the worms, fills the
// ammunition, forgets keys held from the menu, reloads the level if asked,
// rebuilds the graphics and sends the first state.
void InitGame(World& w);

// Processes pending window events. When the window is minimised (or the
// display otherwise unusable) waits until it is back, rebuilds the graphics
// and returns true; otherwise returns false. Returns false at once when the
// window was closed.
bool PumpWindowEvents(World& w);

// Processes pending window events only (key-down, typed characters, close).
void ProcessWindowEvents(World& w);

// Phase timing: adds the milliseconds since the previous call to countvar.
void AddPhaseTime(World& w, int32& countvar);

// Seeds World::Rand from the clock, or from FixedSeed when it is set.
void SeedRandom(World& w);

// The current tick count of the platform clock (0 without a platform).
std::uint32_t TickCount(World& w);

}  // namespace krel
