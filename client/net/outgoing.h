// Events that a client in a network game hands to the server instead of
// applying them: shots "w", objects "o", special objects "s", digs "d",
// drawings into the level "D" (open play) and kill reports "f", appended to
// OutBuffer and sent with the next state.
#pragma once

#include "client/state/world.h"

namespace krel {

void SendShot(World& w, const Shot& s);
void SendObj(World& w, const Obj& o);
void SendSObj(World& w, const SObj& s);
void SendDig(World& w, int16 x, int16 y, int16 radius);
void SendDrawing(World& w, int32 tile, int32 x, int32 y);
void SendKill(World& w, int16 killer, int16 victim);

}  // namespace krel
