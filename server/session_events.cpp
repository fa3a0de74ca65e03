// The events a client files for the cycle: kill reports, shots, objects,
// special objects, digs and chat lines (their layout: session.cpp).
#include <string>

#include "server/session.h"

namespace krel {

bool Session::TakeKill(std::size_t& pos) {
  if (receive_buffer.size() - pos < 3) return false;
  const int killer = SlotOfPlayerNumber(static_cast<unsigned char>(receive_buffer[pos + 1]));
  const int victim = SlotOfPlayerNumber(static_cast<unsigned char>(receive_buffer[pos + 2]));
  pos += 3;
  for (int slot : {killer, victim}) {
    if (slot < 0 || slot > kLastSlot) {
      End("kill report names slot " + std::to_string(slot) + ", outside the table");
      return true;
    }
  }
  // A client answers only for its own worms: a report of another's death is
  // ignored (a report naming a worm it holds elsewhere cannot be told from a
  // forged one, and the owner reports its own worms' deaths in any case).
  if (victim != first_slot && victim != first_slot + 1) return true;
  // A worm that left in this cycle may still be named; it has no score now.
  auto in_use = [&](int slot) { return slot >= 1 && slot <= relay_.players_online_; };
  if (in_use(victim)) tables_.slots[victim].PendingDeaths = -1;
  if (killer != victim && in_use(killer)) tables_.slots[killer].PendingKills = 1;
  return true;
}

bool Session::TakeEvent(std::size_t& pos, char tag) {
  std::string_view body = std::string_view(receive_buffer).substr(pos + 1);
  WireReader in(body);
  fixed first, x, y, dx, dy;
  int16 type = 0, owner = 0;
  TakeField(in, first, KindShort);
  for (fixed* v : {&x, &y, &dx, &dy}) TakeField(in, *v, KindFixed);
  TakeField(in, type, KindByte);
  TakeField(in, owner, KindByte);
  if (in.Incomplete) return false;
  pos += 1 + in.Consumed(body);
  if (owner != 1 && owner != 2) {
    End("event with owner byte " + std::to_string(owner) + " (only 1 or 2 are worms of a client)");
    return true;
  }
  if (!EventInRange(tag, x, y, type)) {
    End(std::string("\"") + tag + "\" at " + std::to_string(x.ToDouble()) + "," + std::to_string(y.ToDouble()) +
        " of type " + std::to_string(type) + ": outside what a game creates");
    return true;
  }
  std::string message(1, tag);
  AppendField(message, first, 0, KindShort);
  for (fixed v : {x, y, dx, dy}) AppendField(message, v, 0, KindFixed);
  AppendField(message, type, 0, KindByte);
  if (CountOrEnd(tag, message.size())) AddExtras(first_slot + owner - 1, message);
  return true;
}

bool Session::TakeDig(std::size_t& pos) {
  std::string_view body = std::string_view(receive_buffer).substr(pos + 1);
  WireReader in(body);
  fixed x, y, radius;
  for (fixed* v : {&x, &y, &radius}) TakeField(in, *v, KindShort);
  if (in.Incomplete) return false;
  pos += 1 + in.Consumed(body);
  if (!DigInRange(x.ToInt16(), y.ToInt16(), radius.ToInt16())) {
    End("dig at " + std::to_string(x.ToInt16()) + "," + std::to_string(y.ToInt16()) + " of radius " +
        std::to_string(radius.ToInt16()) + ": outside what a game digs");
    return true;
  }
  std::string message = "d";
  for (fixed v : {x, y, radius}) AppendField(message, v, 0, KindShort);
  if (CountOrEnd('d', message.size())) AddExtras(0, message);
  return true;
}

bool Session::TakeChat(std::size_t& pos) {
  std::size_t zero = receive_buffer.find('\0', pos);
  if (zero == std::string::npos) return false;
  if (CountOrEnd('c', zero + 1 - pos)) AddExtras(0, std::string_view(receive_buffer).substr(pos, zero + 1 - pos));
  pos = zero + 1;
  return true;
}

bool Session::CountOrEnd(char tag, std::size_t bytes) {
  if (CountEvent(events_this_cycle, tag, bytes, kFrameEventBound)) return true;
  End(EventBoundText(tag, kFrameEventBound) + " in one cycle");
  return false;
}

void Session::AddExtras(int slot, std::string_view message) {
  std::string& extras = tables_.cycle_events[slot];
  if (extras.size() + message.size() > relay_.limits_.max_extras) {
    End("more than " + std::to_string(relay_.limits_.max_extras) + " bytes of events in one cycle");
    return;
  }
  extras.append(message);
}

}  // namespace krel
