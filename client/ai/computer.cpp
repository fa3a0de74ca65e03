// The computer player: chases its target worm by setting the same seven
// controls a person would press. Random numbers are drawn only where a step
// needs one, so a game with computer players repeats exactly from its seed.
#include "client/ai/computer.h"
#include "client/ai/memory.h"

#include <cmath>
#include <cstdlib>

#include "client/simulation/worms/motion.h"

namespace krel {

namespace {

// A random whole number from 0 to range - 1, from player p's stream.
int RandomBelow(World& w, int range, int p) { return static_cast<int>(std::floor(range * w.Rand(p))); }

}  // namespace

void ComputerPlayer(World& w, int p) {
  if (p < 1 || p > 2) return;
  Player& me = w.Players[static_cast<std::size_t>(p)];
  AiRecord& memory = ComputersOf(w).simple[static_cast<std::size_t>(p)];
  if (memory.Target < 0 || memory.Target >= kMaxPlayerSlots) memory.Target = 0;
  const Player& target = w.Players[static_cast<std::size_t>(memory.Target)];
  const double tx = target.X.ToDouble(), ty = target.Y.ToDouble();
  const double x = me.X.ToDouble(), y = me.Y.ToDouble();
  auto& c = me.Ctrl;

  c.fill(0);
  if (me.Alive == kFalse) c[kJump] = 1;  // revives the worm

  if (me.X == memory.LastX && std::abs(tx - x) > 2) {
    // Stuck sideways: left and right together dig ahead, once per blockage.
    if (memory.DugWhileStuck == kFalse) {
      c[kLeft] = 1;
      c[kRight] = 1;
      memory.DugWhileStuck = kTrue;
    }
  } else {
    memory.DugWhileStuck = kFalse;
  }

  if (me.Y == memory.LastY && std::abs(ty - y) > 2) {
    const int r = RandomBelow(w, 5, p);
    if (r < 3) {
      c[kJump] = 1;
    } else if (memory.RopedWhileStuck != kFalse) {
      // The rope did not help: chase somebody else. With fewer than two
      // players there is nobody else, and the worm keeps its target.
      if (w.NumPlayers >= 2) {
        do {
          memory.Target = static_cast<int16>(RandomBelow(w, w.NumPlayers, p) + 1);
        } while (memory.Target == p);
      }
    } else {
      me.Aim = 0;
      c[kJump] = 1;
      c[kChange] = 1;  // jump with change throws the rope
      memory.RopedWhileStuck = kTrue;
    }
  } else {
    memory.RopedWhileStuck = kFalse;
  }

  if (tx - x > 2) c[kRight] = 1;
  if (tx - x < -2) c[kLeft] = 1;

  // The direction to the target folded onto the right-hand half: 0 straight
  // up, 90 level, 180 straight down.
  const int t = atan2(-std::abs(tx - x), y - ty);
  int k = 0;
  while (k < kAimSteps && !(AimDegrees[static_cast<std::size_t>(k)] < t)) ++k;
  if (k > me.Aim) c[kUp] = 1;
  if (k < me.Aim) c[kDown] = 1;
  if (k != me.Aim) {
    if (RandomBelow(w, 20, p) == 0) {
      c[kChange] = 1;
      c[kLeft] = 1;
      me.CurWeapon = static_cast<int16>(RandomBelow(w, 5, p));
    }
  } else if (RandomBelow(w, 20, p) == 0) {
    c[kShoot] = 1;
  }

  memory.LastX = me.X;
  memory.LastY = me.Y;
}

}  // namespace krel
