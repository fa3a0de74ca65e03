// What a client sends, message by message (tag, then fields; see
// protocol/field_codec.h for the kinds):
//
//   "$KREL0.82.0.0"              greeting, first of all; checked once 15 bytes are in
//   "C" lives[4] loading[4] landc[6]   the client's settings; answered with the game's
//                                (a second one right after: protocol/pipelined.h)
//   "p" / "i" / "I" record       state of the client's next worm (first, second, ...)
//   "w" / "o" color[4] x Y dx dy[3] ty[2] owner[2]   a shot / an object
//   "s" 4[4] x Y dx dy[3] ty[2] owner[2]             a special object
//   "d" x[4] y[4] radius[4]      a dig
//   "f" killer victim            kill report, raw bytes in the client's numbering
//   "c" text 0                   a chat line
//   "R"                          pipelined clients only: the next frame starts
//                                the client's game again (protocol/pipelined.h)
//   "G" stamp[5]                 answer to a round-trip probe (protocol/round_trip.h)
//   "Z" "K" "T" "W" "U" "D"      open play only (protocol/open_play.h)
//
// What a client gets, once per cycle, in one write (the batch):
//
//   "n" count                    raw byte: worm slots in use
//   digs and chat of the cycle   in arrival order (with open play's drawings
//                                "D", which a client of the basic protocol never gets)
//   own first worm               its events ("w"/"o"/"s" without owner), then its state
//   own second worm              the same
//   every other slot, ascending  the same
//
// So every client sees its own worms as 1 and 2 and the others from 3 on. A
// pipelined client that asked gets probes and round trips after some
// batches (protocol/round_trip.h).
#include "server/session.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "protocol/open_play.h"
#include "protocol/pipelined.h"

namespace krel {

Session::Session(Relay& relay, std::unique_ptr<Link> link, int serial_number)
    : serial(serial_number),
      relay_(relay),
      tables_(relay.tables_),
      link_(std::move(link)),
      name_("client #" + std::to_string(serial) + " " + link_->Peer()) {}

std::string Session::Who() const {
  return name_ + " (slots " + std::to_string(first_slot) + "-" + std::to_string(first_slot + 1) + ")";
}

void Session::End(std::string reason) {
  if (end_reason.empty()) end_reason = std::move(reason);
}

int Session::SlotOfPlayerNumber(int number) const {
  if (number == 1 || number == 2) return first_slot + number - 1;
  if (number < first_slot + 2) return number - 2;
  return number;
}

void Session::ApplyScoreChanges(int slot) {
  SlotRecord& r = tables_.slots[slot];
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
  receive_buffer.append(bytes);
  Process();
}

void Session::EndOnUnknownTag(char tag) {
  char code[8];
  std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(tag));
  End(std::string("unknown message tag ") + code);
}

void Session::Process() {
  std::size_t pos = 0;
  while (pos < receive_buffer.size() && end_reason.empty()) {
    const char tag = receive_buffer[pos];
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
      case 'Z':
      case 'K':
      case 'T':
      case 'W':
      case 'U':
      case 'D':
        if (open_play) {
          complete = tag == 'Z'   ? TakeLevel(pos)
                     : tag == 'K' ? TakeLevelCheck(pos)
                     : tag == 'T' ? TakeReturnToken(pos)
                     : tag == 'U' ? TakeFileRequest(pos)
                     : tag == 'D' ? TakeDrawing(pos)
                                  : TakeWatch(pos);
        } else {
          EndOnUnknownTag(tag);
        }
        break;
      case 'R':
        // Only a pipelined client says it starts its game again, and only
        // after a batch with a new set of worms (or at its first game):
        // other times it is a score of its own choosing, and ignored.
        if (pipelined_) {
          if (std::exchange(may_start_over, false)) pipelined_->NewGame();
          ++pos;
        } else {
          EndOnUnknownTag(tag);
        }
        break;
      case 'G':
        if (round_trips_.enabled())
          complete = TakeRoundTripAnswer(pos);
        else
          EndOnUnknownTag(tag);
        break;
      default: EndOnUnknownTag(tag); break;
    }
    if (!complete) break;
  }
  receive_buffer.erase(0, pos);
  // The age of the unfinished message at the front, if any.
  if (pos > 0 || receive_buffer.empty()) partial_ticks = 0;
  if (end_reason.empty() && receive_buffer.size() > std::max(relay_.limits_.max_receive, long_message))
    End("receive buffer over " + std::to_string(relay_.limits_.max_receive) + " bytes without a complete message");
}

