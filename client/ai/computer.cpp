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

int Draw(World& w, int range, int p) { return static_cast<int>(std::floor(range * w.Rand(p))); }

}  // namespace

void ComputerPlayer(World& w, int p) {
  if (p < 1 || p > 2) return;
  Player& P = w.Players[static_cast<std::size_t>(p)];
  AiRecord& S = ComputersOf(w).simple[static_cast<std::size_t>(p)];
  if (S.Target < 0 || S.Target >= kMaxPlayerSlots) S.Target = 0;
  const Player& target = w.Players[static_cast<std::size_t>(S.Target)];
  const double tx = target.X.ToDouble(), ty = target.Y.ToDouble();
  const double x = P.X.ToDouble(), y = P.Y.ToDouble();
  auto& c = P.Ctrl;

  c.fill(0);
  if (P.Alive == kFalse) c[kJump] = 1;  // revives the worm

  if (P.X == S.LastX && std::abs(tx - x) > 2) {
    // Stuck sideways: left and right together dig ahead, once per blockage.
    if (S.DugWhileStuck == kFalse) {
      c[kLeft] = 1;
      c[kRight] = 1;
      S.DugWhileStuck = kTrue;
    }
  } else {
    S.DugWhileStuck = kFalse;
  }

  if (P.Y == S.LastY && std::abs(ty - y) > 2) {
    const int r = Draw(w, 5, p);
    if (r < 3) {
      c[kJump] = 1;
    } else if (S.RopedWhileStuck != kFalse) {
      // The rope did not help: chase somebody else. With fewer than two
      // players there is nobody else, and the worm keeps its target.
      if (w.NumPlayers >= 2) {
        do {
          S.Target = static_cast<int16>(Draw(w, w.NumPlayers, p) + 1);
        } while (S.Target == p);
      }
    } else {
      P.Aim = 0;
      c[kJump] = 1;
      c[kChange] = 1;  // jump with change throws the rope
      S.RopedWhileStuck = kTrue;
    }
  } else {
    S.RopedWhileStuck = kFalse;
  }

  if (tx - x > 2) c[kRight] = 1;
  if (tx - x < -2) c[kLeft] = 1;

  // The direction to the target folded onto the right-hand half: 0 straight
  // up, 90 level, 180 straight down.
  const int t = atan2(-std::abs(tx - x), y - ty);
  int k = 0;
  while (k < 19 && !(AimDegrees[static_cast<std::size_t>(k)] < t)) ++k;
  if (k > P.Aim) c[kUp] = 1;
  if (k < P.Aim) c[kDown] = 1;
  if (k != P.Aim) {
    if (Draw(w, 20, p) == 0) {
      c[kChange] = 1;
      c[kLeft] = 1;
      P.CurWeapon = static_cast<int16>(Draw(w, 5, p));
    }
  } else if (Draw(w, 20, p) == 0) {
    c[kShoot] = 1;
  }

  S.LastX = P.X;
  S.LastY = P.Y;
}

}  // namespace krel
