// The ace's safety: incoming fire, its own shots still in flight, and
// rock it has got wedged in.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "client/ai/ace_sight.h"

namespace krel::ace_detail {

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

// A worm whose centre has ended up inside rock cannot walk, jump, dig or
// rope out of it: the hook holds at once and motion tests points beside the
// centre. The kick of a shot still moves it when the point the kick heads
// for is open, so it aims the kick there and fires, safe shots first, and
// after kRiskAfter more frames in the rock any shot that kicks it free;
// after kBlastAfter frames it fires its biggest blast where it stands.
// True when it has taken the controls.
bool InRock(const World& w, double x, double y) {
  if (IsPassable(w, x, y)) return false;
  const auto px = static_cast<int32>(std::lround(x)), py = static_cast<int32>(std::lround(y));
  // Past the level's edge nothing gives way, as in rock; and there is no
  // pixel to read (a worm near the top looks above its head).
  if (!w.LevelSurface.Contains(px, py)) return true;
  return MaterialOf(w, w.LevelSurface.At(px, py)) == kRock;
}

bool Encased(const World& w, double x, double y) {
  // A hole of a pixel or two at the centre is no way out: the sides and the
  // head are what motion tests.
  return InRock(w, x, y) ||
         (InRock(w, x - kWormHalfWidth, y) && InRock(w, x + kWormHalfWidth, y) && InRock(w, x, y - kWormHalfHeight));
}

bool HeldUnderWorm(const Sight& s) {
  // Near enough for a hook to catch the other worm as it is thrown.
  constexpr double kOnTop = 4;
  return s.enemy != nullptr && std::abs(s.ex - s.x) < kOnTop && std::abs(s.ey - s.y) < kOnTop && s.me.RopeState == 0 &&
         s.memory.hangFrames >= 3 && !OnGround(s.w, s.x, s.y) && !IsPassable(s.w, s.x, s.y + kWormHalfHeight);
}

bool KickOutOfRock(Sight& s) {
  // Counted from the moment the worm got wedged: it may still jitter a
  // pixel or two, which is no way out.
  constexpr int kRiskAfter = 15, kBlastAfter = 30, kLethalBlastAfter = 60;
  constexpr double kReloadFrames = 25;
  const int wedged = s.memory.wedgedFrames - kWedgedAfter;
  const World& w = s.w;
  Player& me = s.me;
  const bool encased = Encased(w, s.x, s.y);
  if (!encased && !HeldUnderWorm(s)) return false;
  // The gentle ways out come first, and then take turns with the weapons:
  // a side open at its middle is one a step takes it out by (a step tests
  // no more than that); standing on soil, it digs that away and drops out
  // (no kick moves a worm whose feet are on the ground), and with the
  // ground dug from under it, it waits for the drop (falling, the game
  // tests the corner of its body that leads).
  // (Held under the other worm, a step only steers it in the air: it kicks.)
  if (encased && (wedged < kBlastAfter || (wedged / kBlastAfter) % 2 == 0)) {
    for (const int dir : {-1, 1})
      if (IsPassable(w, s.x + kWormHalfWidth * dir, s.y)) {
        Press(me, dir > 0 ? kRight : kLeft);
        return true;
      }
    if (!InRock(w, s.x, s.y + kWormFeet)) {
      if (OnGround(w, s.x, s.y)) {
        DigToward(s, s.x, s.y + 20);
        return true;
      }
      if (IsPassable(w, s.x + kWormHalfWidth * DriftOf(me), s.y + kWormHalfHeight)) return true;
    }
  }
  const int cur = CurSlot(me);
  const WeaponDef* W = WeaponInSlot(w, me, cur);
  // Kicks too weak to move it: the last way out is the push of its own
  // blast, which may cost it its life but not the rest of the game.
  // A blast it would not live through waits until nothing else is left.
  const bool blastOut = encased && wedged >= kBlastAfter;
  const bool anyBlast = wedged >= kLethalBlastAfter;
  auto strength = [&](const WeaponDef& def) {
    if (!blastOut) return static_cast<int>(def.RECOIL);
    // A shot that bursts only on a worm just vanishes in the rock.
    if (def.GROUNDEXPLODE != 1 && def.TIMETOEXPLODE == 0) return 0;
    const int damage = BlastOf(w, def).damage;
    return damage < me.Health || anyBlast ? damage + 1 : 0;
  };
  // The slot with the hardest kick (or blast). An empty one counts for less
  // the longer it takes to load (half its strength after a second): only
  // the slot in hand reloads, so a worm that keeps to the loaded ones may be
  // left firing a weak one for good, but one that waits seconds for a
  // strong one stays shut in all that time.
  const double perFrame = w.LoadingSetting > 0 ? 100.0 / w.LoadingSetting : 1e6;
  int want = -1, kick = 0;
  for (int k = 0; k < kSlots; ++k) {
    const WeaponDef* other = WeaponInSlot(w, me, k);
    if (other == nullptr) continue;
    const double wait =
        Loaded(me, k)
            ? 0
            : std::max(0.0, (other->LOADINGTIME + me.Ammo[static_cast<std::size_t>(k)].ToDouble()) / perFrame);
    const int worth = static_cast<int>(strength(*other) * kReloadFrames / (kReloadFrames + wait));
    if (worth > kick) {
      want = k;
      kick = worth;
    }
  }
  if (want < 0) return false;
  if (want != cur) {
    // From an empty slot the game changes weapons only when set to.
    if (!Loaded(me, cur) && w.LoadAndChange == kFalse) return false;
    if (me.Age % 2 == 0) ChangeTowards(me, want);  // taps, so that each press counts
    return true;
  }
  if (!Loaded(me, cur)) return true;  // it reloads in hand
  const bool right = me.FacingRight != kFalse;
  if (blastOut) {
    // Into the rock around it, so that the blast goes off right there.
    int into = -1;
    for (int k = 0; k < kAimSteps; ++k) {
      const FlightState at = LaunchState(me, *W, k, right);
      if (!IsPassable(w, at.x, at.y) && (into < 0 || std::abs(k - me.Aim) < std::abs(into - me.Aim))) into = k;
    }
    if (into < 0) {
      // Open air at every muzzle (the rock that holds it is a sliver): the
      // aim whose shot bursts nearest, where its push still reaches.
      const FlightWorms worms{s.ex, s.ey, s.x, s.y};
      double nearest2 = 1e18;
      for (int k = 0; k < kAimSteps; ++k) {
        const FlightResult r = Fly(w, *W, LaunchState(me, *W, k, right), worms, kLookAheadFrames, 300);
        const double d2 = Dist2(r.x, r.y, s.x, s.y);
        if ((r.end == FlightEnd::kGround || r.end == FlightEnd::kTimer || r.end == FlightEnd::kSelf) && d2 < nearest2) {
          nearest2 = d2;
          into = k;
        }
      }
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
    // moving; blocked, it does not turn the worm. (Held under the other
    // worm, off its feet, a walk key turns it and spoils the next aim.)
    if (pickSide != 0 && encased) Press(me, pickSide > 0 ? kRight : kLeft);
  }
  return true;
}

}  // namespace krel::ace_detail
