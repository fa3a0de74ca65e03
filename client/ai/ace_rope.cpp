// The ace's rope: where a throw would catch, found by flying the hook ahead
// the way the game flies it, so that a worm in a pit or against a wall throws
// where the hook holds far enough away to pull it out, and never along a
// line on which its body would meet ground (soil stops it, rock may hold it).
#include <cmath>

#include "client/ai/ace_sight.h"

namespace krel::ace_detail {

namespace {

// The hook's flight: 8 pixels a frame along the aim, falling a little.
constexpr double kHookSpeed = 8;
constexpr double kHookFall = 0.05;
constexpr int kHookFrames = 40;
// The rope pulls the worm to about this far from the hook before it is
// shortened; nearer than this to the hook the pull ends.
constexpr double kRopeHangs = 12;
// Further than this a hook pulls no further out of a small place.
constexpr double kUsefulReach = 140;

// Whether the worm, pulled in a straight line from (x, y) towards the hook
// at (hx, hy), meets ground with its body before it hangs: soil stops it
// there, and rock it may be dragged into.
bool Blocked(const World& w, double x, double y, double hx, double hy) {
  const double d = std::sqrt(Dist2(x, y, hx, hy));
  const double ux = (hx - x) / d, uy = (hy - y) / d;
  // The game moves a worm only while the corner of its body ahead of the
  // way it goes is free: a worm with a sliver of ground through its feet
  // moves up or straight across, never down.
  const double cx = (ux > 0 ? 1 : (ux < 0 ? -1 : 0)) * kWormHalfWidth;
  const double cy = (uy > 0 ? 1 : (uy < 0 ? -1 : 0)) * kWormHalfHeight;
  for (double t = 1; t < 4; ++t)
    if (!IsPassable(w, x + ux * t + cx, y + uy * t + cy)) return true;
  // Gravity gives every pull but a steep one upwards a downward part: with
  // ground at the bottom of its body the worm stays where it is.
  if (uy > -0.5 && (!IsPassable(w, x, y + kWormHalfHeight) || !IsPassable(w, x + cx, y + kWormHalfHeight))) return true;
  for (double t = 4; t <= d - kRopeHangs; t += 3) {
    const double px = x + ux * t, py = y + uy * t;
    if (!IsPassable(w, px, py) || !IsPassable(w, px - kWormHalfWidth, py) || !IsPassable(w, px + kWormHalfWidth, py) ||
        !IsPassable(w, px, py - kWormHalfHeight) || !IsPassable(w, px, py + kWormHalfHeight))
      return true;
  }
  return false;
}

}  // namespace

RopeThrow PlanRope(const Sight& s, double minReach, double prefX, double prefY) {
  const World& w = s.w;
  RopeThrow best;
  double bestScore = -1e18;
  const double pref = std::sqrt(prefX * prefX + prefY * prefY);
  for (const bool right : {true, false}) {
    // A worm against a wall cannot turn to face it: its walk key neither
    // turns nor moves it.
    if (right != (s.me.FacingRight != kFalse) && !IsPassable(w, s.x + (right ? kWormHalfWidth : -kWormHalfWidth), s.y))
      continue;
    const double f = right ? 1 : -1;
    for (int k = 0; k < kAimSteps; ++k) {
      const double a = AimDegrees[static_cast<std::size_t>(k)] * 3.14159265358979 / 180;
      double x = s.x, y = s.y, dx = f * std::sin(a) * kHookSpeed, dy = -std::cos(a) * kHookSpeed;
      bool holds = false, catchesWorm = false;
      for (int t = 0; t < kHookFrames; ++t) {
        if (!IsPassable(w, x, y)) {
          holds = true;
          break;
        }
        // In a game on one machine a hook that meets the other worm holds
        // it, and pulls this one to it, where no shot is safe.
        if (s.enemy != nullptr && std::abs(x - s.ex) < 5 && std::abs(y - s.ey) < 5) catchesWorm = true;
        if (dy < kHookSpeed) dy += kHookFall;
        x += dx;
        y += dy;
      }
      if (!holds || catchesWorm) continue;
      const double reach = std::sqrt(Dist2(x, y, s.x, s.y));
      if (reach < minReach || Blocked(w, s.x, s.y, x, y)) continue;
      double score = std::min(reach, kUsefulReach);
      if (pref > 0) score += 30 * ((x - s.x) * prefX + (y - s.y) * prefY) / (reach * pref);
      // The less the worm must turn and aim, the sooner it is away.
      score -= std::abs(k - s.me.Aim) * 0.5 + (right != (s.me.FacingRight != kFalse) ? 3 : 0);
      if (score > bestScore) {
        bestScore = score;
        best = RopeThrow{true, right, k, x, y, reach};
      }
    }
  }
  return best;
}

bool ThrowPlannedRope(Sight& s, bool right, int aim) {
  if ((s.me.FacingRight != kFalse) != right) {
    Press(s.me, right ? kRight : kLeft);
    return false;
  }
  if (!AimAt(s.me, aim)) return false;
  Press(s.me, kJump);
  Press(s.me, kChange);
  s.memory.ropeFrames = 1;
  s.memory.planRopeFrames = 1;
  return true;
}

}  // namespace krel::ace_detail
