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
constexpr int kStuckStep = 16;
// Stuck this long on the way, the worm makes a detour of kDetourFrames.
constexpr int kDetourAfter = 50;
constexpr int kDetourFrames = 60;
// Closer than this the worm backs off from the other worm when it has no
// safe shot.
constexpr double kTooClose = 40;
// The worth of a shot that only blows the way open towards the other worm.
constexpr int kDigShot = 1;

double Dist2(double ax, double ay, double bx, double by) { return (ax - bx) * (ax - bx) + (ay - by) * (ay - by); }

const WeaponDef* WeaponInSlot(const World& w, const Player& pl, int slot) {
  const int def = pl.WeaponSlots[static_cast<std::size_t>(slot)] + 1;
  if (def < 1 || def >= kWeaponSlots) return nullptr;
  return &w.WeaponDefs[static_cast<std::size_t>(def)];
}

bool Loaded(const Player& pl, int slot) { return pl.Ammo[static_cast<std::size_t>(slot)] > fixed(0); }

int CurSlot(const Player& pl) { return std::clamp<int>(pl.CurWeapon, 0, kSlots - 1); }

// Harm a foreseen shot does to the target; -1 when it would hurt the shooter
// at (sx, sy) or dig at its feet.
int Worth(const WeaponDef& W, const Blast& b, const FlightResult& r, double sx, double sy, double tx, double ty,
          bool diggable) {
  if (r.end == FlightEnd::kSelf) return -1;
  const bool bursts = (r.end == FlightEnd::kTarget && W.WORMEXPLODE == 1) || r.end == FlightEnd::kGround ||
                      r.end == FlightEnd::kTimer;
  if (bursts) {
    // A stray splinter is a risk worth taking; the blast itself is not.
    double safe = std::max(b.radius + 10, b.splinterReach * 0.75);
    if (W.MAPCHANGE > 0) safe = std::max(safe, 18.0);
    if (Dist2(r.x, r.y, sx, sy) < safe * safe) return -1;
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
bool Threatened(const Sight& s, int& awayDir) {
  const World& w = s.w;
  int checked = 0;
  for (std::size_t i = 1; i < w.Shots.size() && checked < 48; ++i) {
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
  const bool right = gx >= s.x;
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
// after kRiskAfter frames of standing still any shot that kicks it free;
// after kBlastAfter frames it fires its biggest blast where it stands.
// True when it has taken the controls.
bool KickOutOfRock(Sight& s) {
  constexpr int kRiskAfter = kStuckAfter + 15, kBlastAfter = kStuckAfter + 45;
  const World& w = s.w;
  Player& me = s.me;
  if (IsPassable(w, s.x, s.y) || MaterialOf(w, w.LevelSurface.At(static_cast<int32>(std::lround(s.x)),
                                                                 static_cast<int32>(std::lround(s.y)))) != kRock)
    return false;
  const int cur = CurSlot(me);
  const WeaponDef* W = WeaponInSlot(w, me, cur);
  // Kicks too weak to move it: the last way out is the push of its own
  // blast, which may cost it its life but not the rest of the game.
  const bool blastOut = s.memory.stillFrames >= kBlastAfter;
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
  if (pick < 0 || (!pickSafe && s.memory.stillFrames < kRiskAfter)) return false;
  if (AimAt(me, pick)) {
    if (static_cast<std::int64_t>(me.Age) + 1 - me.LastShot > W->SHOTDELAY) Press(me, kShoot);
    // A walk key the kick's way adds its step once the kick has the worm
    // moving; blocked, it does not turn the worm.
    if (pickSide != 0) Press(me, pickSide > 0 ? kRight : kLeft);
  }
  return true;
}

}  // namespace

AceAim AceBestAim(const World& w, int p, int slot, double tx, double ty) {
  AceAim best;
  if (p < 1 || p >= kMaxPlayerSlots || slot < 0 || slot >= kSlots) return best;
  const Player& me = w.Players[static_cast<std::size_t>(p)];
  const WeaponDef* W = WeaponInSlot(w, me, slot);
  if (W == nullptr || W->NUMOBJECTS <= 0) return best;
  const Blast b = BlastOf(w, *W);
  const double x = me.X.ToDouble(), y = me.Y.ToDouble();
  const bool right = std::abs(tx - x) < 1 ? me.FacingRight != kFalse : tx > x;
  const int limit = StepLimit(std::sqrt(Dist2(x, y, tx, ty)));
  FlightWorms worms{tx, ty, x, y};
  double bestClose = 1e18;
  for (int k = 0; k < kAimSteps; ++k) {
    const FlightResult r = Fly(w, *W, LaunchState(me, *W, k, right), worms, kLookAheadFrames, limit);
    const int v = Worth(*W, b, r, x, y, tx, ty, Diggable(w, r));
    if (v > best.worth || (v == best.worth && v > 0 && r.closest2 < bestClose)) {
      best = {k, right, v};
      bestClose = r.closest2;
    }
  }
  return best;
}

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
  if (enemy != nullptr) {
    // The way to the other worm, worked out again now and then and whenever
    // it has gone elsewhere.
    if (++memory.pathAge >= 50 || Dist2(memory.path.goalX, memory.path.goalY, s.ex, s.ey) > 40 * 40) {
      BuildPath(w, s.ex, s.ey, memory.path, memory.deadX.data(), memory.deadY.data(),
                std::min<int>(memory.deadCount, 8));
      memory.pathAge = 0;
      memory.bestCost = CostAt(memory.path, x, y);
    }
    const int32 c = CostAt(memory.path, x, y);
    if (c < memory.bestCost) {
      memory.bestCost = c;
      memory.noProgress = 0;
    } else {
      ++memory.noProgress;
    }
  }

  // Weigh one slot per frame: the current one every other frame, the others
  // in turn.
  const int cur = CurSlot(me);
  if (enemy != nullptr) {
    const int slot = (me.Age % 2 == 0) ? cur : memory.nextSlot;
    if (me.Age % 2 != 0) memory.nextSlot = (memory.nextSlot + 1) % kSlots;
    const AceAim a = AceBestAim(w, p, slot, s.ex, s.ey);
    memory.aim[static_cast<std::size_t>(slot)] = a.aim;
    memory.facingRight[static_cast<std::size_t>(slot)] = ToFlag(a.facingRight);
    memory.worth[static_cast<std::size_t>(slot)] = a.worth;
  }

  // Out of the way of incoming fire first.
  int away = 0;
  if (memory.dodgeFrames > 0) --memory.dodgeFrames;
  if (Threatened(s, away)) {
    memory.dodgeFrames = 6;
    memory.dodgeDir = away;
  }

  bool busy = false;  // the controls of this frame are taken
  if (enemy != nullptr && me.RopeState == 0) {
    // The best loaded slot with a shot worth firing.
    int want = -1;
    for (int k = 0; k < kSlots; ++k) {
      const auto i = static_cast<std::size_t>(k);
      if (!Loaded(me, k) || memory.worth[i] <= kDigShot) continue;
      if (want < 0 || memory.worth[i] > memory.worth[static_cast<std::size_t>(want)] + (k == cur ? -1 : 0) ||
          (k == cur && memory.worth[i] >= memory.worth[static_cast<std::size_t>(want)]))
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
      if ((me.FacingRight != kFalse) != right) {
        Press(me, right ? kRight : kLeft);  // a step turns the worm
        if (memory.stillFrames > 2 && OnGround(w, x, y)) Press(me, kJump);
        busy = true;
      } else if (!AimAt(me, memory.aim[i])) {
        busy = true;
      } else {
        const WeaponDef* W = WeaponInSlot(w, me, cur);
        const bool ready = W != nullptr && static_cast<std::int64_t>(me.Age) + 1 - me.LastShot > W->SHOTDELAY;
        if (ready) {
          // The world may have changed since the slot was weighed.
          const FlightWorms worms{s.ex, s.ey, x, y};
          const FlightResult r =
              Fly(w, *W, LaunchState(me, *W, me.Aim, right), worms, kLookAheadFrames, StepLimit(std::sqrt(best2)));
          if (Worth(*W, BlastOf(w, *W), r, x, y, s.ex, s.ey, Diggable(w, r)) > 0) {
            Press(me, kShoot);
            busy = true;
          } else {
            memory.worth[i] = 0;
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
  if (memory.stillFrames > kStuckAfter) {
    // Nothing has moved the worm for a long time: walk to the open side, jump,
    // walk the other way (a blocked step does not turn the worm, so each way
    // gets its turn whatever the facing), dig up (which leaves room to jump
    // and turn round in), dig level, dig low (a worm caught on a point of
    // ground drops once it is gone), jumping all the while, and rope, each
    // time at another angle. A worm wedged in rock kicks itself out first.
    me.Ctrl.fill(0);
    const int round = (memory.stillFrames - kStuckAfter) / kStuckStep;
    const int phase = round % 7;
    // The open side is chosen once a round: a step can change which side
    // looks open, and turning back each frame gets nowhere.
    if ((memory.stillFrames - kStuckAfter) % (kStuckStep * 7) == 1)
      memory.wanderDir = !IsPassable(w, x - kWormHalfWidth, y) && IsPassable(w, x + kWormHalfWidth, y) ? 1 : -1;
    static constexpr int kDigAims[] = {0, 0, 0, 17, 8, 1};
    if (KickOutOfRock(s)) {
      // firing its way out
    } else if (phase <= 5) {
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
