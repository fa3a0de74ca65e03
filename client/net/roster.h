// The set of worms of an open game changes without a restart
// (protocol/open_play.h): a pair leaves from the middle of this client's
// numbering, or one joins at its end. Everything else stays as it is.
#pragma once

#include "client/state/world.h"

namespace krel {

// Worms `number` and `number` + 1 left: those after them move down by two,
// with what refers to them by number (shots, objects and special objects
// of theirs, ropes holding them); what the two left behind in flight goes
// with them. False, with nothing changed, when the pair is not one of the
// others' (this client's own are 1 and 2; a spectator has none).
bool RemoveWormPair(World& w, int number);

// Two worms joined as the last two; they start empty and their states
// follow in full. False when the table has no room.
bool AddWormPair(World& w);

}  // namespace krel
