// The computer player: drives a local worm by overwriting its controls.
#pragma once

#include "client/state/world.h"

namespace krel {

// Sets Ctrl(1..7) of player p (1 or 2) for this frame.
void ComputerPlayer(World& w, int p);

}  // namespace krel
