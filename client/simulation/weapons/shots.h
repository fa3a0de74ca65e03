// Shots in flight and the bonus items that drop into the level.
#pragma once

#include "client/state/world.h"

namespace krel {

// Creates a shot of weapon number ty (-1 = bonus item, 0..40 weapons). In a
// local game, or when the request came from the network (Origin::kNetwork), the
// shot is appended to Shots; in a network game a local request by worm 1 or
// 2 is handed to the server instead and every other request is dropped.
// A weapon number outside -1..40 creates nothing.
void AddShot(World& w, fixed x, fixed Y, fixed dx, fixed dy, int16 owner, int16 ty, int16 color,
             Origin origin = Origin::kLocal);

// Marks shot nr removed and cuts every dead element off the end of Shots.
// Indices of the other shots stay valid.
void RemoveShot(World& w, int32 nr);

// Moves, steers and explodes every shot, once per frame.
void MoveShots(World& w);

// Now and then (one frame in a thousand on average) drops a bonus item.
void BonusDrop(World& w);

}  // namespace krel
