// Shots in flight and the bonus items that drop into the level.
#pragma once

#include "client/core/world.h"

namespace krel {

// Moves, steers and explodes every shot, once per frame.
void MoveShots(World& w);

// Now and then (one frame in a thousand on average) drops a bonus item.
void BonusDrop(World& w);

}  // namespace krel
