// The ace computer player. Each frame it
//   - weighs one of its five weapon slots: for every aim step it flies the
//     weapon's shot ahead (client/ai/flight.h) and keeps the aim that does
//     the most harm to the other worm without the blast reaching itself;
//   - looks at the shots in flight and steps out of the way of any that will
//     hit it or burst next to it;
//   - turns, aims and fires the best loaded weapon, changing weapons while
//     the current one reloads;
//   - otherwise walks towards the other worm, digging through soil, jumping
//     and throwing the rope when walking gets it nowhere.
// It never stands still for long: a worm that stays on one pixel is jumped
// or walked on. No random numbers and no clock: the decisions follow from
// what the worm sees, so games repeat from their seed.
#include "client/ai/ace.h"
#include "client/ai/memory.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "client/ai/ace_path.h"
#include "client/ai/computer.h"
#include "client/ai/flight.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/worms/motion.h"

namespace krel {

namespace {

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
// Inside a box of kBoxPixels for kLoiterAfter calls while the other worm is
// in play, the worm forces its way out: digging and roping along the most
// open way. The box is the one a watching player would judge pacing by; the
// first try begins well before a stay looks like loitering, so that a failed
// try leaves time for others.
constexpr int kBoxPixels = 24;
constexpr int kLoiterAfter = 40;
constexpr int kEngageFrames = 18;
constexpr int kGiveUpStill = 8;
constexpr double kKeepOnGain = 8;
// Within kTooClose of the other worm this long without a shot, the worm
// breaks away.
constexpr int kCrowdedAfter = 30;
// Without a shot for this long, the nearest safe shot will do.
constexpr int kSilentAfter = 375;

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
// clang-format off
constexpr Flaws kFlaws[kAceStrongest + 1] = {
    {0, 0, 0, 0, 0},        // (no strength 0)
    {25, 85, 4, 70, 200},   // 1: slow, often a few steps off, often blind to incoming fire
    {14, 60, 3, 40, 100},   // 2
    {7, 35, 2, 20, 50},     // 3
    {3, 15, 1, 8, 20},      // 4
    {0, 0, 0, 0, 0}};       // 5: no flaws
// clang-format on

// A number from 0 to 99 from the ace's own stream: a hash of the game's seed,
// the worm, the moment and what the draw is for. The game's random source is
// never touched, so the ace changes nothing the other players see drawn.
int Draw(const World& w, int p, std::int64_t when, int what) {
  std::uint64_t z = w.GameSeed ^ (static_cast<std::uint64_t>(p) << 56) ^ (static_cast<std::uint64_t>(what) << 40) ^
                    static_cast<std::uint64_t>(when);
  z += 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<int>(z % 100);
}

double Dist2(double ax, double ay, double bx, double by) { return (ax - bx) * (ax - bx) + (ay - by) * (ay - by); }

const WeaponDef* WeaponInSlot(const World& w, const Player& pl, int slot) {
  const int def = pl.WeaponSlots[static_cast<std::size_t>(slot)] + 1;
  if (def < 1 || def >= kWeaponSlots) return nullptr;
  return &w.WeaponDefs[static_cast<std::size_t>(def)];
}

bool Loaded(const Player& pl, int slot) { return pl.Ammo[static_cast<std::size_t>(slot)] > fixed(0); }

int CurSlot(const Player& pl) { return std::clamp<int>(pl.CurWeapon, 0, kSlots - 1); }

// Below this health a stray splinter is no longer a risk worth taking.
constexpr int kCarefulHealth = 40;

// Harm a foreseen shot does to the target; -1 when it would hurt the shooter
// at (sx, sy), with `health` left, or dig at its feet.
int Worth(const WeaponDef& W, const Blast& b, const FlightResult& r, double sx, double sy, double tx, double ty,
          bool diggable, int health = 100) {
  if (r.end == FlightEnd::kSelf) return -1;
  const bool bursts = (r.end == FlightEnd::kTarget && W.WORMEXPLODE == 1) || r.end == FlightEnd::kGround ||
                      r.end == FlightEnd::kTimer;
  if (bursts) {
    // A stray splinter is a risk worth taking while the worm has health to
    // spare; the blast itself is not.
    const bool careful = health < kCarefulHealth;
    double safe = std::max(b.radius + 10, b.splinterReach * (careful ? 1.0 : 0.75)) * (careful ? 1.3 : 1.0);
    if (W.MAPCHANGE > 0) safe = std::max(safe, 18.0);
    // The shot's random spread and the worm's own steps meanwhile move the
    // blast: the further it goes off, the wider the berth.
    const double spreadDegrees = std::min(30.0, W.DISTRIBUTION / 2000.0);
    safe += 4 + std::min(40.0, std::sqrt(Dist2(r.x, r.y, sx, sy)) * std::tan(spreadDegrees * 3.14159265358979 / 180));
    if (Dist2(r.x, r.y, sx, sy) < safe * safe) return -1;
    // A shot on a timer may go off anywhere along the span of its delay.
    if (r.end == FlightEnd::kTimer && r.selfInWindow2 < safe * safe) return -1;
  }
  int worth = 0;
  if (bursts && r.end == FlightEnd::kGround && W.MAPCHANGE >= 1 && W.MAPCHANGE <= 4 && diggable &&
      Dist2(r.x, r.y, tx, ty) + 15 * 15 < Dist2(sx, sy, tx, ty) && Dist2(r.x, r.y, tx, ty) < 90 * 90)
    worth = kDigShot;
  if (r.end == FlightEnd::kTarget && W.HITDAMAGE > 0) worth += W.HITDAMAGE * std::max<int>(1, (W.NUMOBJECTS + 1) / 2);
  if (bursts) {
    const double d2 = Dist2(r.x, r.y, tx, ty);
    if (d2 < b.radius * b.radius) worth += b.damage;
    const double near = b.splinterReach * 0.6;
    if (b.splinterDamage > 0 && d2 < near * near) worth += b.splinterDamage / 4;
  }
  return worth;
}

// Whether a shot that ended in the ground hit something a blast can dig.
bool Diggable(const World& w, const FlightResult& r) {
  if (r.end != FlightEnd::kGround) return false;
  const int x = static_cast<int>(std::lround(r.x)), y = static_cast<int>(std::lround(r.y));
  if (x <= 0 || y <= 0 || x >= w.LevelWidth || y >= std::min<int>(w.LevelHeight, kPassableBottom)) return false;
  return MaterialOf(w, w.LevelSurface.At(x, y)) != kRock;
}

int StepLimit(double dist) { return static_cast<int>(std::min(900.0, dist * 1.4 + 60)); }

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
};

void Press(Player& me, int control) { me.Ctrl[static_cast<std::size_t>(control)] = 1; }

bool OnGround(const World& w, double x, double y) { return !IsPassable(w, x, y + kWormFeet); }

// Presses up or down towards aim step k; true when the aim is there.
bool AimAt(Player& me, int k) {
  if (me.Aim < k) Press(me, kUp);
  if (me.Aim > k) Press(me, kDown);
  return me.Aim == k;
}

// The aim step closest to the compass direction of (dx, dy) on the side the
// worm faces.
int AimToward(double dx, double dy) {
  const double deg = std::atan2(std::abs(dx), -dy) * 180.0 / 3.14159265358979;  // 0 up, 180 down
  int best = 0;
  auto off = [&](int k) { return std::abs(AimDegrees[static_cast<std::size_t>(k)] - deg); };
  for (int k = 0; k < kAimSteps; ++k)
    if (off(k) < off(best)) best = k;
  return best;
}

// Looks at the shots in flight: true when one will hit the worm or burst
// next to it within a few frames; awayDir says which way to step.
bool Threatened(const Sight& s, int& awayDir, int& budget) {
  const World& w = s.w;
  int checked = 0;
  const int floor = budget - kThreatBudget;
  for (std::size_t i = 1; i < w.Shots.size() && checked < 48 && budget - floor >= 500; ++i) {
    const Shot& sh = w.Shots[i];
    if (sh.removed != kFalse || sh.ty < 0 || sh.ty + 1 >= kWeaponSlots) continue;
    const WeaponDef& W = w.WeaponDefs[static_cast<std::size_t>(sh.ty + 1)];
    if (W.SPEED >= kBeamSpeed) continue;  // gone before anyone can step aside
    const Blast b = BlastOf(w, W);
    if (W.HITDAMAGE <= 0 && b.damage <= 0 && b.splinterDamage <= 0) continue;
    const double sx = sh.x.ToDouble(), sy = sh.Y.ToDouble();
    const double reach = (sh.speed.ToDouble() / kSpeedPerStep + 1) * kThreatFrames + b.radius + 30;
    if (Dist2(sx, sy, s.x, s.y) > reach * reach) continue;
    ++checked;
    FlightState f{sx, sy, sh.dx.ToDouble(), sh.dy.ToDouble(), sh.speed.ToDouble(), sh.age};
    FlightWorms worms;
    worms.tx = s.x;
    worms.ty = s.y;
    const FlightResult r = Fly(w, W, f, worms, kThreatFrames, 500);
    budget -= r.steps;
    bool danger = r.end == FlightEnd::kTarget;
    if (r.end == FlightEnd::kGround || r.end == FlightEnd::kTimer) {
      const double d = std::max(b.radius + 8, b.splinterReach * 0.7);
      danger = Dist2(r.x, r.y, s.x, s.y) < d * d;
    }
    if (!danger) continue;
    const double from = std::abs(r.x - s.x) > 1 ? r.x : sx;
    awayDir = s.x >= from ? 1 : -1;
    return true;
  }
  // Splinters and other flying things that hurt: step away from those close
  // by and coming nearer.
  checked = 0;
  for (std::size_t i = 1; i < w.Objs.size() && checked < 64; ++i) {
    const Obj& o = w.Objs[i];
    if (o.removed != kFalse || o.ty <= 0 || o.ty >= kObjSlots) continue;
    const ObjDef& T = w.ObjDefs[static_cast<std::size_t>(o.ty)];
    int hurt = (T.WORMREMOVE == 1 || T.WORMEXPLODE == 1) ? T.HITDAMAGE : 0;
    double reach = T.WORMDETECTRANGE + 10.0;
    if (T.CREATEONHIT > 0 && T.CREATEONHIT < kSObjSlots) {
      const SObjDef& so = w.SObjDefs[static_cast<std::size_t>(T.CREATEONHIT)];
      hurt += so.DAMAGE;
      reach = std::max(reach, so.WORMDETECTRANGE + 8.0);
    }
    if (hurt <= 0) continue;
    ++checked;
    const double ox = o.x.ToDouble(), oy = o.Y.ToDouble();
    const double vx = o.dx.ToDouble() * o.speed.ToDouble() / kSpeedPerStep;
    const double vy = o.dy.ToDouble() * o.speed.ToDouble() / kSpeedPerStep;
    // Where it will be in a few frames, on a straight line.
    const double fx = ox + vx * 4, fy = oy + vy * 4;
    if (Dist2(fx, fy, s.x, s.y) < reach * reach || Dist2(ox, oy, s.x, s.y) < reach * reach) {
      awayDir = s.x >= ox ? 1 : -1;
      return true;
    }
  }
  return false;
}

// True while a shot of its own that will burst is still flying: the worm
// keeps away from where it is going.
bool OwnBlastFlying(const World& w, int p) {
  for (std::size_t i = 1; i < w.Shots.size(); ++i) {
    const Shot& sh = w.Shots[i];
    if (sh.removed != kFalse || sh.owner != p || sh.ty < 0 || sh.ty + 1 >= kWeaponSlots) continue;
    const Blast b = BlastOf(w, w.WeaponDefs[static_cast<std::size_t>(sh.ty + 1)]);
    if (b.damage > 0 || b.splinterDamage > 0) return true;
  }
  return false;
}

// Throws the rope towards (gx, gy) once the aim is there.
void ThrowRope(Sight& s, double gx, double gy) {
  const int k = AimToward(gx - s.x, gy - s.y);
  // Nearly straight up either facing will do; a worm against a wall cannot
  // turn towards it, and trying would keep it from throwing at all.
  const bool steep = std::abs(gx - s.x) * 4 < std::abs(gy - s.y);
  const bool right = steep ? s.me.FacingRight != kFalse : gx >= s.x;
  if ((s.me.FacingRight != kFalse) != right) {
    Press(s.me, right ? kRight : kLeft);
    return;
  }
  if (AimAt(s.me, k)) {
    Press(s.me, kJump);
    Press(s.me, kChange);
    s.memory.ropeFrames = 1;
  }
}

// Digs towards (gx, gy): left and right together dig ahead along the aim and
// walk on.
void DigToward(Sight& s, double gx, double gy) {
  // Mostly up or down, either side will do: the worm keeps its facing
  // rather than turn to and fro.
  const bool steep = std::abs(gx - s.x) * 2 < std::abs(gy - s.y);
  const bool right = steep ? s.me.FacingRight != kFalse : gx >= s.x;
  int k = AimToward(gx - s.x, gy - s.y);
  // Straight up the dig would not open the way ahead.
  k = std::clamp(k, 0, 15);
  if ((s.me.FacingRight != kFalse) != right && IsPassable(s.w, s.x + (right ? kWormHalfWidth : -kWormHalfWidth), s.y)) {
    Press(s.me, right ? kRight : kLeft);
    return;
  }
  AimAt(s.me, k);
  Press(s.me, kLeft);
  Press(s.me, kRight);
}

// Gets the worm towards (gx, gy).
void Travel(Sight& s, double gx, double gy) {
  Player& me = s.me;
  AceRecord& memory = s.memory;
  const World& w = s.w;
  const int dir = gx > s.x + 3 ? 1 : (gx < s.x - 3 ? -1 : 0);
  const bool ground = OnGround(w, s.x, s.y);

  if (me.RopeState != 0) {
    ++memory.ropeFrames;
    const double hook2 = Dist2(me.RopeX.ToDouble(), me.RopeY.ToDouble(), s.x, s.y);
    const bool hanging = memory.ropeFrames > 8 && memory.stillFrames > 3;
    if (memory.ropeFrames > 45 || (hanging && IsPassable(w, s.near[0], s.near[1])) ||
        (memory.ropeFrames > 4 && s.y < gy - 5) || (memory.ropeFrames > 12 && hook2 > 60 * 60)) {
      Press(me, kJump);  // lets go
      memory.ropeFrames = 0;
    } else if (!IsPassable(w, s.near[0], s.near[1])) {
      DigToward(s, s.near[0], s.near[1]);  // hanging under soil: dig on up
    } else if (gy < s.y - 8 && me.RopeLength > fixed(5) && !IsPassable(w, me.RopeX.ToDouble(), me.RopeY.ToDouble())) {
      // The hook holds above: a shorter rope pulls the worm up.
      Press(me, kChange);
      Press(me, kUp);
    } else if (dir != 0) {
      Press(me, dir > 0 ? kRight : kLeft);
    }
    return;
  }
  memory.ropeFrames = 0;

  const bool wantUp = gy < s.y - 20;
  if (dir != 0) Press(me, dir > 0 ? kRight : kLeft);
  if (!ground) return;  // in the air the walk keys steer

  if (!IsPassable(w, s.near[0], s.near[1]) && memory.stillFrames >= 1) {
    // The way leads through soil.
    DigToward(s, s.near[0], s.near[1]);
    return;
  }
  if (memory.stillFrames >= 3 || memory.noProgress >= 20) {
    // Walking gets nowhere: dig, jump, rope, in turns.
    const int phase = ((memory.noProgress >= 20 ? memory.noProgress : memory.stillFrames) / 10) % 4;
    const double tx = dir != 0 ? gx : s.x + memory.wanderDir * 20;
    if (phase == 0) {
      DigToward(s, tx, gy);
    } else if (phase == 1) {
      if (IsPassable(w, s.x, s.y - kWormHalfHeight))
        Press(me, kJump);
      else
        DigToward(s, tx, s.y - 20);
    } else if (phase == 2) {
      me.Ctrl.fill(0);
      ThrowRope(s, tx, std::min(gy, s.y - 40));
    } else {
      DigToward(s, s.x - (tx - s.x), s.y - 10);
    }
    return;
  }
  if (dir != 0 && gy < s.y + 25) {
    // A drop ahead with the goal not below: jump it rather than fall in.
    bool drop = true;
    for (int d = 4; d <= 24 && drop; d += 4) drop = IsPassable(w, s.x + 6 * dir, s.y + d);
    if (drop && IsPassable(w, s.x, s.y - kWormHalfHeight)) Press(me, kJump);
  }
  if (wantUp && memory.stillFrames > 1) {
    me.Ctrl.fill(0);
    ThrowRope(s, gx, gy - 10);
  }
}

// A worm whose centre has ended up inside rock cannot walk, jump, dig or
// rope out of it: the hook holds at once and motion tests points beside the
// centre. The kick of a shot still moves it when the point the kick heads
// for is open, so it aims the kick there and fires, safe shots first, and
// after kRiskAfter more frames in the rock any shot that kicks it free;
// after kBlastAfter frames it fires its biggest blast where it stands.
// True when it has taken the controls.
bool InRock(const World& w, double x, double y) {
  return !IsPassable(w, x, y) && MaterialOf(w, w.LevelSurface.At(static_cast<int32>(std::lround(x)),
                                                                 static_cast<int32>(std::lround(y)))) == kRock;
}

bool KickOutOfRock(Sight& s) {
  // Counted from the moment the worm got wedged: it may still jitter a
  // pixel or two, which is no way out.
  constexpr int kRiskAfter = 15, kBlastAfter = 45;
  const int wedged = s.memory.wedgedFrames - kWedgedAfter;
  const World& w = s.w;
  Player& me = s.me;
  if (!InRock(w, s.x, s.y)) return false;
  const int cur = CurSlot(me);
  const WeaponDef* W = WeaponInSlot(w, me, cur);
  // Kicks too weak to move it: the last way out is the push of its own
  // blast, which may cost it its life but not the rest of the game.
  const bool blastOut = wedged >= kBlastAfter;
  auto strength = [&](const WeaponDef& def) { return blastOut ? BlastOf(w, def).damage + 1 : def.RECOIL; };
  if (W == nullptr || strength(*W) <= 0 || !Loaded(me, cur)) {
    // The loaded weapon with the hardest kick (or blast).
    int want = -1, kick = 0;
    for (int k = 0; k < kSlots; ++k) {
      const WeaponDef* other = WeaponInSlot(w, me, k);
      if (other != nullptr && Loaded(me, k) && strength(*other) > kick) {
        want = k;
        kick = strength(*other);
      }
    }
    if (want < 0 || want == cur) return false;
    if (me.Age % 2 == 0) {  // taps, so that each press counts
      Press(me, kChange);
      Press(me, ((want - cur + kSlots) % kSlots) <= 2 ? kRight : kLeft);
    }
    return true;
  }
  const bool right = me.FacingRight != kFalse;
  if (blastOut) {
    // Into the rock around it, so that the blast goes off right there.
    int into = -1;
    for (int k = 0; k < kAimSteps; ++k) {
      const FlightState at = LaunchState(me, *W, k, right);
      if (!IsPassable(w, at.x, at.y) && (into < 0 || std::abs(k - me.Aim) < std::abs(into - me.Aim))) into = k;
    }
    if (into < 0) into = me.Aim;
    if (AimAt(me, into) && static_cast<std::int64_t>(me.Age) + 1 - me.LastShot > W->SHOTDELAY) Press(me, kShoot);
    return true;
  }
  const double f = right ? 1 : -1;
  const Blast b = BlastOf(w, *W);
  const FlightWorms worms{s.ex, s.ey, s.x, s.y};
  int pick = -1, pickSide = 0;
  bool pickSafe = false;
  for (int k = 0; k < kAimSteps; ++k) {
    const double a = AimDegrees[static_cast<std::size_t>(k)] * 3.14159265358979 / 180;
    const double kx = -f * std::sin(a), ky = std::cos(a);
    const double sx = kx > 0.05 ? 1 : (kx < -0.05 ? -1 : 0), sy = ky > 0.05 ? 1 : (ky < -0.05 ? -1 : 0);
    if (!IsPassable(w, s.x + kx + kWormHalfWidth * sx, s.y + ky + kWormHalfHeight * sy)) continue;
    const FlightResult r = Fly(w, *W, LaunchState(me, *W, k, right), worms, kLookAheadFrames, 300);
    const bool safe = Worth(*W, b, r, s.x, s.y, s.ex, s.ey, false) >= 0;
    if (pick < 0 || (safe && !pickSafe) || (safe == pickSafe && std::abs(k - me.Aim) < std::abs(pick - me.Aim))) {
      pick = k;
      pickSafe = safe;
      pickSide = static_cast<int>(sx);
    }
  }
  if (pick < 0 || (!pickSafe && wedged < kRiskAfter)) return false;
  if (AimAt(me, pick)) {
    if (static_cast<std::int64_t>(me.Age) + 1 - me.LastShot > W->SHOTDELAY) Press(me, kShoot);
    // A walk key the kick's way adds its step once the kick has the worm
    // moving; blocked, it does not turn the worm.
    if (pickSide != 0) Press(me, pickSide > 0 ? kRight : kLeft);
  }
  return true;
}

// A slot's weighing, carried from call to call.
struct Weighing {
  AceAim best;
  double bestClose = 1e18;
  int nearAim = -1;  // the safe aim that gets nearest the target
  double nearClose = 1e18;
};

// The facing a shot at (tx, ty) is weighed with.
bool FacingFor(const Player& me, double tx) {
  const double x = me.X.ToDouble();
  return std::abs(tx - x) < 1 ? me.FacingRight != kFalse : tx > x;
}

// Weighs the aim steps of a slot from `from` on while the budget lasts;
// returns the aim step to go on with, kAimSteps when all are weighed.
int WeighAims(const World& w, int p, int slot, double tx, double ty, bool right, int from, Weighing& g, int& budget) {
  const Player& me = w.Players[static_cast<std::size_t>(p)];
  const WeaponDef* W = WeaponInSlot(w, me, slot);
  if (W == nullptr || W->NUMOBJECTS <= 0) return kAimSteps;
  const Blast b = BlastOf(w, *W);
  const double x = me.X.ToDouble(), y = me.Y.ToDouble();
  const int limit = StepLimit(std::sqrt(Dist2(x, y, tx, ty)));
  FlightWorms worms{tx, ty, x, y};
  for (int k = from; k < kAimSteps; ++k) {
    if (budget < limit) return k;
    const FlightResult r = Fly(w, *W, LaunchState(me, *W, k, right), worms, kLookAheadFrames, limit);
    budget -= r.steps;
    const int v = Worth(*W, b, r, x, y, tx, ty, Diggable(w, r), me.Health);
    if (v > g.best.worth || (v == g.best.worth && v > 0 && r.closest2 < g.bestClose)) {
      g.best = {k, right, v};
      g.bestClose = r.closest2;
    }
    const bool lands = r.end == FlightEnd::kTarget || r.end == FlightEnd::kGround || r.end == FlightEnd::kTimer;
    if (v >= 0 && lands && r.closest2 < g.nearClose) {
      g.nearAim = k;
      g.nearClose = r.closest2;
    }
  }
  return kAimSteps;
}

// Takes the next slot's weighing a step further within the budget, and when
// it is complete, keeps its result.
void WeighNextSlot(World& w, int p, AceRecord& memory, double tx, double ty, int& budget) {
  const Player& me = w.Players[static_cast<std::size_t>(p)];
  if (memory.weighSlot < 0) {
    // The current slot and the others in turn.
    if (memory.weighCurrentNext != kFalse) {
      memory.weighSlot = CurSlot(me);
    } else {
      memory.weighSlot = memory.nextSlot;
      memory.nextSlot = (memory.nextSlot + 1) % kSlots;
    }
    memory.weighCurrentNext = ToFlag(memory.weighCurrentNext == kFalse);
    memory.weighAim = 0;
    memory.weighBestAim = -1;
    memory.weighBestWorth = 0;
    memory.weighBestClose = 1e18;
    memory.weighNearAim = -1;
    memory.weighNearClose = 1e18;
    memory.weighRight = ToFlag(FacingFor(me, tx));
  }
  Weighing g;
  g.best = {memory.weighBestAim, memory.weighRight != kFalse, memory.weighBestWorth};
  g.bestClose = memory.weighBestClose;
  g.nearAim = memory.weighNearAim;
  g.nearClose = memory.weighNearClose;
  const int slot = memory.weighSlot;
  memory.weighAim = WeighAims(w, p, slot, tx, ty, memory.weighRight != kFalse, memory.weighAim, g, budget);
  memory.weighBestAim = g.best.aim;
  memory.weighBestWorth = g.best.worth;
  memory.weighBestClose = g.bestClose;
  memory.weighNearAim = g.nearAim;
  memory.weighNearClose = g.nearClose;
  if (memory.weighAim < kAimSteps) return;
  const auto i = static_cast<std::size_t>(slot);
  memory.aim[i] = g.best.aim;
  memory.facingRight[i] = memory.weighRight;
  memory.worth[i] = g.best.worth;
  memory.nearAim[i] = g.nearAim;
  memory.nearFacingRight[i] = memory.weighRight;
  memory.weighSlot = -1;
}

}  // namespace

