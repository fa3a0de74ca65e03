// Shots: creation, removal, one frame of flight for every shot, and the
// bonus items that drop into the level.
//
// Indices, not references: explosions, deaths and trails append to the
// entity arrays while a shot is being moved, which may move the arrays in
// memory, and a removal may cut the moving shot itself off the end.
#include "client/simulation/weapons/shots.h"

#include <algorithm>
#include <cmath>

#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/contact.h"
#include "client/simulation/weapons/entities.h"
#include "client/simulation/weapons/explosions.h"
#include "client/simulation/weapons/frame_budget.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/worms/motion.h"
#include "client/simulation/worms/worms.h"

namespace krel {

namespace {

constexpr double kTwoPi = 2 * 3.1415;  // the game's own pi, kept for its trail directions

void PickUpBonus(World& w, Player& pl, int16 color) {
  if (color < 1) {
    const int gain = 10 + static_cast<int>(std::floor(w.Rand() * 50));
    pl.Health = static_cast<int16>(std::min(100, pl.Health + gain));
    return;
  }
  if (color + 1 >= kWeaponSlots) return;  // no such weapon: a bad record, nothing to give
  const auto slot = static_cast<std::size_t>(std::clamp<int>(pl.CurWeapon, 0, 4));
  pl.WeaponSlots[slot] = color;
  pl.Ammo[slot] = fixed(w.WeaponDefs[static_cast<std::size_t>(color + 1)].AMMO);
}

// The owner's keys steer a steered shot; players without a key map steer
// nowhere.
bool OwnerKeyHeld(const World& w, int owner, int control) {
  if (owner < 0 || owner >= kKeyMapPlayers) return false;
  const int code = w.KeyMap[static_cast<std::size_t>(owner)][static_cast<std::size_t>(control)];
  return code > 0 && code < 256 && w.KeyState[static_cast<std::size_t>(code)] != 0;
}

void Steer(World& w, Shot& s) {
  if (OwnerKeyHeld(w, s.owner, kLeft))
    for (int k = 0; k < 3; ++k)
      AddAcceleration(s.dx, s.dy, s.speed, s.dy * s.speed / fixed(10), -s.dx * s.speed / fixed(20), true);
  if (OwnerKeyHeld(w, s.owner, kRight))
    for (int k = 0; k < 3; ++k)
      AddAcceleration(s.dx, s.dy, s.speed, -s.dy * s.speed / fixed(10), s.dx * s.speed / fixed(20), true);
  if (s.owner >= 1 && s.owner < kMaxPlayerSlots) FollowView(w, w.Players[static_cast<std::size_t>(s.owner)], s.x, s.Y);
}

// Worm contact of shot i in one step. Returns kGoesOn unless the shot was
// removed (or cut off).
Outcome WormContact(World& w, int32 i, const WeaponDef& W) {
  const double range = W.WORMDETECTRANGE + 4.0;
  for (int p = 1; p < kMaxPlayerSlots; ++p) {
    Player& pl = w.Players[static_cast<std::size_t>(p)];
    if (pl.Alive == kFalse) continue;
    const Shot s = w.Shots[static_cast<std::size_t>(i)];
    if (!(ContactDist2(w, p, s.x, s.Y) < range * range)) continue;
    if (s.ty == -1) {
      PickUpBonus(w, pl, s.color);
      RemoveShot(w, i);
      return StatusOf(w.Shots, i);
    }
    if (W.WORMEXPLODE == 1) {
      ExplodeShot(w, i);
      PushWorm(pl, s.x, s.Y, W.BLOW);
    }
    if (W.HITDAMAGE >= 1) {
      if (p == 1 || p == 2) TakeHealth(pl, W.HITDAMAGE);
      PlayHurtSound(w);
      if (pl.Health < 1) PlayerDied(w, static_cast<int16>(p), s.owner, Origin::kLocal);
    }
    if (W.WORMREMOVE == 1 || W.WORMEXPLODE == 1 || W.HITDAMAGE > 0) {
      // A beam touches at most one worm per step and flies on.
      if (W.SPEED < kBeamSpeed) RemoveShot(w, i);
      return StatusOf(w.Shots, i);
    }
  }
  return Outcome::kGoesOn;
}

// One movement step of shot i. Returns whether the sub-step loop goes on,
// and through out how the shot fares.
bool Step(World& w, int32 i, const WeaponDef& W, Outcome& out) {
  {
    Shot& s = w.Shots[static_cast<std::size_t>(i)];
    if (s.steps < INT32_MAX) ++s.steps;
    if (W.PTRAILPTYPE != 0 && TrailDue(s.steps, W.PTRAILDELAY) && SpendPiece(w)) {
      if (W.PTRAILTYPE == 1) {
        AddObj(w, s.x, s.Y, s.dx / fixed(10), s.dy / fixed(10), s.owner, W.PTRAILPTYPE, 0);
      } else {
        const double r1 = w.Rand(), r2 = w.Rand();
        AddObj(w, s.x, s.Y, fixed(std::sin(kTwoPi * r1)), fixed(std::cos(kTwoPi * r2)), s.owner, W.PTRAILPTYPE, 0);
      }
    }
  }
  {
    const Shot& s = w.Shots[static_cast<std::size_t>(i)];
    if (W.OTRAILTYPE != 0 && TrailDue(s.steps, W.OTRAILDELAY) && SpendPiece(w))
      AddSObj(w, s.x, s.Y, s.dx, s.dy, s.owner, W.OTRAILTYPE);
  }
  if (W.WORMEXPLODE == 1 || W.WORMREMOVE == 1) {
    out = WormContact(w, i, W);
    // A removed shot does nothing more in this frame.
    if (out != Outcome::kGoesOn) return false;
  }
  Shot& s = w.Shots[static_cast<std::size_t>(i)];
  if (!IsPassable(w, D(s.x), D(s.Y))) {
    if (W.GROUNDEXPLODE == 1) {
      ExplodeShot(w, i);
      if (W.SPEED < kBeamSpeed) RemoveShot(w, i);
      out = StatusOf(w.Shots, i);
      return false;
    }
    BounceOffGround(w, s, W.BOUNCE);
  }
  // A shot slowed below 30 in this frame stands still for the rest of it.
  if (MoveSubSteps(s.speed) >= 1) {
    s.x += s.dx;
    s.Y += s.dy;
  }
  return true;
}

void PushOtherShots(World& w, int32 i, const WeaponDef& W) {
  if (!SpendVisits(w, LastIndex(w.Shots))) return;
  const Shot s = w.Shots[static_cast<std::size_t>(i)];
  const double reach = W.WORMDETECTRANGE + 2.0;
  for (int32 j = 1; j <= LastIndex(w.Shots); ++j) {
    Shot& o = w.Shots[static_cast<std::size_t>(j)];
    if (j == i || o.removed != kFalse) continue;
    if (Dist2(s.Y, s.x, o.Y, o.x) <= reach * reach)
      AddAcceleration(o.dx, o.dy, o.speed, fixed(5) * s.dx, fixed(5) * s.dy, false);
  }
}

// One frame of shot i; false when the shot was cut off the array, which ends
// the frame's shot loop.
bool MoveOne(World& w, int32 i) {
  const Shot& s0 = w.Shots[static_cast<std::size_t>(i)];
  const WeaponDef& W = w.WeaponDefs[static_cast<std::size_t>(std::clamp<int>(s0.ty + 1, 0, kWeaponSlots - 1))];
  {
    Shot& s = w.Shots[static_cast<std::size_t>(i)];
    if (s.age < INT16_MAX) ++s.age;
    if (W.GRAVITY > 0) AddAcceleration(s.dx, s.dy, s.speed, 0, fixed(ShotGravity(W.GRAVITY)), false);
    if (W.SHOTTYPE != 2) {
      s.speed += fixed(W.ACCADD);
      s.speed = s.speed * fixed(W.ACCMULTIPLY / 100.0);
    } else {
      Steer(w, s);
    }
  }
  const int32 n = MoveSubSteps(w.Shots[static_cast<std::size_t>(i)].speed);
  Outcome out = Outcome::kGoesOn;
  // Out of steps for this frame, the shot waits where it is.
  for (int32 k = 0; k <= n && SpendStep(w); ++k)
    if (!Step(w, i, W, out)) break;
  if (out == Outcome::kCut) return false;
  if (out == Outcome::kRemoved) return true;

  if (W.OBJECTCOLLIDE == 1) PushOtherShots(w, i, W);
  // The draw happens every frame for every shot, whatever the weapon.
  const double r = w.Rand();
  if (TimeIsUp(w.Shots[static_cast<std::size_t>(i)].age, W.TIMETOEXPLODE, W.TIMETOEXPLODEV, r)) {
    ExplodeShot(w, i);
    RemoveShot(w, i);
    if (Gone(w.Shots, i)) return false;
  }
  return true;
}

}  // namespace

void AddShot(World& w, fixed x, fixed Y, fixed dx, fixed dy, int16 owner, int16 ty, int16 color, Origin origin) {
  if (ty < -1 || ty > 40) return;
  const Shot s = MakeEntity(x, Y, dx, dy, owner, ty, color, w.WeaponDefs[static_cast<std::size_t>(ty + 1)].SPEED);
  const Creation c = Decide(w, owner, origin, 'w', ty);
  if (c == Creation::kApply || c == Creation::kApplyAndSend) AppendBounded(w.Shots, s, kMaxShots);
  if (c == Creation::kSend || c == Creation::kApplyAndSend) w.Events().SendShot(s);
}

void RemoveShot(World& w, int32 nr) { RemoveEntity(w.Shots, nr); }

void MoveShots(World& w) {
  OpenFrameBudget(w);
  ReclaimDead(w.Shots, kMaxShots);
  // The bound is read anew for every shot: shots added during the frame
  // move in it too.
  for (int32 i = 1; i <= LastIndex(w.Shots); ++i) {
    if (w.Shots[static_cast<std::size_t>(i)].removed != kFalse) continue;
    if (!MoveOne(w, i)) return;
  }
}

void BonusDrop(World& w) {
  if (std::floor(w.Rand() * 1000) != 0) return;
  const double x = std::floor(w.Rand() * w.LevelWidth);
  const double y = std::floor(w.Rand() * w.LevelHeight);
  if (!IsPassable(w, x, y)) return;
  AddShot(w, fixed(x), fixed(y), 0, fixed(0.1), 1, -1, static_cast<int16>(std::floor(w.Rand() * 81) - 40));
}

}  // namespace krel
