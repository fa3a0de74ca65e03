#include "client/weapons/shots.h"

#include "client/net/outgoing.h"
#include "client/weapons/entities.h"

namespace krel {

void AddShot(World& w, fixed x, fixed Y, fixed dx, fixed dy, int16 owner, int16 ty, int16 color, bool bywinsock) {
  if (ty < -1 || ty > 40) return;
  Shot s;
  s.ty = ty;
  s.owner = owner;
  s.x = x;
  s.Y = Y;
  s.dx = dx;
  s.dy = dy;
  s.color = color;
  s.speed = fixed(w.WeaponDefs[static_cast<std::size_t>(ty + 1)].SPEED);
  switch (Decide(w, owner, bywinsock)) {
    case Creation::kApply: w.Shots.push_back(s); break;
    case Creation::kSend: SendShot(w, s); break;
    case Creation::kDrop: break;
  }
}

void RemoveShot(World& w, int32 nr, bool) { RemoveEntity(w.Shots, nr); }

void MoveShots(World&) {}
void BonusDrop(World&) {}

}  // namespace krel
