// Particle objects and special objects: creation, removal and one frame of
// each. As with shots, elements are reached by index because explosions and
// deaths append to the arrays while an element is being moved.
#include "client/simulation/weapons/objects.h"

#include <algorithm>
#include <cmath>

#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/contact.h"
#include "client/simulation/weapons/entities.h"
#include "client/simulation/weapons/explosions.h"
#include "client/simulation/weapons/frame_budget.h"
#include "client/simulation/worms/motion.h"

namespace krel {

namespace {

Outcome WormContact(World& w, int32 i, const ObjDef& T) {
  const double range = T.WORMDETECTRANGE + 4.0;
  for (int p = 1; p < kMaxPlayerSlots; ++p) {
    Player& pl = w.Players[static_cast<std::size_t>(p)];
    const Obj o = w.Objs[static_cast<std::size_t>(i)];
    // Objects touch at exactly the range too.
    if (!(ContactDist2(w, p, o.x, o.Y) <= range * range) || pl.Alive == kFalse) continue;
    if (T.WORMEXPLODE == 1) {
      ExplodeObj(w, i);
      PushWorm(pl, o.x, o.Y, T.BLOW);
    }
    if (T.HITDAMAGE >= 1) {
      if (p == 1 || p == 2) {
        TakeHealth(pl, T.HITDAMAGE);
        PlayHurtSound(w);
      }
      if (pl.Health < 1) PlayerDied(w, static_cast<int16>(p), o.owner, Origin::kLocal);
    }
    if (T.WORMREMOVE == 1 || T.WORMEXPLODE == 1) {
      RemoveObj(w, i);
      return StatusOf(w.Objs, i);
    }
  }
  return Outcome::kGoesOn;
}

// One movement step of object i; false ends the step loop.
bool Step(World& w, int32 i, const ObjDef& T, Outcome& out) {
  {
    Obj& o = w.Objs[static_cast<std::size_t>(i)];
    if (o.steps < INT32_MAX) ++o.steps;
    if (T.OTRAILTYPE != 0 && TrailDue(o.steps, T.OTRAILDELAY) && SpendPiece(w))
      AddSObj(w, o.x, o.Y, o.dx, o.dy, o.owner, T.OTRAILTYPE);
  }
  if (T.WORMEXPLODE == 1 || T.WORMREMOVE == 1) {
    out = WormContact(w, i, T);
    if (out != Outcome::kGoesOn) return false;  // a removed object does nothing more this frame
  }
  Obj& o = w.Objs[static_cast<std::size_t>(i)];
  if (!IsPassable(w, D(o.x), D(o.Y))) {
    if (T.GROUNDREMOVE == 1) {
      ExplodeObj(w, i);
      RemoveObj(w, i);
      out = StatusOf(w.Objs, i);
      return false;
    }
    BounceOffGround(w, o, T.BOUNCE);
  }
  o.x += o.dx;
  o.Y += o.dy;
  return true;
}

// One frame of object i; false when it was cut off the array.
bool MoveOne(World& w, int32 i) {
  const ObjDef& T =
      w.ObjDefs[static_cast<std::size_t>(std::clamp<int>(w.Objs[static_cast<std::size_t>(i)].ty, 0, kObjSlots - 1))];
  int32 n = 0;
  {
    Obj& o = w.Objs[static_cast<std::size_t>(i)];
    AddAcceleration(o.dx, o.dy, o.speed, 0, fixed(T.GRAVITY / 500.0), false);
    if (o.age < INT16_MAX) ++o.age;
    n = MoveSubSteps(o.speed);
  }
  Outcome out = Outcome::kGoesOn;
  // Out of steps for this frame, the object waits where it is.
  for (int32 k = 0; k < n && SpendStep(w); ++k)
    if (!Step(w, i, T, out)) break;
  if (out == Outcome::kCut) return false;
  if (out == Outcome::kRemoved) return true;
  const double r = w.Rand();
  if (TimeIsUp(w.Objs[static_cast<std::size_t>(i)].age, T.TIMETOEXPLODE, T.TIMETOEXPLODEV, r)) {
    ExplodeObj(w, i);
    RemoveObj(w, i);
    if (Gone(w.Objs, i)) return false;
  }
  return true;
}

// The first frame of special object i: hurt and push the worms in range,
// change the level.
void Blast(World& w, int32 i, const SObjDef& T) {
  const double range = T.WORMDETECTRANGE;
  for (int p = 1; p < kMaxPlayerSlots; ++p) {
    Player& pl = w.Players[static_cast<std::size_t>(p)];
    const SObj s = w.SObjs[static_cast<std::size_t>(i)];
    if (pl.Alive == kFalse || !(Dist2(pl.Y, pl.X, s.Y, s.x) < range * range)) continue;
    if (p == 1 || p == 2) {
      TakeHealth(pl, T.DAMAGE);
      PlayHurtSound(w);
    }
    if (pl.Health < 1) PlayerDied(w, static_cast<int16>(p), s.owner, Origin::kLocal);
    PushWorm(pl, s.x, s.Y, T.BLOWAWAY);
  }
  const SObj s = w.SObjs[static_cast<std::size_t>(i)];
  if (std::optional<int16> r = MapChangeRadius(T.MAPCHANGE))
    Dig(w, s.x.ToInt16(), s.Y.ToInt16(), *r, s.owner, Origin::kLocal);
}

}  // namespace

void AddObj(World& w, fixed x, fixed Y, fixed dx, fixed dy, int16 owner, int16 ty, int16 color, Origin origin) {
  if (ty < 0 || ty >= kObjSlots) return;
  const Obj o = MakeEntity(x, Y, dx, dy, owner, ty, color, w.ObjDefs[static_cast<std::size_t>(ty)].SPEED);
  const Creation c = Decide(w, owner, origin, 'o', ty);
  if (c == Creation::kApply || c == Creation::kApplyAndSend) AppendBounded(w.Objs, o, kMaxObjs);
  if (c == Creation::kSend || c == Creation::kApplyAndSend) w.Events().SendObject(o);
}

void AddSObj(World& w, fixed x, fixed Y, fixed dx, fixed dy, int16 owner, int16 ty, Origin origin) {
  if (ty < 0 || ty >= kSObjSlots) return;
  const SObj s = MakeEntity(x, Y, dx, dy, owner, ty, 0, 0);
  const Creation c = Decide(w, owner, origin, 's', ty);
  if ((c == Creation::kApply || c == Creation::kApplyAndSend) && AppendBounded(w.SObjs, s, kMaxSObjs)) {
    const SObjDef& t = w.SObjDefs[static_cast<std::size_t>(ty)];
    if (t.FIRSTSOUND != 0)
      w.Events().Sound(static_cast<int16>(t.FIRSTSOUND + static_cast<int>(std::floor(t.NUMSOUNDS * w.Rand()))));
  }
  if (c == Creation::kSend || c == Creation::kApplyAndSend) w.Events().SendSpecialObject(s);
}

void RemoveObj(World& w, int32 nr) { RemoveEntity(w.Objs, nr); }
void RemoveSObj(World& w, int32 nr) { RemoveEntity(w.SObjs, nr); }

void ParticleMove(World& w) {
  ReclaimDead(w.Objs, kMaxObjs);
  for (int32 i = 1; i <= LastIndex(w.Objs); ++i) {
    if (w.Objs[static_cast<std::size_t>(i)].removed != kFalse) continue;
    if (!MoveOne(w, i)) return;
  }
}

void SObjMove(World& w) {
  const FrameBudgetCloser last_mover(w);
  ReclaimDead(w.SObjs, kMaxSObjs);
  for (int32 i = 1; i <= LastIndex(w.SObjs); ++i) {
    if (w.SObjs[static_cast<std::size_t>(i)].removed != kFalse) continue;
    const SObjDef& T = w.SObjDefs[static_cast<std::size_t>(std::clamp<int>(w.SObjs[static_cast<std::size_t>(i)].ty, 0,
                                                                           kSObjSlots - 1))];
    if (w.SObjs[static_cast<std::size_t>(i)].age == 0) {
      if (!SpendExplosion(w)) continue;  // beyond the frame's budget the blast waits, unaged
      Blast(w, i, T);
    }
    SObj& s = w.SObjs[static_cast<std::size_t>(i)];
    if (s.age < INT16_MAX) ++s.age;
    if (s.age >= static_cast<int>(T.ANIMDELAY) * T.ANIMFRAMES) {
      RemoveSObj(w, i);
      if (Gone(w.SObjs, i)) return;
    }
  }
}

}  // namespace krel
