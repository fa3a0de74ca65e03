// Plain double arithmetic stands in for the game's fixed-point numbers: the
// look-ahead needs to be right to a pixel or two, not to the last digit. The
// acceleration, the sub-step count and the launch constants are the game's
// own (client/simulation/worms/motion.h), instantiated for doubles.
#include "client/ai/flight.h"

#include <algorithm>
#include <cmath>

#include "client/simulation/terrain/level.h"
#include "client/simulation/worms/motion.h"

namespace krel {

namespace {

double Dist2(double ax, double ay, double bx, double by) { return (ax - bx) * (ax - bx) + (ay - by) * (ay - by); }

}  // namespace

FlightState LaunchState(const Player& pl, const WeaponDef& W, int aim, bool facingRight) {
  const double a = AimAngle(aim).ToDouble();
  const double f = facingRight ? 1.0 : -1.0;
  const double dirX = pl.DirX.ToDouble(), dirY = pl.DirY.ToDouble(), speed = pl.Speed.ToDouble();
  const double carryX = W.WORMAFFECT == 1 ? dirX : 0.0, carryY = W.WORMAFFECT == 1 ? dirY : 0.0;
  FlightState s;
  s.x = pl.X.ToDouble() + dirX * speed / kWormStepDivisor + f * kMuzzleDistance * std::sin(a);
  s.y = pl.Y.ToDouble() + dirY * speed / kWormStepDivisor - kMuzzleDistance * std::cos(a);
  s.dx = carryX / kCarryDivisor + f * std::sin(a);
  s.dy = carryY / kCarryDivisor - std::cos(a);
  s.speed = W.SPEED;
  return s;
}

FlightResult Fly(const World& w, const WeaponDef& W, FlightState s, const FlightWorms& worms, int maxFrames,
                 int maxSteps) {
  FlightResult r;
  const bool contact = W.WORMEXPLODE == 1 || W.WORMREMOVE == 1;
  const double reach = W.WORMDETECTRANGE + 4.0, reach2 = reach * reach;
  int steps = 0;
  bool burst = false;  // the timer's middle has passed
  double burstX = 0, burstY = 0;
  int burstFrame = 0;
  // How the flight ends; once the timer's middle has passed, it bursts
  // there, unless the shot came back to the shooter meanwhile.
  auto done = [&](FlightEnd end, int frame) {
    FlightResult t{end, s.x, s.y, frame, r.closest2, steps};
    if (burst && end != FlightEnd::kSelf) {
      t.end = FlightEnd::kTimer;
      t.x = burstX;
      t.y = burstY;
      t.frames = burstFrame;
    }
    t.selfInWindow2 = r.selfInWindow2;
    return t;
  };
  for (int frame = 1; frame <= maxFrames; ++frame) {
    ++s.age;
    if (W.GRAVITY > 0) AddAcceleration(s.dx, s.dy, s.speed, 0, ShotGravity(W.GRAVITY), false);
    if (W.SHOTTYPE != 2) s.speed = (s.speed + W.ACCADD) * (W.ACCMULTIPLY / 100.0);
    const int n = MoveSubSteps(s.speed);
    for (int k = 0; k <= n; ++k) {
      const double t2 = Dist2(s.x, s.y, worms.tx, worms.ty);
      r.closest2 = std::min(r.closest2, t2);
      if (contact) {
        if (t2 < reach2) return done(FlightEnd::kTarget, frame);
        if (Dist2(s.x, s.y, worms.sx, worms.sy) < reach2) return done(FlightEnd::kSelf, frame);
      }
      if (!IsPassable(w, s.x, s.y)) {
        if (W.GROUNDEXPLODE == 1) return done(FlightEnd::kGround, frame);
        if (IsPassable(w, s.x - s.dx, s.y + s.dy))
          s.dx = -s.dx;
        else if (IsPassable(w, s.x + s.dx, s.y - s.dy))
          s.dy = -s.dy;
        else {
          s.dx = -s.dx;
          s.dy = -s.dy;
        }
        s.speed *= W.BOUNCE / 100.0;
      }
      if (MoveSubSteps(s.speed) >= 1) {
        s.x += s.dx;
        s.y += s.dy;
      }
      if (++steps >= maxSteps) return done(FlightEnd::kFlying, frame);
    }
    // The timer's random extra delay is taken at its middle for where the
    // shot bursts; for the shooter's safety the whole span counts.
    if (W.TIMETOEXPLODE != 0 && s.age >= W.TIMETOEXPLODE) {
      r.selfInWindow2 = std::min(r.selfInWindow2, Dist2(s.x, s.y, worms.sx, worms.sy));
      if (!burst && s.age > W.TIMETOEXPLODE + W.TIMETOEXPLODEV / 2) {
        burst = true;
        burstX = s.x;
        burstY = s.y;
        burstFrame = frame;
      }
      if (burst && s.age >= W.TIMETOEXPLODE + W.TIMETOEXPLODEV) return done(FlightEnd::kTimer, frame);
    }
    if (s.x < -50 || s.x > w.LevelWidth + 50 || s.y > kPassableBottom + 50) return done(FlightEnd::kGone, frame);
  }
  return done(FlightEnd::kFlying, maxFrames);
}

Blast BlastOf(const World& w, const WeaponDef& W) {
  Blast b;
  const bool explodes = W.WORMEXPLODE == 1 || W.GROUNDEXPLODE == 1 || W.TIMETOEXPLODE != 0;
  if (!explodes) return b;
  if (W.CREATEONHIT > 0 && W.CREATEONHIT < kSObjSlots) {
    const SObjDef& so = w.SObjDefs[static_cast<std::size_t>(W.CREATEONHIT)];
    b.radius = so.WORMDETECTRANGE;
    b.damage = so.DAMAGE;
  }
  if (W.SPLINTERAMOUNT > 0 && W.SPLINTERTYPE > 0 && W.SPLINTERTYPE < kObjSlots) {
    const ObjDef& o = w.ObjDefs[static_cast<std::size_t>(W.SPLINTERTYPE)];
    int hurt = (o.WORMREMOVE == 1 || o.WORMEXPLODE == 1) ? o.HITDAMAGE : 0;
    if (o.CREATEONHIT > 0 && o.CREATEONHIT < kSObjSlots)
      hurt += w.SObjDefs[static_cast<std::size_t>(o.CREATEONHIT)].DAMAGE;
    if (hurt > 0) {
      b.splinterDamage = hurt * W.SPLINTERAMOUNT;
      // Splinters start 5 pixels out and fly a few frames before they fall
      // or burst; faster ones reach further.
      b.splinterReach = 20 + o.SPEED / 6.0;
      // Splinters that bounce about before they burst get further still.
      if (o.GROUNDREMOVE != 1 && o.BOUNCE > 0) b.splinterReach += 25;
    }
  }
  return b;
}

}  // namespace krel
