// Placeholder until explosions and respawn land: the worm only leaves play.
#include "client/weapons/explosions.h"

namespace krel {

std::optional<int16> MapChangeRadius(int16) { return std::nullopt; }
void ExplodeShot(World&, int32) {}
void ExplodeObj(World&, int32) {}

void PlayerDied(World& w, int16 p, int16, bool) {
  if (p >= 0 && p < kMaxPlayerSlots) w.Players[static_cast<std::size_t>(p)].Alive = kFalse;
}

}  // namespace krel
