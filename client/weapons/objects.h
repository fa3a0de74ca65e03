// Particle objects (splinters, trails, shells, remains) and special objects
// (blasts, smoke) in the level.
#pragma once

#include "client/core/world.h"

namespace krel {

// Moves every particle object, once per frame.
void ParticleMove(World& w);

// Animates every special object; a blast hurts and pushes in its first frame.
void SObjMove(World& w);

}  // namespace krel
