// The ace computer player's parts (ace*.cpp) and what they share: what the
// worm knows this frame, the limits of its work, and small helpers on the
// controls and weapon slots.
#pragma once

#include <algorithm>
#include <cstdint>

#include "client/ai/flight.h"
#include "client/ai/memory.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/worms/motion.h"
#include "client/state/world.h"

namespace krel::ace_detail {

constexpr int kSlots = 5;
constexpr int kLookAheadFrames = 90;
constexpr int kThreatFrames = 14;
// Standing still this long, the worm moves anyway.
constexpr int kRestlessFrames = 30;
// Still this long, the worm goes through its rounds of ways out of a stuck
// place (walk, dig, jump, rope), kStuckStep frames each. Begun at 60 frames
// they let worms stand up to 12 s in ace-against-ace games; they take over
// from a still worm's detour (kDetourAfter), which goes on once it moves.
constexpr int kStuckAfter = 45;
// Wedged in rock this long, the worm fires its way out.
constexpr int kWedgedAfter = 30;
// Held under the other worm (HeldUnderWorm) this long, it kicks itself off.
constexpr int kHeldUnderAfter = 10;
constexpr int kStuckStep = 16;
// Stuck this long on the way, the worm makes a detour of kDetourFrames.
constexpr int kDetourAfter = 50;
constexpr int kDetourFrames = 60;
// Closer than this the worm backs off from the other worm when it has no
// safe shot.
constexpr double kTooClose = 40;
// The worth of a shot that only blows the way open towards the other worm.
constexpr int kDigShot = 1;
// The most one call may do, whatever the weapon file: movement steps of
// foreseen shots (of them at most kThreatBudget for incoming fire) and
// cells of the way being worked out. A slot's aim steps that do not fit are
// weighed in the next calls.
constexpr int kFlightBudget = 9000;
constexpr int kThreatBudget = 4000;
constexpr int kPathBudget = 1500;
// Within kTooClose of the other worm this long without a shot, the worm
// breaks away.
constexpr int kCrowdedAfter = 30;

// What makes a weaker ace weaker, by strength: calls between being aimed and
// pulling the trigger, the chance (in percent) that a shot is aimed up to
// aimErrorSteps steps off, the chance of not seeing an incoming shot, and
// how much (in percent of a weapon's worth) chance sways its choice of weapon.
struct Flaws {
  int reactFrames;
  int aimErrorPercent;
  int aimErrorSteps;
  int blindPercent;
  int weaponNoisePercent;
};

// A number from 0 to 99 from the ace's own stream: a hash of the game's seed,
// the worm, the moment and what the draw is for. The game's random source is
// never touched, so the ace changes nothing the other players see drawn.
int Draw(const World& w, int p, std::int64_t when, int what);

inline double Dist2(double ax, double ay, double bx, double by) {
  return (ax - bx) * (ax - bx) + (ay - by) * (ay - by);
}

inline const WeaponDef* WeaponInSlot(const World& w, const Player& pl, int slot) {
  const int def = pl.WeaponSlots[static_cast<std::size_t>(slot)] + 1;
  if (def < 1 || def >= kWeaponSlots) return nullptr;
  return &w.WeaponDefs[static_cast<std::size_t>(def)];
}

inline bool Loaded(const Player& pl, int slot) { return pl.Ammo[static_cast<std::size_t>(slot)] > fixed(0); }

inline int CurSlot(const Player& pl) { return std::clamp<int>(pl.CurWeapon, 0, kSlots - 1); }

// What the worm knows this frame.
struct Sight {
  World& w;
  int p;
  Player& me;
  AceRecord& memory;
  const Player* enemy;  // the other worm, nullptr without one
  double x, y;          // the worm
  double ex, ey;        // the other worm (the worm itself without one)
  double near[2];       // a few pixels along the way
  double enemy2;        // squared distance to the other worm, 1e18 without one
};

inline void Press(Player& me, int control) { me.Ctrl[static_cast<std::size_t>(control)] = 1; }

// Change with a side key steps through the weapon slots: the side that gets
// to `slot` in fewer steps.
inline void ChangeTowards(Player& me, int slot) {
  Press(me, kChange);
  Press(me, ((slot - CurSlot(me) + kSlots) % kSlots) <= 2 ? kRight : kLeft);
}

inline bool OnGround(const World& w, double x, double y) { return !IsPassable(w, x, y + kWormFeet); }

// Which way the worm drifts sideways (-1, 0 or 1): the game tests the corner
// of its body on that side as it moves.
inline int DriftOf(const Player& me) { return me.DirX > fixed(0) ? 1 : (me.DirX < fixed(0) ? -1 : 0); }

// Presses up or down towards aim step k; true when the aim is there.
inline bool AimAt(Player& me, int k) {
  if (me.Aim < k) Press(me, kUp);
  if (me.Aim > k) Press(me, kDown);
  return me.Aim == k;
}

// The aim step closest to the compass direction of (dx, dy) on the side the
// worm faces.
int AimToward(double dx, double dy);

// Aiming and weapons (ace_aim.cpp).

// Harm a foreseen shot does to the target; -1 when it would hurt the shooter
// at (sx, sy), with `health` left, or dig at its feet.
int Worth(const WeaponDef& W, const Blast& b, const FlightResult& r, double sx, double sy, double tx, double ty,
          bool diggable, int health = 100);
// Whether a shot that ended in the ground hit something a blast can dig.
bool Diggable(const World& w, const FlightResult& r);
// Movement steps a look-ahead at a target dist away may take.
int StepLimit(double dist);
// Takes the next slot's weighing a step further within the budget, and when
// it is complete, keeps its result.
void WeighNextSlot(World& w, int p, AceRecord& memory, double tx, double ty, int& budget);
// Changes to, turns, aims and fires the best loaded weapon with a shot worth
// firing. True when it took the controls of this frame.
bool AimAndFire(Sight& s, const Flaws& flaw, int& budget);
// Without a shot for a long time: fires the safe shot that gets nearest the
// other worm. True when it took the controls.
bool FireNearestShot(Sight& s, int& budget);

// Held next to the other worm for long: fires the shot that hurts it more
// than this worm, if any. True when it took the controls.
bool PointBlank(Sight& s);

// Safety (ace_safety.cpp).

// Looks at the shots in flight: true when one will hit the worm or burst
// next to it within a few frames; awayDir says which way to step.
bool Threatened(const Sight& s, int& awayDir, int& budget);
// True while a shot of its own that will burst is still flying.
bool OwnBlastFlying(const World& w, int p);
// Whether (x, y) lies inside rock.
bool InRock(const World& w, double x, double y);
// Whether the worm at (x, y) is held by rock: its centre, or both sides and
// its head, inside it.
bool Encased(const World& w, double x, double y);
// Whether the worm rests off its feet on a point or sliver of ground with
// the other worm right on top of it: every hook it throws catches that worm,
// and no step or jump moves it.
bool HeldUnderWorm(const Sight& s);
// Fires the worm out of rock it is wedged in (or off ground it is held on
// under the other worm). True when it took the controls.
bool KickOutOfRock(Sight& s);

// Moving (ace_move.cpp).

// Throws the rope towards (gx, gy) once the aim is there.
void ThrowRope(Sight& s, double gx, double gy);
// Digs towards (gx, gy).
void DigToward(Sight& s, double gx, double gy);
// Walks, digs, jumps or ropes towards the other worm (or backs off from it,
// or roams without one); `moved` is whether the worm moved since last call.
void Approach(Sight& s, bool moved);
// Nothing has moved the worm for a long time: goes through its rounds of
// ways out.
void Unstick(Sight& s);

// The rope (ace_rope.cpp).

// A throw of the rope: facing, aim step, and where its hook holds.
struct RopeThrow {
  bool ok = false;
  bool right = false;
  int aim = 0;
  double hookX = 0, hookY = 0, reach = 0;
};
// The throw whose hook holds furthest away, at least minReach, along a line
// that does not drag the worm into rock, leaning towards the direction
// (prefX, prefY) unless that is (0, 0). ok is false when there is none.
RopeThrow PlanRope(const Sight& s, double minReach, double prefX, double prefY);
// Turns and aims for a throw facing `right` at aim step `aim`, and throws
// once there; true on that frame.
bool ThrowPlannedRope(Sight& s, bool right, int aim);

// Engaging (ace_engage.cpp).

// Keeps the worm's recent positions and counts how many of the latest fit
// in a small box (memory.boxFrames).
void TrackBox(AceRecord& memory, bool enemyInPlay, int32 px, int32 py);
// Whether the worm is forcing its way out of a small place, or has stayed in
// one long enough to.
bool Loitering(const AceRecord& memory);
// Inside a small box too long with the other worm in play (or crowding it):
// forces a way out. True when it took the controls.
bool BreakOut(Sight& s);
// A worm off its feet held still at a corner of the ground, on a point or a
// sliver too thin to jump from (a jump needs ground where its feet reach):
// steering on along the ground only holds it there. It drops where nothing
// is under its centre; set on getting away, it also digs away soil under
// it, or steps off a point of rock to the side that is open below.
void LeaveCorner(Sight& s, bool getAway);
// A worm with ground through the bottom of its body and none under its feet
// cannot jump, and gravity turns every step it takes into the ground: held
// so a moment, it throws its rope where the hook holds and the pull has an
// upward part (LiftOff, true while it aims and throws), then shortens the
// rope until it is clear and lets go (Lift, true while it does).
bool LiftOff(Sight& s);
bool Lift(Sight& s);

}  // namespace krel::ace_detail