bool Session::TakeGreeting(std::size_t& pos) {
  std::string_view rest = std::string_view(receive_buffer).substr(pos);
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
  WireReader in(std::string_view(receive_buffer).substr(pos + 1));
  int16 lives = 0, loading = 0;
  flag landc = kFalse;
  TakeField(in, lives, KindShort);
  TakeField(in, loading, KindShort);
  TakeField(in, landc, KindFlag);
  if (in.Incomplete) return false;
  pos += 1 + in.Consumed(std::string_view(receive_buffer).substr(pos + 1));
  if (AskedForPipelining() || AskedForOpenPlay()) return true;
  if (!in_game) {
    // Joining a running game: answered once it is known to be a client that
    // can (its third "C"), together with the level.
    if (first_config_tick_ < 0) first_config_tick_ = age_ticks;
    return true;
  }
  if (tables_.game_config.empty()) {
    // The game's settings must be ones the option screen offers: a game with
    // no lives would end at once for everyone who joins later.
    const int16 lives_in = lives, loading_in = loading;
    lives = std::clamp<int16>(lives, kMinLives, kMaxLives);
    loading = std::clamp<int16>(loading, kMinLoading, kMaxLoading);
    if (lives != lives_in || loading != loading_in)
      relay_.hooks_.Event(Who() + " asked for lives " + std::to_string(lives_in) + ", loading " +
                          std::to_string(loading_in) + ": the game uses " + std::to_string(lives) + ", " +
                          std::to_string(loading));
    tables_.game_config.assign(1, 'C');
    AppendField(tables_.game_config, lives, 0, KindShort);
    AppendField(tables_.game_config, loading, 0, KindShort);
    AppendField(tables_.game_config, landc, 0, KindFlag);
  }
  link_->Send(tables_.game_config);
  relay_.CountOut(tables_.game_config.size());
  if (!offline_watch) {
    offline_watch = true;
    restart_grace = true;
    last_state_tick = watch_ticks;
  }
  return true;
}

bool Session::TakeState(std::size_t& pos, char tag) {
  any_state_ = true;
  if ((!in_game && !level_sent) || watching) {
    End(watching ? "a spectator sent a worm's state" : "a worm's state before the game let it in");
    return true;
  }
  if (pipelined_) return TakeQueuedState(pos, tag);
  const int slot = first_slot + next_worm;
  std::string_view body = std::string_view(receive_buffer).substr(pos + 1);
  WireReader in(body);
  // Decoded into a copy: nothing of a partial message reaches the table.
  WormRecord state = tables_.slots[slot];
  DecodeWormState(tag, in, state);
  if (in.Incomplete) return false;
  pos += 1 + in.Consumed(body);
  HeardState();
  StoreState(slot, tag, state);
  // Beyond its two worms a state only overwrites the older one of the slot:
  // it never counts toward the cycle again.
  if (states_this_cycle < 2 && ++states_this_cycle == 2) {
    waiting_since = relay_.ticks_;
    round_trips_.StatesIn(relay_.hooks_.NowMs());
  }
  relay_.FinishCycleIfComplete();
  next_worm = 1 - next_worm;
  return true;
}

bool Session::TakeQueuedState(std::size_t& pos, char tag) {
  std::string_view body = std::string_view(receive_buffer).substr(pos + 1);
  WireReader in(body);
  const bool was_waiting = pipelined_->FrameWaiting();
  const PipelinedSession::Taken taken = pipelined_->TakeState(tag, in, next_worm);
  if (taken == PipelinedSession::Taken::kIncomplete) return false;
  pos += 1 + in.Consumed(body);
  HeardState();
  const bool frame_complete = taken == PipelinedSession::Taken::kFrame;
  // Its wait for the others starts with the first frame that queues.
  if (frame_complete && !was_waiting) waiting_since = relay_.ticks_;
  next_worm = 1 - next_worm;
  // A whole frame may complete the cycle the others are waiting in.
  if (frame_complete) relay_.FinishCycleIfComplete();
  return true;
}

void Session::HeardState() {
  last_state_tick = watch_ticks;
  restart_grace = false;
}

void Session::StoreState(int slot, char tag, const WormRecord& state) {
  SlotRecord& record = tables_.slots[slot];
  static_cast<WormRecord&>(record) = state;  // the pending score changes stay
  ApplyScoreChanges(slot);
  std::string& update = tables_.relayed_states[slot];
  update.assign(1, tag);
  EncodeWormState(tag, update, record, tables_.sent_slots[slot],
                  tables_.send_whole[slot] ? WormRefs::Whole : WormRefs::Server);
  if (relay_.listening_ && record.Alive != kFalse) relay_.GameStarted();
  if (announce_join && slot == first_slot) {
    announce_join = false;
    relay_.AddChatLine(relay_.ShownName(slot) + (returning ? " IS BACK" : " JOINED"));
  }
}

bool Session::AskedForPipelining() {
  ++config_messages_;
  if (config_messages_ != 2 || any_state_ || pipelined_ || relay_.limits_.queued_frames == 0) return false;
  pipelined_ = std::make_unique<PipelinedSession>(relay_.limits_.queued_frames);
  // A joining client hears it with the level.
  if (!in_game) return true;
  std::string reply = "P";
  AppendRawByte(reply, kPipelineVersion);
  link_->Send(reply);
  relay_.CountOut(reply.size());
  relay_.hooks_.Event(Who() + " plays pipelined");
  return true;
}

