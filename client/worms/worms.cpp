// Placeholder until worm movement lands: only the per-frame age of every
// worm, which the frame count of chat lines and the dump rely on.
#include "client/worms/worms.h"

namespace krel {

void PlayerAction(World& w) {
  for (int p = 1; p <= w.NumPlayers && p < kMaxPlayerSlots; ++p) ++w.Players[static_cast<std::size_t>(p)].Age;
}

}  // namespace krel
