// Placeholder until objects land: nothing moves.
#include "client/weapons/objects.h"

namespace krel {

void ParticleMove(World&) {}
void SObjMove(World&) {}

}  // namespace krel
