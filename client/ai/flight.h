// The flight of a shot as a player can foresee it: the weapon's own motion
// rules (launch point and direction from the aim table, speed change,
// gravity, sub-steps, bounces, worm contact and the timer) played forward on
// the current level without touching the world. The ace computer player aims
// with it and sees incoming fire with it.
#pragma once

#include "client/state/world.h"

namespace krel {

// A shot's state in plain numbers.
struct FlightState {
  double x = 0, y = 0, dx = 0, dy = 0, speed = 0;
  int age = 0;
};

enum class FlightEnd { kFlying, kTarget, kSelf, kGround, kTimer, kGone };

struct FlightResult {
  FlightEnd end = FlightEnd::kFlying;
  double x = 0, y = 0;     // where the shot ended (or was when the look-ahead stopped)
  int frames = 0;          // frames flown
  double closest2 = 1e18;  // squared closest approach to the target
  int steps = 0;           // movement steps looked at: the work the look-ahead cost
  // For a shot on a timer: its squared closest approach to the shooter while
  // the timer may go off (the random extra delay makes that a span of frames).
  double selfInWindow2 = 1e18;
};

// Who the look-ahead tests for contact: the target and the shooter.
struct FlightWorms {
  double tx = -1e6, ty = -1e6;
  double sx = -1e6, sy = -1e6;
};

// The state of a shot that player pl fires with weapon W at aim step aim
// (facing right or left), without the random spread.
FlightState LaunchState(const Player& pl, const WeaponDef& W, int aim, bool facingRight);

// Flies the shot for at most maxFrames frames, or maxSteps movement steps.
FlightResult Fly(const World& w, const WeaponDef& W, FlightState s, const FlightWorms& worms, int maxFrames,
                 int maxSteps);

// The blast a shot of W leaves where it explodes: radius and damage of its
// special object, 0 when it leaves none or the weapon never explodes.
struct Blast {
  double radius = 0;
  int damage = 0;
  // Radius within which its splinters are a danger, 0 without harmful ones.
  double splinterReach = 0;
  int splinterDamage = 0;
};
Blast BlastOf(const World& w, const WeaponDef& W);

}  // namespace krel
