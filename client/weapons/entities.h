// The live arrays Shots, Objs and SObjs share one organisation: element 0 is
// a placeholder, live elements follow, new ones are appended, and a removal
// only marks its element and then cuts every dead element off the end. So
// an index held during a frame stays valid unless its own element was cut
// off, which the movers test with Gone().
#pragma once

#include <vector>

#include "client/core/world.h"

namespace krel {

inline int32 LastIndex(const std::vector<Entity>& a) { return static_cast<int32>(a.size()) - 1; }

// True when element nr is no longer in the array (it was cut off).
inline bool Gone(const std::vector<Entity>& a, int32 nr) { return nr > LastIndex(a); }

// How an element fares in a step of its mover: goes on, was removed (and
// does nothing more this frame), or was cut off the array.
enum class Outcome { kGoesOn, kRemoved, kCut };
inline Outcome StatusOf(const std::vector<Entity>& a, int32 nr) {
  if (Gone(a, nr)) return Outcome::kCut;
  return a[static_cast<std::size_t>(nr)].removed != kFalse ? Outcome::kRemoved : Outcome::kGoesOn;
}

// A new element: age 0, steps 0, not removed.
inline Entity MakeEntity(fixed x, fixed Y, fixed dx, fixed dy, int16 owner, int16 ty, int16 color, fixed speed) {
  Entity e;
  e.ty = ty;
  e.owner = owner;
  e.x = x;
  e.Y = Y;
  e.dx = dx;
  e.dy = dy;
  e.color = color;
  e.speed = speed;
  return e;
}

inline void RemoveEntity(std::vector<Entity>& a, int32 nr) {
  if (nr >= 1 && nr <= LastIndex(a)) a[static_cast<std::size_t>(nr)].removed = kTrue;
  while (a.size() > 1 && a.back().removed != kFalse) a.pop_back();
}

// The three-way decision of every creation: apply locally in a local game or
// when the request came from the network; otherwise a connected client
// hands requests of its own worms (1 and 2) to the server and drops the rest.
enum class Creation { kApply, kSend, kDrop };
inline Creation Decide(const World& w, int16 owner, bool bywinsock) {
  if (w.wsState == 0 || bywinsock) return Creation::kApply;
  if ((owner == 1 || owner == 2) && w.wsState == 7) return Creation::kSend;
  return Creation::kDrop;
}

}  // namespace krel
