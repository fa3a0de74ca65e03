// One frame of every worm: controls first (walking, digging, aiming, jump
// and rope launch, weapon change, firing), then the ropes, then motion in
// sub-steps against the level, drag, gravity, reloading, and the views.
#include "client/simulation/worms/worms.h"

#include <algorithm>
#include <cmath>

#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/simulation/worms/input.h"
#include "client/simulation/worms/motion.h"

namespace krel {

namespace {

constexpr double kDegToRad = 0.0174532925199433;
// A worm's sub-steps per frame follow its speed; no push in a real game
// comes near this, but a corrupt record must not stall the frame.
constexpr std::int64_t kMaxWormSteps = 32000;

double D(fixed f) { return f.ToDouble(); }

bool Free(const World& w, double x, double y) { return IsPassable(w, x, y); }

int Sign(fixed v) { return v > fixed(0) ? 1 : (v < fixed(0) ? -1 : 0); }

bool Held(const Player& pl, int j) { return pl.Ctrl[static_cast<std::size_t>(j)] != 0; }

void Accelerate(Player& pl, double ax, double ay) {
  AddAcceleration(pl.DirX, pl.DirY, pl.Speed, fixed(ax), fixed(ay), false);
}

// The definition of the weapon in the current slot, or nullptr when the
// slot holds a number outside the table (only bad network data does).
const WeaponDef* CurrentWeapon(const World& w, const Player& pl) {
  const int slot = std::clamp<int>(pl.CurWeapon, 0, 4);
  const int def = pl.WeaponSlots[static_cast<std::size_t>(slot)] + 1;
  if (def < 0 || def >= kWeaponSlots) return nullptr;
  return &w.WeaponDefs[static_cast<std::size_t>(def)];
}

fixed& CurrentAmmo(Player& pl) { return pl.Ammo[static_cast<std::size_t>(std::clamp<int>(pl.CurWeapon, 0, 4))]; }

// Walking one pixel towards dir (-1 left, +1 right), with the drop test
// ahead and the step climb.
void Walk(World& w, Player& pl, int dir) {
  if (!Free(w, D(pl.X) + kWormHalfWidth * dir, D(pl.Y))) return;
  if (Free(w, D(pl.X) + kWormHalfWidth * dir, D(pl.Y) + kWormFeet)) {
    // A drop ahead: on ground the worm steps off, in the air it steers.
    if (!Free(w, D(pl.X), D(pl.Y) + kWormFeet))
      pl.X += fixed(dir);
    else
      Accelerate(pl, 3.0 * dir, 0);
    pl.FacingRight = ToFlag(dir > 0);
    pl.AnimFrame = static_cast<int16>((pl.AnimFrame + (dir > 0 ? 1 : 2)) % 3);
    return;
  }
  pl.X += fixed(dir);
  pl.FacingRight = ToFlag(dir > 0);
  pl.AnimFrame = static_cast<int16>((pl.AnimFrame + 1) % 3);
  // Climb: the lowest of the rows 3..0 below the centre that is free just
  // ahead; none free lifts the worm by 4.
  int k = 3;
  while (k >= 0 && !Free(w, D(pl.X) + dir, D(pl.Y) + k)) --k;
  pl.Y = pl.Y - fixed(3) + fixed(k);
}

void WalkDigAim(World& w, int p, Player& pl, double a) {
  const bool facingRight = pl.FacingRight != kFalse;
  if (Held(pl, kLeft)) {
    if (Held(pl, kRight) && facingRight && NewlyPressed(w, p, kLeft)) {
      Dig(w, ToInt16(D(pl.X) + 3 * std::sin(a)), ToInt16(D(pl.Y) - 3 * std::cos(a)), 5, static_cast<int16>(p),
          Origin::kLocal);
    } else if (!(Held(pl, kRight) && facingRight)) {
      Walk(w, pl, -1);
    }
  }
  if (Held(pl, kRight)) {
    const bool nowRight = pl.FacingRight != kFalse;
    if (Held(pl, kLeft) && !nowRight && NewlyPressed(w, p, kRight)) {
      Dig(w, ToInt16(D(pl.X) - 3 * std::sin(a)), ToInt16(D(pl.Y) - 3 * std::cos(a)), 5, static_cast<int16>(p),
          Origin::kLocal);
    } else if (!(Held(pl, kLeft) && !nowRight)) {
      Walk(w, pl, 1);
    }
  }
  if (Held(pl, kUp) && pl.Aim < kAimSteps - 1) ++pl.Aim;
  if (Held(pl, kDown) && pl.Aim > 0) --pl.Aim;
}

void Jump(World& w, Player& pl, double f, double a) {
  if (Held(pl, kChange)) {
    pl.RopeState = 1;
    pl.RopeX = pl.X;
    pl.RopeY = pl.Y;
    pl.RopeDX = fixed(f * std::sin(a) * 8);
    pl.RopeDY = fixed(-std::cos(a) * 8);
    pl.RopeLength = 20;
    return;
  }
  if (Free(w, D(pl.X), D(pl.Y) - kWormHalfHeight) && !Free(w, D(pl.X), D(pl.Y) + kWormFeet)) {
    Accelerate(pl, 0, -45);
    pl.Y -= fixed(1);
  }
  pl.RopeState = 0;  // jump always lets go of the rope
}

void ChangeCombinations(World& w, int p, Player& pl) {
  if (NewlyPressed(w, p, kUp) && pl.RopeLength > fixed(5)) pl.RopeLength -= fixed(5);
  if (NewlyPressed(w, p, kDown) && pl.RopeLength < fixed(300)) pl.RopeLength += fixed(5);
  auto mayChange = [&] { return CurrentAmmo(pl) > fixed(0) || w.LoadAndChange != kFalse; };
  if (NewlyPressed(w, p, kLeft) && mayChange())
    pl.CurWeapon = static_cast<int16>((std::clamp<int>(pl.CurWeapon, 0, 4) + 4) % 5);
  if (NewlyPressed(w, p, kRight) && mayChange())
    pl.CurWeapon = static_cast<int16>((std::clamp<int>(pl.CurWeapon, 0, 4) + 1) % 5);
}

void Fire(World& w, int p, Player& pl, double f, fixed a) {
  const WeaponDef* wd = CurrentWeapon(w, pl);
  if (wd == nullptr || !(CurrentAmmo(pl) > fixed(0))) return;
  if (static_cast<std::int64_t>(pl.Age) - pl.LastShot <= wd->SHOTDELAY) return;
  const WeaponDef W = *wd;  // AddShot may not touch the table, but keep a copy anyway
  const int16 weapon = pl.WeaponSlots[static_cast<std::size_t>(std::clamp<int>(pl.CurWeapon, 0, 4))];
  pl.LastShot = pl.Age;
  auto spread = [&](double r) {
    const double s = std::floor(W.DISTRIBUTION * r / 1000.0) - W.DISTRIBUTION / 2000.0;
    return D(a + fixed(s * kDegToRad));
  };
  const double ownX = D(pl.DirX * pl.Speed) / kWormStepDivisor;
  const double ownY = D(pl.DirY * pl.Speed) / kWormStepDivisor;
  const double carryX = W.WORMAFFECT == 1 ? D(pl.DirX) : 0.0;
  const double carryY = W.WORMAFFECT == 1 ? D(pl.DirY) : 0.0;
  for (int n = 0; n < W.NUMOBJECTS; ++n) {
    const double r1 = w.Rand(p), r2 = w.Rand(p), r3 = w.Rand(p), r4 = w.Rand(p), r5 = w.Rand(p);
    const double a1 = spread(r1), a2 = spread(r2), a3 = spread(r3), a4 = spread(r4);
    const int16 color = W.ANIMSFRAME == 100 ? static_cast<int16>(std::floor(81 * r5) - 40) : 0;
    AddShot(w, fixed(D(pl.X) + ownX + f * kMuzzleDistance * std::sin(a1)),
            fixed(D(pl.Y) + ownY - kMuzzleDistance * std::cos(a2)), fixed(carryX / kCarryDivisor + f * std::sin(a3)),
            fixed(carryY / kCarryDivisor - std::cos(a4)), static_cast<int16>(p), weapon, color);
  }
  const double ad = D(a);
  Accelerate(pl, -f * std::sin(ad) * W.RECOIL / 4, std::cos(ad) * W.RECOIL / 4);
  if (W.SOUNDLAUNCH != 0) w.Events().Sound(W.SOUNDLAUNCH);
  CurrentAmmo(pl) -= fixed(1);
  const double r = w.Rand(p);
  if (W.LEAVESHELLS > 0 && std::floor(4 * r) + 1 > W.LEAVESHELLS) {
    const double r6 = w.Rand(p), r7 = w.Rand(p), r8 = w.Rand(p), r9 = w.Rand(p);
    AddObj(w, fixed(D(pl.X) - 4 + 8 * r6), fixed(D(pl.Y) - 4 + 8 * r7), fixed(r8 - 0.5), fixed(r9 - 0.5),
           static_cast<int16>(p), 8, 0);
  }
  if (CurrentAmmo(pl) == fixed(0)) CurrentAmmo(pl) = fixed(-1);  // the slot starts reloading
}

// When pl is further than len from (tx, ty), accelerates it by pull towards
// the point lift pixels above (tx, ty).
void PullTowards(Player& pl, fixed tx, fixed ty, fixed len, double pull, int lift = 0) {
  const fixed ddx = tx - pl.X, ddy = ty - pl.Y;
  const fixed d = fixed(std::sqrt(D(ddx) * D(ddx) + D(ddy) * D(ddy)));
  if (!(d > len) || d == fixed(0)) return;
  Accelerate(pl, D(ddx / d) * pull, D((ddy - fixed(lift)) / d) * pull);
}

void PulledByOthers(World& w, int p, Player& pl, int last) {
  for (int q = 1; q <= last; ++q) {
    const Player& other = w.Players[static_cast<std::size_t>(q)];
    if (other.RopeState != -p) continue;
    // Towards a point 4 pixels above the worm that holds the rope.
    PullTowards(pl, other.X, other.Y, other.RopeLength, 5, 4);
  }
}

void OwnRope(World& w, int p, Player& pl, int last) {
  if (pl.RopeState == 0) return;
  if (pl.RopeState > 0 && !w.Networked()) {
    // Only a local game lets a hook catch a worm.
    for (int q = 1; q <= last; ++q) {
      const Player& other = w.Players[static_cast<std::size_t>(q)];
      if (q == p || other.Alive == kFalse) continue;
      if (std::abs(D(pl.RopeX - other.X)) < 4 && std::abs(D(pl.RopeY - other.Y)) < 4) {
        pl.RopeState = static_cast<int16>(-q);
        break;
      }
    }
  }
  if (pl.RopeState < 0) {
    const int q = -pl.RopeState;
    if (q >= kMaxPlayerSlots) {
      pl.RopeState = 0;  // no such worm: the rope is gone
      return;
    }
    const Player& held = w.Players[static_cast<std::size_t>(q)];
    pl.RopeX = held.X;
    pl.RopeY = held.Y;
    pl.RopeDX = 0;
    pl.RopeDY = -2;
    PullTowards(pl, pl.RopeX, pl.RopeY, pl.RopeLength, 5);
    return;
  }
  if (Free(w, D(pl.RopeX), D(pl.RopeY))) {
    if (pl.RopeDY < fixed(8)) pl.RopeDY += fixed(0.05);
    pl.RopeX += pl.RopeDX;
    pl.RopeY += pl.RopeDY;
    return;
  }
  // The hook holds; its velocity is damped so that it flies on gently if
  // the ground around it is dug away.
  if (!Free(w, D(pl.RopeX - pl.RopeDX), D(pl.RopeY))) pl.RopeDY = -pl.RopeDY * fixed(0.2);
  if (!Free(w, D(pl.RopeX), D(pl.RopeY - pl.RopeDY))) pl.RopeDX = -pl.RopeDX * fixed(0.2);
  PullTowards(pl, pl.RopeX, pl.RopeY, pl.RopeLength, 12);
}

// Only rightward and downward motion bounces: the test is on the signed
// product, so leftward and upward motion simply stops.
void Bounce(fixed& c, fixed speed) {
  if (c * speed > fixed(4))
    c = -c * fixed(0.5);
  else
    c = 0;
}

void Move(World& w, Player& pl) {
  const std::int64_t n = std::min<std::int64_t>(pl.Speed.RoundToInt64(), kMaxWormSteps);
  for (std::int64_t i = 0; i < n; ++i) {
    int sx = Sign(pl.DirX);
    const int sy = Sign(pl.DirY);
    if (Free(w, D(pl.X + pl.DirX) + kWormHalfWidth * sx, D(pl.Y + pl.DirY) + kWormHalfHeight * sy)) {
      pl.X += pl.DirX / fixed(kWormStepDivisor);
      pl.Y += pl.DirY / fixed(kWormStepDivisor);
      continue;
    }
    bool blocked = false;
    if (!Free(w, D(pl.X + pl.DirX / fixed(kWormStepDivisor)) + kWormHalfWidth * sx, D(pl.Y) + kWormHalfHeight * sy)) {
      Bounce(pl.DirX, pl.Speed);
      blocked = true;
    }
    sx = Sign(pl.DirX);
    if (!Free(w, D(pl.X) + kWormHalfWidth * sx, D(pl.Y + pl.DirY) + kWormHalfHeight * sy)) {
      Bounce(pl.DirY, pl.Speed);
      blocked = true;
    }
    if (!blocked) {
      Bounce(pl.DirX, pl.Speed);
      Bounce(pl.DirY, pl.Speed);
    }
    AddAcceleration(pl.DirX, pl.DirY, pl.Speed, 0, 0, false);
  }
}

void Reload(World& w, Player& pl) {
  fixed& ammo = CurrentAmmo(pl);
  if (!(ammo < fixed(0))) return;
  const WeaponDef* wd = CurrentWeapon(w, pl);
  if (wd == nullptr) return;
  // The menu keeps the loading percentage at 5 or more; a settings file
  // that says 0 or less reloads at once rather than divide by zero.
  ammo -= w.LoadingSetting > 0 ? fixed(100.0 / w.LoadingSetting) : fixed(1000000);
  if (ammo < fixed(-wd->LOADINGTIME)) {
    ammo = fixed(wd->AMMO);
    w.Events().Sound(25);
  }
}

void ActOne(World& w, int p, int last) {
  Player& pl = w.Players[static_cast<std::size_t>(p)];
  if (pl.Age < INT32_MAX) ++pl.Age;
  if (pl.Alive == kFalse) {
    if (Held(pl, kJump)) pl.Alive = kTrue;  // back in play where the respawn put it
    return;
  }
  if (!Held(pl, kChange)) WalkDigAim(w, p, pl, D(AimAngle(pl.Aim)));
  // Walking may have turned the worm and the aim keys moved its aim; the
  // rest of the frame (rope launch, shot, recoil) uses both as they are now.
  const fixed aim = AimAngle(pl.Aim);
  const double a = D(aim);
  const double f = pl.FacingRight != kFalse ? 1.0 : -1.0;
  if (Held(pl, kJump)) Jump(w, pl, f, a);
  if (pl.Ctrl[kChange] == 1 && (p == 1 || p == 2)) ChangeCombinations(w, p, pl);
  if (Held(pl, kShoot)) Fire(w, p, pl, f, aim);
  PulledByOthers(w, p, pl, last);
  OwnRope(w, p, pl, last);
  Move(w, pl);
  pl.Speed = pl.Speed * fixed(0.95);
  if (Free(w, D(pl.X), D(pl.Y) + kWormFeet))
    Accelerate(pl, 0, 3);
  else
    pl.DirX = pl.DirX * fixed(0.1);
  Reload(w, pl);
}

}  // namespace

void FollowView(World& w, Player& pl, fixed x, fixed y) {
  std::int64_t vx = (x - fixed(80)).RoundToInt64();
  vx = std::max<std::int64_t>(vx, 0);
  vx = std::min<std::int64_t>(vx, static_cast<std::int64_t>(w.LevelWidth) - 160);
  std::int64_t vy = (y - fixed(100)).RoundToInt64();
  vy = std::max<std::int64_t>(vy, 0);
  vy = std::min<std::int64_t>(vy, static_cast<std::int64_t>(w.LevelHeight) - 190);
  pl.ViewX = static_cast<int16>(std::clamp<std::int64_t>(vx, INT16_MIN, INT16_MAX));
  pl.ViewY = static_cast<int16>(std::clamp<std::int64_t>(vy, INT16_MIN, INT16_MAX));
}

void PlayerAction(World& w) {
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int p = 1; p <= last; ++p) ActOne(w, p, last);
  for (int p = 1; p <= 2; ++p) {
    Player& pl = w.Players[static_cast<std::size_t>(p)];
    FollowView(w, pl, pl.X, pl.Y);
  }
}

}  // namespace krel
