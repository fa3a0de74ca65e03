// Placeholder until shots land: no shot moves and no bonus drops.
#include "client/weapons/shots.h"

namespace krel {

void MoveShots(World&) {}
void BonusDrop(World&) {}

}  // namespace krel