AceAim AceBestAim(const World& w, int p, int slot, double tx, double ty) {
  if (p < 1 || p >= kMaxPlayerSlots || slot < 0 || slot >= kSlots) return {};
  Weighing g;
  int budget = std::numeric_limits<int>::max();
  WeighAims(w, p, slot, tx, ty, FacingFor(w.Players[static_cast<std::size_t>(p)], tx), 0, g, budget);
  return g.best;
}

namespace {

// Without a shot for a long time: fires the safe shot that gets nearest the
// other worm. True when it took the controls.
bool FireNearestShot(Sight& s, int& budget) {
  AceRecord& memory = s.memory;
  Player& me = s.me;
  const World& w = s.w;
  if (memory.framesSinceShot < kSilentAfter || me.RopeState != 0) return false;
  const int cur = CurSlot(me);
  const auto c = static_cast<std::size_t>(cur);
  // A loaded slot with a safe shot, the current one first.
  int slot = -1;
  for (int k = 0; k < kSlots && slot < 0; ++k) {
    const int at = (cur + k) % kSlots;
    if (Loaded(me, at) && memory.nearAim[static_cast<std::size_t>(at)] >= 0) slot = at;
  }
  if (slot < 0) return false;
  me.Ctrl.fill(0);
  if (slot != cur) {
    if (Loaded(me, cur) || w.LoadAndChange != kFalse) {
      Press(me, kChange);
      Press(me, ((slot - cur + kSlots) % kSlots) <= 2 ? kRight : kLeft);
    }
    return true;
  }
  const bool right = memory.nearFacingRight[c] != kFalse;
  if ((me.FacingRight != kFalse) != right) {
    Press(me, right ? kRight : kLeft);
    return true;
  }
  if (!AimAt(me, memory.nearAim[c])) return true;
  const WeaponDef* W = WeaponInSlot(w, me, cur);
  if (W == nullptr || static_cast<std::int64_t>(me.Age) + 1 - me.LastShot <= W->SHOTDELAY) return true;
  const int limit = StepLimit(std::sqrt(Dist2(s.x, s.y, s.ex, s.ey)));
  if (budget < limit) return true;
  const FlightWorms worms{s.ex, s.ey, s.x, s.y};
  const FlightResult r = Fly(w, *W, LaunchState(me, *W, me.Aim, right), worms, kLookAheadFrames, limit);
  budget -= r.steps;
  if (Worth(*W, BlastOf(w, *W), r, s.x, s.y, s.ex, s.ey, Diggable(w, r), me.Health) >= 0)
    Press(me, kShoot);
  else
    memory.nearAim[c] = -1;  // not safe after all: weighed again soon
  return true;
}

// The ways out of a place, looked at along 16 rays: how far each runs
// before rock (or the level's edge), up to kExitReach, less for the soil
// on the way, a little more towards the other worm. Picks the rank-th best
// (0 the best), so that each try goes another way.
constexpr double kExitReach = 64;
struct Exit {
  double dx = 0, dy = 0;  // unit direction
  double open = 0;        // free pixels along the ray before rock
  int soil = 0;           // pixels of soil among them
};
Exit FindExit(const Sight& s, int rank, bool away, bool climb) {
  std::array<Exit, 16> rays{};
  std::array<double, 16> score{};
  const double toX = s.ex - s.x, toY = s.ey - s.y, to = std::max(1.0, std::sqrt(toX * toX + toY * toY));
  for (int k = 0; k < 16; ++k) {
    Exit& e = rays[static_cast<std::size_t>(k)];
    const double a = k * 3.14159265358979 / 8;
    e.dx = std::cos(a);
    e.dy = std::sin(a);
    for (double d = kWormHalfWidth; d <= kExitReach; d += 2) {
      const double x = s.x + e.dx * d, y = s.y + e.dy * d;
      if (x <= 1 || y <= 1 || x >= s.w.LevelWidth - 1 || y >= std::min<int>(s.w.LevelHeight, kPassableBottom) - 1)
        break;
      if (!IsPassable(s.w, x, y)) {
        if (MaterialOf(s.w, s.w.LevelSurface.At(static_cast<int32>(x), static_cast<int32>(y))) == kRock) break;
        ++e.soil;
      }
      e.open = d;
    }
    score[static_cast<std::size_t>(k)] = e.open - e.soil * 1.5 + (away ? -25 : 15) * (e.dx * toX + e.dy * toY) / to -
                                         (!climb && (e.dy < -0.3 || e.dy > 0.75) ? 40 : 0);
  }
  std::array<int, 16> order{};
  for (int k = 0; k < 16; ++k) order[static_cast<std::size_t>(k)] = k;
  std::stable_sort(order.begin(), order.end(), [&](int l, int r) {
    return score[static_cast<std::size_t>(l)] > score[static_cast<std::size_t>(r)];
  });
  return rays[static_cast<std::size_t>(order[static_cast<std::size_t>(rank % 3)])];
}

// Inside a small box too long with the other worm in play: the way it
// followed avoids this place from now on, and for a while it forces a way
// out, each time along another of the best rays: roping along it when it
// runs upwards through the open, otherwise digging and jumping along it.
// True when it took the controls.
bool BreakOut(Sight& s) {
  AceRecord& memory = s.memory;
  Player& me = s.me;
  const World& w = s.w;
  // Too close to the other worm for a safe shot for too long is as bad: the
  // way out then leads away from it.
  const bool crowded = memory.closeFrames > kCrowdedAfter;
  // A way that does not even move the worm (rock ahead, a hook that holds
  // nowhere) is given up early for the next one.
  if (memory.engageFrames > 0 && memory.stillFrames > kGiveUpStill && me.RopeState == 0) memory.engageFrames = 0;
  if (memory.engageFrames == 0 && memory.boxFrames >= kLoiterAfter && !crowded && me.RopeState == 0) {
    // A way that is getting the worm somewhere, slowly (digging), is kept
    // on: turning to the next one would undo what it won.
    const double before = std::sqrt(Dist2(memory.engageFromX, memory.engageFromY, memory.exitX, memory.exitY));
    const double now = std::sqrt(Dist2(s.x, s.y, memory.exitX, memory.exitY));
    if (memory.engageRound > 0 && now > 6 && before - now >= kKeepOnGain) {
      memory.engageFrames = kEngageFrames;
      memory.engageFromX = static_cast<int32>(s.x);
      memory.engageFromY = static_cast<int32>(s.y);
    }
  }
  if (memory.engageFrames == 0 && (memory.boxFrames >= kLoiterAfter || crowded)) {
    memory.engageFrames = kEngageFrames;
    memory.engageFromX = static_cast<int32>(s.x);
    memory.engageFromY = static_cast<int32>(s.y);
    ++memory.engageRound;
    // The way led here and no further: the next one goes round this place.
    const auto k = static_cast<std::size_t>(memory.deadCount % 8);
    memory.deadX[k] = static_cast<int32>(s.x);
    memory.deadY[k] = static_cast<int32>(s.y);
    ++memory.deadCount;
    memory.pathAge = 1000;
    // A worm that tried once in this stay and is still in the box did not
    // get up by rope: the next ways lead along the ground or through soil,
    // not steeply down (a dig there leaves the worm standing where it was).
    const bool climb = memory.boxFrames < kLoiterAfter + kEngageFrames;
    const Exit e = FindExit(s, memory.engageRound, crowded, climb);
    memory.closeFrames = 0;
    // Far enough that getting there leaves the box, whatever lies between.
    memory.exitX = static_cast<int32>(s.x + e.dx * std::max(e.open, 2.0 * kBoxPixels));
    memory.exitY = static_cast<int32>(s.y + e.dy * std::max(e.open, 2.0 * kBoxPixels));
    memory.exitByRope = ToFlag(climb && e.dy < -0.3 && e.soil * 4 < e.open && e.open >= 30);
  }
  if (memory.engageFrames == 0) return false;
  --memory.engageFrames;
  me.Ctrl.fill(0);
  const double gx = memory.exitX, gy = memory.exitY;
  if (me.RopeState != 0) {
    // Hanging still (the hook holds too near, or the rope is as short as it
    // gets) is no way out either.
    const bool holds = !IsPassable(w, me.RopeX.ToDouble(), me.RopeY.ToDouble());
    // A hook caught in the other worm pulls towards it, not out.
    if (me.RopeState < 0 || memory.ropeFrames++ > 30 || memory.exitByRope == kFalse || s.y < gy + 4 ||
        (holds && (memory.stillFrames > 8 || me.RopeLength <= fixed(5)))) {
      Press(me, kJump);  // lets go
      memory.ropeFrames = 0;
    } else if (holds && me.Age % 2 == 0) {
      // Change with up shortens the rope (with a side key it would change
      // weapons instead), so pulling up and swinging take turns.
      Press(me, kChange);
      Press(me, kUp);
    } else {
      Press(me, gx > s.x ? kRight : kLeft);
    }
    return true;
  }
  if (memory.exitByRope != kFalse) {
    ThrowRope(s, gx, gy);
  } else {
    DigToward(s, gx, gy);
    if (OnGround(w, s.x, s.y) && gy < s.y - 4 && IsPassable(w, s.x, s.y - kWormHalfHeight) && me.Age % 6 == 0)
      Press(me, kJump);
  }
  return true;
}

}  // namespace

