// What a client sends, message by message (tag, then fields; see
// protocol/field_codec.h for the kinds):
//
//   "$KREL0.82.0.0"              greeting, first of all; checked once 15 bytes are in
//   "C" lives[4] loading[4] landc[6]   the client's settings; answered with the game's
//                                (a second one right after asks to play pipelined,
//                                answered with "P" version: see frame_queue.h)
//   "p" / "i" / "I" record       state of the client's next worm (first, second, ...)
//   "w" / "o" color[4] x Y dx dy[3] ty[2] owner[2]   a shot / an object
//   "s" 4[4] x Y dx dy[3] ty[2] owner[2]             a special object
//   "d" x[4] y[4] radius[4]      a dig
//   "f" killer victim            kill report, raw bytes in the client's numbering
//   "c" text 0                   a chat line
//
// What a client gets, once per cycle, in one write (the batch):
//
//   "n" count                    raw byte: worm slots in use
//   digs and chat of the cycle   in arrival order
//   own first worm               its events ("w"/"o"/"s" without owner), then its state
//   own second worm              the same
//   every other slot, ascending  the same
//
// So every client sees its own worms as 1 and 2 and the others from 3 on.
#include "server/session.h"

#include <algorithm>
#include <cstdio>

namespace krel {

Session::Session(Relay& relay, std::unique_ptr<Link> link, int serial_number)
    : serial(serial_number),
      relay_(relay),
      t_(relay.tables_),
      link_(std::move(link)),
      name_("client #" + std::to_string(serial) + " " + link_->Peer()) {}

std::string Session::Who() const {
  return name_ + " (slots " + std::to_string(FirstSlot) + "-" + std::to_string(FirstSlot + 1) + ")";
}

void Session::End(std::string reason) {
  if (end_reason.empty()) end_reason = std::move(reason);
}

int Session::calcplayer(int nr) const {
  if (nr == 1 || nr == 2) return FirstSlot + nr - 1;
  if (nr < FirstSlot + 2) return nr - 2;
  return nr;
}

void Session::applyKills(int playr) {
  SlotRecord& r = t_.Slots[playr];
  // Saturating: a score never wraps round, however long a game runs.
  r.Lives = static_cast<int16>(std::max(-32768, std::min(32767, r.Lives + r.PendingDeaths)));
  r.Kills = static_cast<int16>(std::max(-32768, std::min(32767, r.Kills + r.PendingKills)));
  r.PendingDeaths = 0;
  r.PendingKills = 0;
}

void Session::Arrived(std::string_view bytes) {
  // Bytes alone are no sign of life (a trickle of an endless chat line would
  // hold the game for ever): only complete state messages count, see TakeState.
  relay_.CountIn(bytes.size());
  RecvBuffer.append(bytes);
  Process();
}

void Session::Process() {
  std::size_t pos = 0;
  while (pos < RecvBuffer.size() && end_reason.empty()) {
    const char tag = RecvBuffer[pos];
    if (!greeted && tag != '$') {
      End("version rejected (no greeting)");
      break;
    }
    bool complete = true;
    switch (tag) {
      case '$': complete = TakeGreeting(pos); break;
      case 'C': complete = TakeConfig(pos); break;
      case 'p':
      case 'i':
      case 'I': complete = TakeState(pos, tag); break;
      case 'f': complete = TakeKill(pos); break;
      case 'w':
      case 'o':
      case 's': complete = TakeEvent(pos, tag); break;
      case 'd': complete = TakeDig(pos); break;
      case 'c': complete = TakeChat(pos); break;
      default: {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(tag));
        End(std::string("unknown message tag ") + code);
        break;
      }
    }
    if (!complete) break;
  }
  RecvBuffer.erase(0, pos);
  // The age of the unfinished message at the front, if any.
  if (pos > 0 || RecvBuffer.empty()) partial_ticks = 0;
  if (end_reason.empty() && RecvBuffer.size() > relay_.limits_.max_receive)
    End("receive buffer over " + std::to_string(relay_.limits_.max_receive) + " bytes without a complete message");
}

bool Session::TakeGreeting(std::size_t& pos) {
  std::string_view rest = std::string_view(RecvBuffer).substr(pos);
  if (rest.size() <= kVersionText.size() + 1) return false;
  if (rest.substr(0, kVersionText.size()) != kVersionText) {
    End("version rejected");
    return true;
  }
  greeted = true;
  pos += kVersionText.size();
  return true;
}

bool Session::TakeConfig(std::size_t& pos) {
  WireReader in(std::string_view(RecvBuffer).substr(pos + 1));
  int16 lives = 0, loading = 0;
  flag landc = kFalse;
  TakeField(in, lives, KindShort);
  TakeField(in, loading, KindShort);
  TakeField(in, landc, KindFlag);
  if (in.Incomplete) return false;
  pos += 1 + in.Consumed(std::string_view(RecvBuffer).substr(pos + 1));
  if (AskedForPipelining()) return true;
  if (t_.SessionConfig.empty()) {
    // The game's settings must be ones the option screen offers: a game with
    // no lives would end at once for everyone who joins later.
    const int16 lives_in = lives, loading_in = loading;
    lives = std::clamp<int16>(lives, kMinLives, kMaxLives);
    loading = std::clamp<int16>(loading, kMinLoading, kMaxLoading);
    if (lives != lives_in || loading != loading_in)
      relay_.hooks_.Event(Who() + " asked for lives " + std::to_string(lives_in) + ", loading " +
                          std::to_string(loading_in) + ": the game uses " + std::to_string(lives) + ", " +
                          std::to_string(loading));
    t_.SessionConfig.assign(1, 'C');
    AppendField(t_.SessionConfig, lives, 0, KindShort);
    AppendField(t_.SessionConfig, loading, 0, KindShort);
    AppendField(t_.SessionConfig, landc, 0, KindFlag);
  }
  link_->Send(t_.SessionConfig);
  relay_.CountOut(t_.SessionConfig.size());
  if (!offline_watch) {
    offline_watch = true;
    grace = true;
    LastDataTick = Ticks;
  }
  return true;
}

