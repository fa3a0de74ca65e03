// The client's own events in a network game, written for the server (see
// protocol/field_codec.h for the field kinds). Every numeric field is
// compared with the reference 0:
//
//   "w" / "o"  color[4] x Y dx dy[3] ty[2] owner[2]
//   "s"        4[4] x Y dx dy[3] ty[2] owner[2]
//   "d"        x[4] y[4] radius[4]
//   "D"        tile[4] x[4] y[4]     open play only (protocol/open_play.h)
//   "f"        killer victim            raw bytes, this client's numbering
#include "client/net/outgoing.h"

#include "client/net/net_client.h"
#include "client/state/prediction.h"
#include "protocol/event_limits.h"
#include "protocol/field_codec.h"

namespace krel {

namespace {

// What the relay would refuse is dropped here, as a full table drops a
// creation: more events in one frame than kFrameEventBound (a weapon file
// far beyond the shipped one, a respawn in solid rock), or places no level
// has. The shipped game never comes near.
bool Fits(World& w, char tag) { return w.net == nullptr || CountEvent(w.net->FrameEvents, tag, 0, kFrameEventBound); }

bool Fits(World& w, const Entity& e, char tag) { return EventInRange(tag, e.x, e.Y, e.ty) && Fits(w, tag); }

void Fields(std::string& out, const Entity& e, fixed first) {
  AppendField(out, first, 0, KindShort);
  for (fixed v : {e.x, e.Y, e.dx, e.dy}) AppendField(out, v, 0, KindFixed);
  AppendField(out, e.ty, 0, KindByte);
  AppendField(out, e.owner, 0, KindByte);
}

// Appends the event; one this client also applied at once is remembered,
// so that its echo in a batch is known (client/net/predictions.h).
void SendEvent(World& w, char tag, const Entity& e, fixed first) {
  if (!Fits(w, e, tag)) return;
  w.OutBuffer += tag;
  const std::size_t start = w.OutBuffer.size();
  Fields(w.OutBuffer, e, first);
  if (w.net != nullptr && PredictedCreation(w, tag, e.ty)) {
    // The relay sends the fields back as they came, less the owner byte.
    const std::string_view body(w.OutBuffer.data() + start, w.OutBuffer.size() - start - 1);
    w.net->Predicted.Remember(tag, e.owner, body, TickCount(w));
  }
}

}  // namespace

void SendShot(World& w, const Shot& s) { SendEvent(w, 'w', s, s.color); }
void SendObj(World& w, const Obj& o) { SendEvent(w, 'o', o, o.color); }
void SendSObj(World& w, const SObj& s) { SendEvent(w, 's', s, 4); }  // 4: a constant the receiver ignores

void SendDig(World& w, int16 x, int16 y, int16 radius) {
  if (!DigInRange(x, y, radius) || !Fits(w, 'd')) return;
  w.OutBuffer += 'd';
  for (int16 v : {x, y, radius}) AppendField(w.OutBuffer, v, 0, KindShort);
}

void SendDrawing(World& w, int32 tile, int32 x, int32 y) {
  if (!DrawingInRange(tile, x, y) || !Fits(w, 'D')) return;
  w.OutBuffer += 'D';
  for (int32 v : {tile, x, y}) AppendField(w.OutBuffer, static_cast<int16>(v), 0, KindShort);
}

void SendKill(World& w, int16 killer, int16 victim) {
  w.OutBuffer += 'f';
  AppendRawByte(w.OutBuffer, killer);
  AppendRawByte(w.OutBuffer, victim);
}

}  // namespace krel
