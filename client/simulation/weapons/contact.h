// What shots, objects and special objects do to the worms they touch:
// distances, pushes and damage.
#pragma once

#include "client/state/world.h"

namespace krel {

inline double D(fixed f) { return f.ToDouble(); }

// Squared distance between two points, in double precision.
inline double Dist2(fixed ax, fixed ay, fixed bx, fixed by) {
  const double dx = D(ax - bx), dy = D(ay - by);
  return dx * dx + dy * dy;
}

// Squared distance from (x, y) to worm p where this client tests it for
// contact: another client's worm in pipelined play where it is drawn (its
// last state carried on by the one-way delay, client/present/
// remote_worms.h), so that a shot goes off at the worm the shooter sees;
// every other worm where its state is. Only the shooter's client acts on
// its own shot's contact; each client hurts only its own worms.
inline double ContactDist2(const World& w, int p, fixed x, fixed y) {
  const Player& pl = w.Players[static_cast<std::size_t>(p)];
  const DrawnPosition& drawn = w.NetStats.Drawn[static_cast<std::size_t>(p)];
  if (p > 2 && drawn.known) {
    const double dx = D(x) - drawn.x, dy = D(y) - drawn.y;
    return dx * dx + dy * dy;
  }
  return Dist2(y, x, pl.Y, pl.X);
}

// Pushes a worm away from (x, y) by blow / 30 through the acceleration
// rule. At distance 0 there is no direction to push in, so nothing happens.
void PushWorm(Player& pl, fixed x, fixed y, int blow);

// Takes amount from the worm's health, kept inside the int16 range.
void TakeHealth(Player& pl, int amount);

// One of the three hurt sounds, chosen at random.
void PlayHurtSound(World& w);

// A shot or object in solid ground bounces: it reverses the component whose
// reversal leads back into free space (x first), else both, and keeps
// bounce percent of its speed.
void BounceOffGround(const World& w, Entity& e, int bounce);

// The timed explosion: age beyond time + floor(spread * r), compared in
// single precision as every client does; time 0 never explodes.
bool TimeIsUp(int16 age, int time, int spread, double r);

// Every trail period of delay * 5 steps; a delay of 0 or less (the key left
// out of the weapon file) leaves no trail rather than divide by zero.
inline bool TrailDue(std::int64_t steps, int delay) {
  return delay > 0 && steps % (static_cast<std::int64_t>(delay) * 5) == 0;
}

}  // namespace krel
