#include "client/weapons/contact.h"

#include <algorithm>
#include <cmath>

#include "client/present/sound.h"
#include "client/worms/motion.h"

namespace krel {

void PushWorm(Player& pl, fixed x, fixed y, int blow) {
  const fixed ddx = pl.X - x, ddy = pl.Y - y;
  const fixed d = fixed(std::sqrt(D(ddx) * D(ddx) + D(ddy) * D(ddy)));
  if (d == fixed(0)) return;
  AddAcceleration(pl.DirX, pl.DirY, pl.Speed, fixed(D(ddx / d) * blow / 30), fixed(D(ddy / d) * blow / 30),
                  false);
}

void TakeHealth(Player& pl, int amount) {
  pl.Health = static_cast<int16>(std::clamp<int>(pl.Health - amount, INT16_MIN, INT16_MAX));
}

void PlayHurtSound(World& w) { PlaySound(w, static_cast<int16>(19 + static_cast<int>(std::floor(w.Rand() * 3)))); }

}  // namespace krel