// The third "C" of a pipelined client asks for round trips and open play at
// once (protocol/pipelined.h); only open play has an answer.
bool Session::AskedForOpenPlay() {
  if (config_messages_ != 3 || any_state_ || !pipelined_ || open_play) return false;
  round_trips_.Enable();
  open_play = true;
  if (!in_game) {
    relay_.hooks_.Event(Who() + " joins the running game");
    relay_.ServeJoiners();
    return true;
  }
  std::string reply = "O";
  AppendRawByte(reply, kOpenPlayVersion);
  reply += TokenMessage();
  link_->Send(reply);
  relay_.CountOut(reply.size());
  return true;
}

std::string Session::TokenMessage() {
  token = relay_.NewToken();
  // The files the server names, when it names any, are announced along;
  // a client whose own differ asks for them ("U").
  return "T" + token + relay_.files_announcement_;
}

void Session::SendLevelAgain(std::string_view level, std::string_view digs) {
  std::string out = "Y";
  AppendRawLong(out, static_cast<std::uint32_t>(level.size()));
  out += level;
  AppendRawLong(out, static_cast<std::uint32_t>(digs.size()));
  out += digs;
  link_->Send(out);
  relay_.CountOut(out.size());
  needs_level = false;
}

void Session::SendJoinAnswers(std::string_view level) {
  std::string out = "Z";
  AppendRawLong(out, level.size());
  out += level;
  out += tables_.game_config;
  out += 'P';
  AppendRawByte(out, kPipelineVersion);
  out += 'O';
  AppendRawByte(out, kOpenPlayVersion);
  out += TokenMessage();
  link_->Send(out);
  relay_.CountOut(out.size());
  level_sent = true;
}

bool Session::TakeRoundTripAnswer(std::size_t& pos) {
  std::string_view body = std::string_view(receive_buffer).substr(pos + 1);
  WireReader in(body);
  int32 stamp = 0;
  TakeField(in, stamp, KindLong);
  if (in.Incomplete) return false;
  pos += 1 + in.Consumed(body);
  round_trips_.Answered(static_cast<std::uint32_t>(stamp), relay_.hooks_.NowMs());
  return true;
}

void Session::StoreQueuedFrame() {
  const QueuedFrame frame = pipelined_->NextFrame(tables_.slots[first_slot], tables_.slots[first_slot + 1]);
  for (int i = 0; i < 2; ++i) {
    const QueuedState& queued = frame[static_cast<std::size_t>(i)];
    StoreState(first_slot + i, queued.tag, queued.worm);
  }
}

void Session::SendBatch() {
  if (!link_->Connected() || !in_game) return;
  std::string& batch = relay_.batch_;
  // What changed in the game since the last batch comes first.
  batch.assign(roster_notes);
  roster_notes.clear();
  batch += 'n';
  AppendRawByte(batch, relay_.players_online_);
  // Drawings are open play's: a client that did not agree to it gets the
  // digs and chat alone.
  batch += open_play || tables_.cycle_drawings.empty() ? tables_.cycle_events[0] : tables_.general_without_drawings;
  // A spectator has no worms of its own: every slot in order.
  for (int s : {first_slot, first_slot + 1}) {
    if (watching) break;
    batch += tables_.cycle_events[s];
    batch += tables_.relayed_states[s];
  }
  for (int i = 1; i <= relay_.players_online_; ++i) {
    if (!watching && (i == first_slot || i == first_slot + 1)) continue;
    batch += tables_.cycle_events[i];
    batch += tables_.relayed_states[i];
  }
  if (round_trips_.enabled()) {
    std::vector<int> ms;
    ms.reserve(static_cast<std::size_t>(relay_.players_online_));
    auto slot_ms = [&](int slot) {
      for (const auto& s : relay_.sessions_)
        if (s->in_game && !s->watching && (s->first_slot == slot || s->first_slot + 1 == slot)) return s->RoundTripMs();
      return -1;
    };
    // In the batch's order: own worms first, a spectator's every slot in order.
    if (!watching)
      for (int s : {first_slot, first_slot + 1}) ms.push_back(slot_ms(s));
    for (int i = 1; i <= relay_.players_online_; ++i)
      if (watching || (i != first_slot && i != first_slot + 1)) ms.push_back(slot_ms(i));
    round_trips_.AfterBatch(batch, relay_.hooks_.NowMs(), relay_.batches_, ms);
  }
  if (!pipelined_) round_trips_.BatchSent(relay_.hooks_.NowMs());
  relay_.CountOut(batch.size());
  link_->Send(batch);
  if (link_->Queued() > relay_.limits_.max_queued)
    End("not reading: more than " + std::to_string(relay_.limits_.max_queued) + " bytes queued");
}

}  // namespace krel
