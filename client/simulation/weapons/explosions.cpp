// Explosions of shots and objects, and the death and respawn of worms.
#include "client/simulation/weapons/explosions.h"

#include <algorithm>
#include <cmath>

#include "client/simulation/terrain/level.h"
#include "client/simulation/terrain/tiles.h"
#include "client/simulation/weapons/contact.h"
#include "client/simulation/weapons/entities.h"
#include "client/simulation/weapons/frame_budget.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/worms/motion.h"
#include "client/state/chat.h"

namespace krel {

namespace {

constexpr double kTwoPi = 2 * 3.1415;  // the game's own pi, kept for its splinter directions

// The respawn area is fixed, whatever the level's size.
constexpr int kRespawnWidth = 490;
constexpr int kRespawnHeight = 320;
// Random tries before the respawn falls back to scanning for a free pixel:
// in a network game the dig of each try only goes to the server, so the
// local level never changes and the random search might never end.
constexpr int kRespawnTries = 1000;

const WeaponDef* ShotWeapon(const World& w, const Shot& s) {
  const int slot = s.ty + 1;
  return slot >= 0 && slot < kWeaponSlots ? &w.WeaponDefs[static_cast<std::size_t>(slot)] : nullptr;
}

void ChangeLevel(World& w, int16 mapchange, fixed x, fixed y, int16 owner) {
  if (std::optional<int16> r = MapChangeRadius(mapchange)) Dig(w, x.ToInt16(), y.ToInt16(), *r, owner, Origin::kLocal);
}

void ThrowSplinters(World& w, int amount, const Entity& e, bool directed, int16 type, int16 color) {
  for (int k = 0; k < amount && SpendPiece(w); ++k) {
    const double r1 = w.Rand(), r2 = w.Rand();
    double ex = 0, ey = 0;
    if (directed) {
      ex = D(e.dx) + (std::floor(r1 * 20) - 10) / 50;
      ey = D(e.dy) + (std::floor(r2 * 20) - 10) / 50;
    } else {
      ex = std::sin(kTwoPi * r1);
      ey = std::cos(kTwoPi * r2);
    }
    AddObj(w, fixed(D(e.x) + 5 * ex), fixed(D(e.Y) + 5 * ey), fixed(ex), fixed(ey), e.owner, type, color);
  }
}

bool ShovedByExplosions(const World& w, const Shot& s) {
  const WeaponDef* def = ShotWeapon(w, s);
  return s.removed == kFalse && def != nullptr && def->EXPLODEAFFECT == 1;
}

// A free pixel of the respawn area, scanned row by row from a random row,
// for when the random tries found none.
bool FindFreeSpot(World& w, fixed& x, fixed& y) {
  const int start = static_cast<int>(std::floor(w.Rand() * kRespawnHeight));
  for (int k = 0; k < kRespawnHeight; ++k) {
    const int row = (start + k) % kRespawnHeight;
    for (int col = 0; col < kRespawnWidth; ++col) {
      if (IsPassable(w, col, row)) {
        x = col;
        y = row;
        return true;
      }
    }
  }
  return false;
}

void Respawn(World& w, int16 p) {
  Player& pl = w.Players[static_cast<std::size_t>(p)];
  pl.Speed = 0;
  for (int tries = 0; tries < kRespawnTries; ++tries) {
    pl.X = static_cast<int>(std::floor(w.Rand() * kRespawnWidth));
    pl.Y = static_cast<int>(std::floor(w.Rand() * kRespawnHeight));
    Dig(w, pl.X.ToInt16(), pl.Y.ToInt16(), 6, p, Origin::kLocal);
    if (IsPassable(w, D(pl.X), D(pl.Y))) return;
  }
  // Nowhere to be made free at random: take any free pixel, and only when
  // the whole area is solid leave the worm where the last try put it.
  FindFreeSpot(w, pl.X, pl.Y);
}

std::string Trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace

std::optional<int16> MapChangeRadius(int16 mapchange) {
  switch (mapchange) {
    case 1: return 12;
    case 2: return 6;
    case 3:
    case 4:
    case 6: return 4;
    case 5: return -7;
    case 7: return -5;
    default: return std::nullopt;
  }
}

void ExplodeShot(World& w, int32 nr) {
  if (nr < 1 || nr > LastIndex(w.Shots)) return;
  const Shot S = w.Shots[static_cast<std::size_t>(nr)];
  const WeaponDef* def = ShotWeapon(w, S);
  if (def == nullptr || !SpendExplosion(w)) return;  // beyond the frame's budget it fizzles
  const WeaponDef& W = *def;
  ChangeLevel(w, W.MAPCHANGE, S.x, S.Y, S.owner);
  ThrowSplinters(w, W.SPLINTERAMOUNT, S, W.SPLINTERSTYPE == 1, W.SPLINTERTYPE, W.SPLINTERCOLOR);
  if (W.CREATEONHIT != 0) AddSObj(w, S.x, S.Y, S.dx, S.dy, S.owner, W.CREATEONHIT);
  if (W.SOUNDEXPLODE != 0) w.Events().Sound(W.SOUNDEXPLODE);
  // A positive BLOW draws affected shots towards the explosion.
  if (!SpendVisits(w, LastIndex(w.Shots))) return;
  for (int32 j = 1; j <= LastIndex(w.Shots); ++j) {
    Shot& o = w.Shots[static_cast<std::size_t>(j)];
    if (j == nr || !ShovedByExplosions(w, o)) continue;
    const double d2 = Dist2(o.x, o.Y, S.x, S.Y);
    if (!(std::sqrt(d2) < W.WORMDETECTRANGE)) continue;
    const double dd = std::sqrt(d2 + 1);
    AddAcceleration(o.dx, o.dy, o.speed, fixed(D(S.x - o.x) / dd * W.BLOW / 5), fixed(D(S.Y - o.Y) / dd * W.BLOW / 5),
                    false);
  }
}

void ExplodeObj(World& w, int32 nr) {
  if (nr < 1 || nr > LastIndex(w.Objs) || !SpendExplosion(w)) return;  // beyond the frame's budget it fizzles
  const Obj O = w.Objs[static_cast<std::size_t>(nr)];
  const ObjDef& T = w.ObjDefs[static_cast<std::size_t>(std::clamp<int>(O.ty, 0, kObjSlots - 1))];
  ChangeLevel(w, T.MAPCHANGE, O.x, O.Y, O.owner);
  ThrowSplinters(w, T.SPLINTERAMOUNT, O, false, T.SPLINTERTYPE, T.SPLINTERCOLOR);
  if (T.CREATEONHIT != 0) AddSObj(w, O.x, O.Y, O.dx, O.dy, O.owner, T.CREATEONHIT);
  // The object leaves its picture in the level, where it counts as ground.
  if (T.DRAWOBJECT == 1) DrawIntoLevel(w, T.ANIMSFRAME + 200, D(O.x) - 4, D(O.Y) - 4, O.owner, Origin::kLocal);
  // Away from the object, falling off with the square of the distance.
  if (!SpendVisits(w, LastIndex(w.Shots))) return;
  for (int32 j = 1; j <= LastIndex(w.Shots); ++j) {
    Shot& o = w.Shots[static_cast<std::size_t>(j)];
    if (!ShovedByExplosions(w, o)) continue;
    const double d2 = Dist2(o.x, o.Y, O.x, O.Y);
    const double dd = std::sqrt(d2 + 1);
    const double k = static_cast<double>(T.BLOW) * 100 / (d2 + 1);
    AddAcceleration(o.dx, o.dy, o.speed, fixed(D(o.x - O.x) / dd * k), fixed(D(o.Y - O.Y) / dd * k), false);
  }
}

void PlayerDied(World& w, int16 p, int16 killer, Origin origin) {
  if (p < 0 || p >= kMaxPlayerSlots) return;
  Player& pl = w.Players[static_cast<std::size_t>(p)];
  if (origin == Origin::kLocal) {
    int16& suicides = w.Suicides[static_cast<std::size_t>(p)];
    if (killer == p && suicides < INT16_MAX) ++suicides;
    if (!w.Networked()) {
      pl.Lives = static_cast<int16>(std::max<int>(pl.Lives - 1, INT16_MIN));
      if (killer != p && killer >= 0 && killer < kMaxPlayerSlots) {
        Player& k = w.Players[static_cast<std::size_t>(killer)];
        k.Kills = static_cast<int16>(std::min<int>(k.Kills + 1, INT16_MAX));
      }
    } else {
      // The server does the counting for every client alike.
      w.Events().SendKill(killer, p);
    }
    pl.Health = 100;
    for (int k = 0; k < 4; ++k) {
      const double r1 = w.Rand(), r2 = w.Rand();
      AddObj(w, pl.X, pl.Y, fixed(std::sin(kTwoPi * r1)), fixed(std::cos(kTwoPi * r2)), 0, p, 0);
    }
  }
  Respawn(w, p);
  pl.RopeState = 0;
  pl.Alive = kFalse;
  if (origin == Origin::kLocal) {
    w.Events().Sound(static_cast<int16>(16 + static_cast<int>(std::floor(w.Rand() * 3))));
    AddChatMsg(w, Trim(pl.Name) + (killer == p ? ": suicide" : " died"), Origin::kLocal);
  }
}

}  // namespace krel
