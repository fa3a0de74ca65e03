// Particle objects (splinters, trails, shells, remains) and special objects
// (blasts, smoke) in the level.
#pragma once

#include "client/state/world.h"

namespace krel {

// Creates a particle object of type ty (0..30) or a special object of type
// ty (0..20), with the same three-way decision as AddShot. A type outside
// its table creates nothing. A stored special object plays its first sound.
void AddObj(World& w, fixed x, fixed Y, fixed dx, fixed dy, int16 owner, int16 ty, int16 color,
            Origin origin = Origin::kLocal);
void AddSObj(World& w, fixed x, fixed Y, fixed dx, fixed dy, int16 owner, int16 ty, Origin origin = Origin::kLocal);

// As RemoveShot, on their own arrays.
void RemoveObj(World& w, int32 nr);
void RemoveSObj(World& w, int32 nr);

// Moves every particle object, once per frame.
void ParticleMove(World& w);
// Animates every special object; a blast hurts and pushes in its first frame.
void SObjMove(World& w);

}  // namespace krel