bool Session::TakeState(std::size_t& pos, char tag) {
  any_state_ = true;
  if (frames_) return TakeQueuedState(pos, tag);
  const int s = FirstSlot + SlotToggle;
  std::string_view body = std::string_view(RecvBuffer).substr(pos + 1);
  WireReader in(body);
  // Decoded into a copy: nothing of a partial message reaches the table.
  SlotRecord worm = t_.Slots[s];
  DecodeWormState(tag, in, worm);
  if (in.Incomplete) return false;
  pos += 1 + in.Consumed(body);
  t_.Slots[s] = worm;
  LastDataTick = Ticks;
  grace = false;
  applyKills(s);

  EncodeSlotUpdate(t_.SlotUpdate[s], tag, t_.Slots[s], t_.SentSlots[s],
                   t_.SendWhole[s] ? WormRefs::Whole : WormRefs::Server);

  if (relay_.listening_ && t_.Slots[s].Alive != kFalse) relay_.GameStarted();
  if (++states_this_cycle == 2) waiting_since = relay_.ticks_;
  relay_.IGotData(s);
  SlotToggle = 1 - SlotToggle;
  return true;
}

bool Session::TakeKill(std::size_t& pos) {
  if (RecvBuffer.size() - pos < 3) return false;
  const int killer = calcplayer(static_cast<unsigned char>(RecvBuffer[pos + 1]));
  const int victim = calcplayer(static_cast<unsigned char>(RecvBuffer[pos + 2]));
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
  if (victim != FirstSlot && victim != FirstSlot + 1) return true;
  // A worm that left in this cycle may still be named; it has no score now.
  auto in_use = [&](int slot) { return slot >= 1 && slot <= relay_.players_online_; };
  if (in_use(victim)) t_.Slots[victim].PendingDeaths = -1;
  if (killer != victim && in_use(killer)) t_.Slots[killer].PendingKills = 1;
  return true;
}

bool Session::TakeEvent(std::size_t& pos, char tag) {
  std::string_view body = std::string_view(RecvBuffer).substr(pos + 1);
  WireReader in(body);
  fixed first, x, y, dx, dy;
  int16 ty = 0, owner = 0;
  TakeField(in, first, KindShort);
  for (fixed* v : {&x, &y, &dx, &dy}) TakeField(in, *v, KindFixed);
  TakeField(in, ty, KindByte);
  TakeField(in, owner, KindByte);
  if (in.Incomplete) return false;
  pos += 1 + in.Consumed(body);
  if (owner != 1 && owner != 2) {
    End("event with owner byte " + std::to_string(owner) + " (only 1 or 2 are worms of a client)");
    return true;
  }
  if (!EventInRange(tag, x, y, ty)) {
    End(std::string("\"") + tag + "\" at " + std::to_string(x.ToDouble()) + "," + std::to_string(y.ToDouble()) +
        " of type " + std::to_string(ty) + ": outside what a game creates");
    return true;
  }
  std::string message(1, tag);
  AppendField(message, first, 0, KindShort);
  for (fixed v : {x, y, dx, dy}) AppendField(message, v, 0, KindFixed);
  AppendField(message, ty, 0, KindByte);
  if (CountOrEnd(tag, message.size())) AddExtras(FirstSlot + owner - 1, message);
  return true;
}

bool Session::TakeDig(std::size_t& pos) {
  std::string_view body = std::string_view(RecvBuffer).substr(pos + 1);
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
  std::size_t zero = RecvBuffer.find('\0', pos);
  if (zero == std::string::npos) return false;
  if (CountOrEnd('c', zero + 1 - pos)) AddExtras(0, std::string_view(RecvBuffer).substr(pos, zero + 1 - pos));
  pos = zero + 1;
  return true;
}

bool Session::CountOrEnd(char tag, std::size_t bytes) {
  if (CountEvent(events_this_cycle, tag, bytes, kFrameEventBound)) return true;
  End(EventBoundText(tag, kFrameEventBound) + " in one cycle");
  return false;
}

void Session::AddExtras(int slot, std::string_view message) {
  std::string& extras = t_.SlotExtras[slot];
  if (extras.size() + message.size() > relay_.limits_.max_extras) {
    End("more than " + std::to_string(relay_.limits_.max_extras) + " bytes of events in one cycle");
    return;
  }
  extras.append(message);
}

void Session::SendNow() {
  if (!link_->Connected()) return;
  std::string& batch = relay_.batch_;
  batch.assign(1, 'n');
  AppendRawByte(batch, relay_.players_online_);
  batch += t_.SlotExtras[0];
  for (int s : {FirstSlot, FirstSlot + 1}) {
    batch += t_.SlotExtras[s];
    batch += t_.SlotUpdate[s];
  }
  for (int i = 1; i <= relay_.players_online_; ++i) {
    if (i == FirstSlot || i == FirstSlot + 1) continue;
    batch += t_.SlotExtras[i];
    batch += t_.SlotUpdate[i];
  }
  relay_.CountOut(batch.size());
  link_->Send(batch);
  if (link_->Queued() > relay_.limits_.max_queued)
    End("not reading: more than " + std::to_string(relay_.limits_.max_queued) + " bytes queued");
}

}  // namespace krel
