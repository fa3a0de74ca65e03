// The live arrays Shots, Objs and SObjs share one organisation: element 0 is
// a placeholder, live elements follow, new ones are appended, and a removal
// only marks its element and then cuts every dead element off the end. So
// an index held during a frame stays valid unless its own element was cut
// off, which the movers test with Gone().
//
// Each array also has a bound on its length. A weapon file can make objects
// that explode into copies of themselves; without a bound such a chain grows
// until memory runs out, and dead elements in the middle, never reused by
// appending, fill memory even when few are alive. So an append to a full
// array is dropped, and where no index into an array is held (at the start
// of its mover) dead elements are squeezed out once the array has grown to
// half its bound. Squeezing keeps the live elements in their order, and
// nothing outside a mover's own frame loop holds an index, so the game plays
// exactly as without it; honest games (the shipped weapon file, both worms
// firing any weapon without pause) stay below a tenth of every bound and
// never squeeze at all.
#pragma once

#include <algorithm>
#include <vector>

#include "client/state/prediction.h"
#include "client/state/world.h"

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

// The longest each array may grow (elements after the placeholder). Each
// element moved costs up to 1,068 steps with worm and ground tests, and an
// explosion visits every shot, so the bounds also keep one frame's work
// finite: a frame of full arrays takes seconds, not hours.
inline constexpr int32 kMaxShots = 4096;
inline constexpr int32 kMaxObjs = 16384;
inline constexpr int32 kMaxSObjs = 8192;

// Appends e unless the array is full; false when e was dropped.
inline bool AppendBounded(std::vector<Entity>& a, const Entity& e, int32 bound) {
  if (LastIndex(a) >= bound) return false;
  a.push_back(e);
  return true;
}

// Squeezes the dead elements out of an array that has grown to half its
// bound, keeping the live ones in their order. Only where no index into the
// array is held.
inline void ReclaimDead(std::vector<Entity>& a, int32 bound) {
  if (LastIndex(a) < bound / 2) return;
  a.erase(std::remove_if(a.begin() + 1, a.end(), [](const Entity& e) { return e.removed != kFalse; }), a.end());
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

// The decision of every creation: apply locally in a local game or when the
// request came from the network; otherwise a connected client hands
// requests of its own worms (1 and 2) to the server, and in pipelined play
// also applies the predicted ones at once (client/state/prediction.h); it
// drops the rest.
enum class Creation { kApply, kSend, kApplyAndSend, kDrop };
inline Creation Decide(const World& w, int16 owner, Origin origin, char tag, int16 ty) {
  if (!w.Networked() || origin == Origin::kNetwork) return Creation::kApply;
  if ((owner == 1 || owner == 2) && w.Connection == ConnectionState::kConnected)
    return PredictedCreation(w, tag, ty) ? Creation::kApplyAndSend : Creation::kSend;
  return Creation::kDrop;
}

}  // namespace krel
