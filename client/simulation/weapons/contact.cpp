#include "client/simulation/weapons/contact.h"

#include <algorithm>
#include <cmath>

#include "client/simulation/terrain/level.h"
#include "client/simulation/worms/motion.h"

namespace krel {

void PushWorm(Player& pl, fixed x, fixed y, int blow) {
  const fixed ddx = pl.X - x, ddy = pl.Y - y;
  const fixed d = fixed(std::sqrt(D(ddx) * D(ddx) + D(ddy) * D(ddy)));
  if (d == fixed(0)) return;
  AddAcceleration(pl.DirX, pl.DirY, pl.Speed, fixed(D(ddx / d) * blow / 30), fixed(D(ddy / d) * blow / 30), false);
}

void TakeHealth(Player& pl, int amount) {
  pl.Health = static_cast<int16>(std::clamp<int>(pl.Health - amount, INT16_MIN, INT16_MAX));
}

void BounceOffGround(const World& w, Entity& e, int bounce) {
  if (IsPassable(w, D(e.x - e.dx), D(e.Y + e.dy))) {
    e.dx = -e.dx;
  } else if (IsPassable(w, D(e.x + e.dx), D(e.Y - e.dy))) {
    e.dy = -e.dy;
  } else {
    e.dx = -e.dx;
    e.dy = -e.dy;
  }
  e.speed = e.speed * fixed(bounce / 100.0);
}

bool TimeIsUp(int16 age, int time, int spread, double r) {
  if (time == 0) return false;
  const float limit = static_cast<float>(time) + std::floor(static_cast<float>(spread) * static_cast<float>(r));
  return static_cast<float>(age) > limit;
}

void PlayHurtSound(World& w) { w.Events().Sound(static_cast<int16>(19 + static_cast<int>(std::floor(w.Rand() * 3)))); }

}  // namespace krel