void AcePlayer(World& w, int p) {
  if (p < 1 || p > 2) return;
  Player& me = w.Players[static_cast<std::size_t>(p)];
  AceRecord& memory = ComputersOf(w).ace[static_cast<std::size_t>(p)];
  me.Ctrl.fill(0);
  if (me.Alive == kFalse) {
    Press(me, kJump);  // back into the game at once
    AcePath path = std::move(memory.path);
    memory = AceRecord{};
    memory.path = std::move(path);
    memory.pathAge = 1000;  // the worm is somewhere else now
    return;
  }

  const double x = me.X.ToDouble(), y = me.Y.ToDouble();
  const int32 px = static_cast<int32>(std::lround(x)), py = static_cast<int32>(std::lround(y));
  // Jitter of a pixel is no movement.
  const bool moved = std::abs(px - memory.lastX) >= 2 || std::abs(py - memory.lastY) >= 2;
  memory.stillFrames = moved ? 0 : memory.stillFrames + 1;
  const Flaws& flaw = kFlaws[std::clamp<int>(w.MenuAceStrength[static_cast<std::size_t>(p)], 1, kAceStrongest)];
  int budget = kFlightBudget;
  ++memory.framesSinceShot;

  // The other worm: the nearest one in play.
  const Player* enemy = nullptr;
  double best2 = 1e18;
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int q = 1; q <= last; ++q) {
    const Player& o = w.Players[static_cast<std::size_t>(q)];
    if (q == p || o.Alive == kFalse) continue;
    const double d2 = Dist2(o.X.ToDouble(), o.Y.ToDouble(), x, y);
    if (d2 < best2) {
      best2 = d2;
      enemy = &o;
    }
  }
  Sight s{w, p, me, memory, enemy, x, y, enemy ? enemy->X.ToDouble() : x, enemy ? enemy->Y.ToDouble() : y, {x, y}};
  // Whether the worm's last positions, while the other worm was in play,
  // all fit in a small box: pacing to and fro is no better than standing.
  if (enemy == nullptr) {
    memory.recentCount = 0;
    memory.boxFrames = 0;
  } else {
    const std::size_t n = memory.recentX.size();
    const auto at = static_cast<std::size_t>(memory.recentNext) % n;
    memory.recentX[at] = static_cast<int16>(std::clamp(px, -32000, 32000));
    memory.recentY[at] = static_cast<int16>(std::clamp(py, -32000, 32000));
    memory.recentNext = static_cast<int32>((at + 1) % n);
    memory.recentCount = std::min<int32>(memory.recentCount + 1, static_cast<int32>(n));
    // The calls, newest first, whose positions all fit in the box.
    int x0 = px, x1 = px, y0 = py, y1 = py, inBox = 0;
    for (int k = 0; k < memory.recentCount; ++k, ++inBox) {
      const auto i = (at + n - static_cast<std::size_t>(k)) % n;
      x0 = std::min<int>(x0, memory.recentX[i]);
      x1 = std::max<int>(x1, memory.recentX[i]);
      y0 = std::min<int>(y0, memory.recentY[i]);
      y1 = std::max<int>(y1, memory.recentY[i]);
      if (x1 - x0 > kBoxPixels || y1 - y0 > kBoxPixels) break;
    }
    memory.boxFrames = inBox;
  }
  if (enemy != nullptr) {
    // The way to the other worm, worked out again now and then and whenever
    // it has gone elsewhere, a slice per call.
    ++memory.pathAge;
    if (!memory.build.running &&
        (memory.pathAge >= 50 || Dist2(memory.path.goalX, memory.path.goalY, s.ex, s.ey) > 40 * 40)) {
      StartPath(w, s.ex, s.ey, memory.build, memory.deadX.data(), memory.deadY.data(),
                std::min<int>(memory.deadCount, 8));
      memory.pathAge = 0;
    }
    if (ContinuePath(w, memory.build, memory.path, kPathBudget)) memory.bestCost = CostAt(memory.path, x, y);
    const int32 c = CostAt(memory.path, x, y);
    if (c < memory.bestCost) {
      memory.bestCost = c;
      memory.noProgress = 0;
    } else {
      ++memory.noProgress;
    }
  }

  // Out of the way of incoming fire first. A weaker ace now and then does
  // not see a shot coming.
  int away = 0;
  if (memory.dodgeFrames > 0) --memory.dodgeFrames;
  if (memory.blindFrames > 0) {
    --memory.blindFrames;
  } else if (Threatened(s, away, budget)) {
    if (memory.dodgeFrames == 0 && Draw(w, p, me.Age, 1) < flaw.blindPercent) {
      memory.blindFrames = 25;
    } else {
      memory.dodgeFrames = 6;
      memory.dodgeDir = away;
    }
  }

  // Weigh the slots in turn, the current one every other time, as far as
  // the budget goes.
  const int cur = CurSlot(me);
  if (enemy != nullptr) WeighNextSlot(w, p, memory, s.ex, s.ey, budget);

  bool busy = false;  // the controls of this frame are taken
  if (enemy != nullptr && me.RopeState == 0) {
    // The best loaded slot with a shot worth firing.
    // A weaker ace's judgement of a weapon sways with chance, from second to
    // second.
    auto judged = [&](int k) {
      const int worth = memory.worth[static_cast<std::size_t>(k)];
      return flaw.weaponNoisePercent == 0
                 ? worth
                 : worth * (100 + Draw(w, p, me.Age / 25, 2 + k) * flaw.weaponNoisePercent / 100) / 100;
    };
    int want = -1;
    for (int k = 0; k < kSlots; ++k) {
      const auto i = static_cast<std::size_t>(k);
      if (!Loaded(me, k) || memory.worth[i] <= kDigShot) continue;
      if (want < 0 || judged(k) > judged(want) + (k == cur ? -1 : 0) || (k == cur && judged(k) >= judged(want)))
        want = k;
    }
    // Nothing to fire now: only the selected slot reloads, so select an
    // empty one while the current one is full, and stay while it reloads.
    if (want < 0) {
      want = cur;
      if (Loaded(me, cur))
        for (int k = 1; k < kSlots && want == cur; ++k)
          if (!Loaded(me, (cur + k) % kSlots)) want = (cur + k) % kSlots;
    }
    const bool mayChange = Loaded(me, cur) || w.LoadAndChange != kFalse;
    if (want >= 0 && want != cur && mayChange && memory.dodgeFrames == 0) {
      Press(me, kChange);
      Press(me, ((want - cur + kSlots) % kSlots) <= 2 ? kRight : kLeft);
      busy = true;
    } else if (want == cur && memory.worth[static_cast<std::size_t>(cur)] > kDigShot && memory.dodgeFrames == 0) {
      const auto i = static_cast<std::size_t>(cur);
      const bool right = memory.facingRight[i] != kFalse;
      // A weaker ace's aim may be a few steps off.
      const int aim = std::clamp<int>(memory.aim[i] + memory.aimError, 0, kAimSteps - 1);
      if ((me.FacingRight != kFalse) != right) {
        Press(me, right ? kRight : kLeft);  // a step turns the worm
        if (memory.stillFrames > 2 && OnGround(w, x, y)) Press(me, kJump);
        busy = true;
        memory.readyFrames = 0;
      } else if (!AimAt(me, aim)) {
        busy = true;
        memory.readyFrames = 0;
      } else {
        const WeaponDef* W = WeaponInSlot(w, me, cur);
        const bool ready = W != nullptr && static_cast<std::int64_t>(me.Age) + 1 - me.LastShot > W->SHOTDELAY &&
                           ++memory.readyFrames > flaw.reactFrames;
        const int limit = StepLimit(std::sqrt(best2));
        if (ready && budget >= limit) {
          // The world may have changed since the slot was weighed.
          const FlightWorms worms{s.ex, s.ey, x, y};
          const FlightResult r = Fly(w, *W, LaunchState(me, *W, me.Aim, right), worms, kLookAheadFrames, limit);
          budget -= r.steps;
          const int worth = Worth(*W, BlastOf(w, *W), r, x, y, s.ex, s.ey, Diggable(w, r), me.Health);
          // A shot aimed off need only spare the worm itself.
          if (worth > 0 || (memory.aimError != 0 && worth >= 0)) {
            Press(me, kShoot);
            busy = true;
            memory.readyFrames = 0;
            memory.aimError = 0;
            if (Draw(w, p, me.Age, 3) < flaw.aimErrorPercent) {
              const int off = 1 + Draw(w, p, me.Age, 4) % std::max(1, flaw.aimErrorSteps);
              memory.aimError = Draw(w, p, me.Age, 5) < 50 ? -off : off;
            }
          } else {
            memory.worth[i] = 0;
            memory.aimError = 0;
          }
        } else {
          busy = true;  // aimed, waiting for the trigger
        }
      }
    }
  }

  if (memory.dodgeFrames > 0) {
    if (!busy || !me.Ctrl[kShoot]) {
      Press(me, memory.dodgeDir > 0 ? kRight : kLeft);
      if (OnGround(w, x, y) && memory.dodgeFrames > 4) Press(me, kJump);
    }
  } else if (!busy) {
    double gx = s.ex, gy = s.ey;
    if (enemy == nullptr) {
      // Nobody to fight: roam.
      gx = x + memory.wanderDir * 40;
      gy = y;
    } else if (best2 < kTooClose * kTooClose || (best2 < 120 * 120 && OwnBlastFlying(w, p))) {
      // Too close for a safe shot: back off.
      gx = x + (x >= s.ex ? 60 : -60);
      gy = y;
    }
    if (memory.stillFrames == kDetourAfter || memory.noProgress == kDetourAfter * 3) {
      // The way leads nowhere the worm can go: off somewhere else for a
      // while, each time the other way.
      memory.detourFrames = kDetourFrames;
      memory.wanderDir = -memory.wanderDir;
      if (memory.detourFrames > 0 && enemy != nullptr && memory.noProgress >= kDetourAfter) {
        // Where the way led is out of reach: the next way goes round it.
        const auto k = static_cast<std::size_t>(memory.deadCount % 8);
        memory.deadX[k] = memory.wayX;
        memory.deadY[k] = memory.wayY;
        ++memory.deadCount;
        memory.pathAge = 1000;
      }
    }
    if (memory.detourFrames > 0) {
      --memory.detourFrames;
      gx = x + memory.wanderDir * 80;
      gy = y - 30;
    } else if (enemy != nullptr && best2 >= kTooClose * kTooClose) {
      double wx = 0, wy = 0;
      if (Waypoint(memory.path, x, y, 10, wx, wy)) {
        gx = wx;
        gy = wy;
      }
      // The first soil along the next few cells of the way, if any.
      for (int k = 1; k <= 4; ++k) {
        if (!Waypoint(memory.path, x, y, k, wx, wy)) break;
        s.near[0] = wx;
        s.near[1] = wy;
        if (!IsPassable(w, wx, wy)) break;
      }
    }
    // A shot that blows the way open is fired on the way, when the worm
    // happens to be aimed for it.
    const auto c = static_cast<std::size_t>(cur);
    const WeaponDef* W = WeaponInSlot(w, me, cur);
    const bool digShot = enemy != nullptr && memory.worth[c] == kDigShot && Loaded(me, cur) &&
                         me.Aim == memory.aim[c] && (me.FacingRight != kFalse) == (memory.facingRight[c] != kFalse) &&
                         W != nullptr && static_cast<std::int64_t>(me.Age) + 1 - me.LastShot > W->SHOTDELAY;
    memory.wayX = static_cast<int32>(gx);
    memory.wayY = static_cast<int32>(gy);
    const bool walking = std::abs(gx - x) > 3;
    memory.stuckFrames = (walking && !moved) ? memory.stuckFrames + 1 : 0;
    Travel(s, gx, gy);
    if (digShot && !me.Ctrl[kUp] && !me.Ctrl[kDown] && !me.Ctrl[kChange] && !me.Ctrl[kLeft] && !me.Ctrl[kRight])
      Press(me, kShoot);
    if (enemy == nullptr && memory.stuckFrames > 30) {
      memory.wanderDir = -memory.wanderDir;
      memory.stuckFrames = 0;
    }
  } else if (memory.stillFrames > kRestlessFrames && !me.Ctrl[kShoot] && !me.Ctrl[kChange] && OnGround(w, x, y)) {
    // Aiming from one spot too long: hop, which keeps the facing and aim.
    Press(me, kJump);
  }
  if (me.RopeState < 0) {
    // The hook caught a worm and pulls this one to it, where no shot is
    // safe: let go.
    me.Ctrl.fill(0);
    Press(me, kJump);
  }
  memory.closeFrames = enemy != nullptr && best2 < kTooClose * kTooClose && !me.Ctrl[kShoot] ? memory.closeFrames + 1
                                                                                             : 0;
  if (enemy != nullptr && memory.dodgeFrames == 0) {
    if (!BreakOut(s) && !me.Ctrl[kShoot]) FireNearestShot(s, budget);
  }
  memory.wedgedFrames = InRock(w, x, y) ? memory.wedgedFrames + 1 : 0;
  const auto planned = me.Ctrl;
  me.Ctrl.fill(0);
  if (memory.wedgedFrames > kWedgedAfter && KickOutOfRock(s)) {
    // firing its way out of the rock
  } else if (me.Ctrl = planned; memory.stillFrames > kStuckAfter) {
    // Nothing has moved the worm for a long time: walk to the open side, jump,
    // walk the other way (a blocked step does not turn the worm, so each way
    // gets its turn whatever the facing), dig up (which leaves room to jump
    // and turn round in), dig level, dig low (a worm caught on a point of
    // ground drops once it is gone), jumping all the while, and rope, each
    // time at another angle.
    me.Ctrl.fill(0);
    const int round = (memory.stillFrames - kStuckAfter) / kStuckStep;
    const int phase = round % 7;
    // The open side is chosen once a round: a step can change which side
    // looks open, and turning back each frame gets nowhere.
    if ((memory.stillFrames - kStuckAfter) % (kStuckStep * 7) == 1)
      memory.wanderDir = !IsPassable(w, x - kWormHalfWidth, y) && IsPassable(w, x + kWormHalfWidth, y) ? 1 : -1;
    static constexpr int kDigAims[] = {0, 0, 0, 17, 8, 1};
    if (phase <= 5) {
      // The jump goes with every walk and dig: a worm in a hole it has dug
      // gets out once the soil above it is gone.
      Press(me, kJump);
      if (phase == 0 || phase == 2) {
        Press(me, (phase == 0 ? memory.wanderDir : -memory.wanderDir) > 0 ? kRight : kLeft);
      } else if (phase >= 3 && AimAt(me, kDigAims[phase]) && me.Age % 2 == 0) {
        // Tapped: only a fresh press of the second key digs again.
        Press(me, kLeft);
        Press(me, kRight);
      }
    } else if (me.RopeState == 0) {
      static constexpr int kRopeAims[] = {15, 11, 17, 13, 9};
      if (AimAt(me, kRopeAims[(round / 7) % 5])) {
        Press(me, kJump);
        Press(me, kChange);
      }
    } else if (me.RopeLength > fixed(5)) {
      Press(me, kChange);
      Press(me, kUp);
    }
  }

  if (moved) {
    memory.lastX = px;
    memory.lastY = py;
  }
  if (me.Ctrl[kShoot]) memory.framesSinceShot = 0;
}

bool ParseControllerWord(const std::string& word, flag& controller, int16& strength) {
  if (word == "cpu") {
    controller = kControllerCpu;
    strength = kAceStrongest;
    return true;
  }
  if (word == "ace") {
    controller = kControllerAce;
    strength = kAceStrongest;
    return true;
  }
  if (word.size() == 5 && word.rfind("ace:", 0) == 0 && word[4] >= '1' && word[4] < '1' + kAceStrongest) {
    controller = kControllerAce;
    strength = static_cast<int16>(word[4] - '0');
    return true;
  }
  return false;
}

std::string ControllerWord(flag controller, int16 strength) {
  if (controller != kControllerAce) return "cpu";
  return strength >= kAceStrongest ? "ace" : "ace:" + std::to_string(strength);
}

void RunComputerPlayers(World& w) {
  for (int p = 1; p <= 2; ++p) {
    const flag who = w.Players[static_cast<std::size_t>(p)].Computer;
    if (who == kControllerAce)
      AcePlayer(w, p);
    else if (who != kControllerHuman)
      ComputerPlayer(w, p);
  }
}

}  // namespace krel
