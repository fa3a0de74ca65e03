// The events a client files for the cycle: kill reports, shots, objects,
// special objects, digs, drawings into the level and chat lines (their
// layout: session.cpp).
#include <algorithm>
#include <string>

#include <utility>

#include "protocol/open_play.h"

#include "server/session.h"

namespace krel {

bool Session::TakeKill(std::size_t& pos) {
  if (receive_buffer.size() - pos < 3) return false;
  const int killer = SlotOfPlayerNumber(static_cast<unsigned char>(receive_buffer[pos + 1]));
  const int victim = SlotOfPlayerNumber(static_cast<unsigned char>(receive_buffer[pos + 2]));
  pos += 3;
  if (!in_game || watching) return true;
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
  // A spectator has no worms that dig.
  if (watching) return true;
  std::string message = "d";
  for (fixed v : {x, y, radius}) AppendField(message, v, 0, KindShort);
  if (CountOrEnd('d', message.size())) AddExtras(0, message);
  return true;
}

bool Session::TakeDrawing(std::size_t& pos) {
  std::string_view body = std::string_view(receive_buffer).substr(pos + 1);
  WireReader in(body);
  int16 tile = 0, x = 0, y = 0;
  for (int16* v : {&tile, &x, &y}) TakeField(in, *v, KindShort);
  if (in.Incomplete) return false;
  pos += 1 + in.Consumed(body);
  if (!DrawingInRange(tile, x, y)) {
    End("picture " + std::to_string(tile) + " drawn at " + std::to_string(x) + "," + std::to_string(y) +
        ": outside what a game draws");
    return true;
  }
  // A spectator's objects are none of its own: it has nothing to draw.
  if (watching) return true;
  std::string message = "D";
  for (int16 v : {tile, x, y}) AppendField(message, v, 0, KindShort);
  const std::string& events = tables_.cycle_events[0];
  const std::size_t at = events.size();
  if (CountOrEnd('D', message.size())) AddExtras(0, message);
  if (events.size() > at) tables_.cycle_drawings.emplace_back(at, events.size() - at);
  return true;
}

bool Session::TakeChat(std::size_t& pos) {
  std::size_t zero = receive_buffer.find('\0', pos);
  if (zero == std::string::npos) return false;
  if (CountOrEnd('c', zero + 1 - pos) && ChatAllowed())
    AddExtras(0, std::string_view(receive_buffer).substr(pos, zero + 1 - pos));
  pos = zero + 1;
  return true;
}

bool Session::ChatAllowed() {
  // Clients of the basic protocol type nothing: their death lines pass as
  // they always did.
  if (!open_play) return true;
  // A line more is allowed every kTicksPerChatLine ticks, up to kChatBurst at
  // once; lines beyond are not relayed (the client stays).
  const int earned = (relay_.ticks_ - chat_refill_tick_) / kTicksPerChatLine;
  if (earned > 0) {
    chat_tokens_ = std::min(kChatBurst, chat_tokens_ + earned);
    chat_refill_tick_ += earned * kTicksPerChatLine;
  }
  if (chat_tokens_ == 0) {
    if (!chat_dropped_) relay_.hooks_.Event(Who() + " sends chat lines too fast: the rest are dropped");
    chat_dropped_ = true;
    return false;
  }
  chat_dropped_ = false;
  --chat_tokens_;
  return true;
}

bool Session::CountOrEnd(char tag, std::size_t bytes) {
  if (CountEvent(events_this_cycle, tag, bytes, kFrameEventBound)) return true;
  End(EventBoundText(tag, kFrameEventBound) + " in one cycle");
  return false;
}

bool Session::TakeLevel(std::size_t& pos) {
  std::string_view rest = std::string_view(receive_buffer).substr(pos);
  if (rest.size() < 5) return false;
  WireReader in(rest.substr(1));
  std::uint32_t length = 0;
  TakeRawLong(in, length);
  if (length > kMaxLevelSnapshotBytes) {
    End("a level of " + std::to_string(length) + " bytes (at most " + std::to_string(kMaxLevelSnapshotBytes) + ")");
    return true;
  }
  if (rest.size() - 5 < length) {
    long_message = 5 + length;
    return false;
  }
  long_message = 0;
  relay_.LevelArrived(*this, rest.substr(5, length));
  pos += 5 + length;
  return true;
}

bool Session::TakeLevelCheck(std::size_t& pos) {
  std::string_view body = std::string_view(receive_buffer).substr(pos + 1);
  WireReader in(body);
  int32 batch = 0;
  std::uint32_t checksum = 0;
  TakeField(in, batch, KindLong);
  if (in.Incomplete || !TakeRawLong(in, checksum)) return false;
  pos += 1 + in.Consumed(body);
  relay_.LevelReported(*this, batch, checksum);
  return true;
}

bool Session::TakeWatch(std::size_t& pos) {
  ++pos;
  if (!watching)
    relay_.StartWatching(*this);
  else
    watch_ready = true;
  return true;
}

bool Session::TakeReturnToken(std::size_t& pos) {
  if (receive_buffer.size() - pos < 1 + kReturnTokenBytes) return false;
  // Only before it plays: a client in the game has nothing to return to.
  if (!in_game && !returning) relay_.Returning(*this, receive_buffer.substr(pos + 1, kReturnTokenBytes));
  pos += 1 + kReturnTokenBytes;
  return true;
}

bool Session::TakeFileRequest(std::size_t& pos) {
  if (receive_buffer.size() - pos < 2) return false;
  const char which = receive_buffer[pos + 1];
  pos += 2;
  const bool level = which == 'V';
  const std::string& file = level ? relay_.level_file_message_ : relay_.arms_file_message_;
  if ((!level && which != 'F') || file.empty()) {
    End(std::string("asked for a file the server does not name (") + (level || which == 'F' ? which : '?') + ")");
    return true;
  }
  // Each file goes at most once: asking again gets nothing.
  if (std::exchange(level ? level_file_sent : arms_file_sent, true)) return true;
  link_->Send(file);
  relay_.CountOut(file.size());
  relay_.hooks_.Event(Who() + " has other " + (level ? "level" : "weapon") + " file: sent the server's (" +
                      std::to_string(file.size() - 9) + " bytes)");
  return true;
}

void Session::AddExtras(int slot, std::string_view message) {
  // A client that has not entered the game yet has nothing to add to it, a
  // spectator nothing but chat.
  if (!in_game || (watching && slot != 0)) return;
  std::string& extras = tables_.cycle_events[slot];
  if (extras.size() + message.size() > relay_.limits_.max_extras) {
    End("more than " + std::to_string(relay_.limits_.max_extras) + " bytes of events in one cycle");
    return;
  }
  extras.append(message);
}

}  // namespace krel
