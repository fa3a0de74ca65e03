#include "client/weapons/objects.h"

#include <cmath>

#include "client/net/outgoing.h"
#include "client/present/sound.h"
#include "client/weapons/entities.h"

namespace krel {

void AddObj(World& w, fixed x, fixed Y, fixed dx, fixed dy, int16 owner, int16 ty, int16 color, bool bywinsock) {
  if (ty < 0 || ty >= kObjSlots) return;
  Obj o;
  o.ty = ty;
  o.owner = owner;
  o.x = x;
  o.Y = Y;
  o.dx = dx;
  o.dy = dy;
  o.color = color;
  o.speed = fixed(w.ObjDefs[static_cast<std::size_t>(ty)].SPEED);
  switch (Decide(w, owner, bywinsock)) {
    case Creation::kApply: w.Objs.push_back(o); break;
    case Creation::kSend: SendObj(w, o); break;
    case Creation::kDrop: break;
  }
}

void AddSObj(World& w, fixed x, fixed Y, fixed dx, fixed dy, int16 owner, int16 ty, bool bywinsock) {
  if (ty < 0 || ty >= kSObjSlots) return;
  SObj s;
  s.ty = ty;
  s.owner = owner;
  s.x = x;
  s.Y = Y;
  s.dx = dx;
  s.dy = dy;
  switch (Decide(w, owner, bywinsock)) {
    case Creation::kApply: {
      w.SObjs.push_back(s);
      const SObjDef& t = w.SObjDefs[static_cast<std::size_t>(ty)];
      if (t.FIRSTSOUND != 0)
        PlaySound(w, static_cast<int16>(t.FIRSTSOUND + static_cast<int>(std::floor(t.NUMSOUNDS * w.Rand()))));
      break;
    }
    case Creation::kSend: SendSObj(w, s); break;
    case Creation::kDrop: break;
  }
}

void RemoveObj(World& w, int32 nr, bool) { RemoveEntity(w.Objs, nr); }
void RemoveSObj(World& w, int32 nr, bool) { RemoveEntity(w.SObjs, nr); }

void ParticleMove(World&) {}
void SObjMove(World&) {}

}  // namespace krel
