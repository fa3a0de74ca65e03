// Pipelined play: the other clients' worms drawn where they probably are
// now. Their states come about a one-way delay late (theirs to the relay,
// the relay's to this client); each is carried on along its motion for that
// time, and when a batch corrects it the drawn worm eases towards the new
// place, at most kMaxCorrectionPx a frame beyond its own motion, instead of
// jumping. Only the drawing moves: the simulation keeps the states as they
// came, so every client's game stays the same.
#pragma once

#include "client/state/world.h"

namespace krel {

inline constexpr double kMaxCorrectionPx = 3.0;
// A drawn worm this far from where it should be (a respawn, a new game)
// is placed there at once.
inline constexpr double kSnapDistancePx = 40.0;
// No worm is carried on for more than this many frames (320 ms).
inline constexpr double kMaxLeadFrames = 8.0;

// Once per drawn frame, before the worms are drawn; forgets every drawn
// position outside pipelined play.
void UpdateDrawnPositions(World& w);

}  // namespace krel
