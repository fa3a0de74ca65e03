// Which creations of this client's own worms a pipelined client applies at
// once (and sends all the same), instead of waiting for the batch to bring
// them back: shots, objects and special objects, except objects that draw
// themselves into the level, because the level may change only through
// what every client applies in the batch's order. Digs and kill reports
// always wait for the batch. The simulation decides with this, and the
// network session with the same rule knows which echoes to drop.
#pragma once

#include "client/state/world.h"

namespace krel {

// tag: 'w' shot, 'o' object, 's' special object; ty: its type.
inline bool PredictedCreation(const World& w, char tag, int16 ty) {
  if (!w.NetStats.PredictOwn) return false;
  if (tag != 'o') return true;
  return ty >= 0 && ty < kObjSlots && w.ObjDefs[static_cast<std::size_t>(ty)].DRAWOBJECT != 1;
}

}  // namespace krel
