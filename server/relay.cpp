// Announcement datagrams, sent to the configured address and port:
//
//   "+" "$KREL0.82.0.0" count    the server is open; count = worm slots in use
//   "-" "$KREL0.82.0.0"          the server is no longer open
// (and the forms of protocol/open_play.h that only newer clients read).
#include "server/relay.h"

#include <algorithm>
#include <tuple>

#include "protocol/open_play.h"
#include "server/session.h"

namespace krel {

Relay::Relay(RelayHooks& hooks, RelayLimits limits, std::string_view level_file, std::string_view arms_file)
    : hooks_(hooks), limits_(limits) {
  for (const auto& [tag, file, message] :
       {std::tuple{'V', level_file, &level_file_message_}, std::tuple{'F', arms_file, &arms_file_message_}}) {
    if (file.empty()) continue;
    std::string header;
    AppendRawLong(header, FileChecksum(file));
    AppendRawLong(header, static_cast<std::uint32_t>(file.size()));
    files_announcement_ += std::string("U") + tag + header;
    *message = tag + header + std::string(file);
  }
}
Relay::~Relay() = default;

void Relay::Reap() { graveyard_.clear(); }

std::string Relay::PlayersLabel() const { return "Currently " + std::to_string(players_online_) + " players online."; }

std::string Relay::Caption() const { return "Krel Server - " + std::to_string(players_online_) + " players"; }

void Relay::Start() {
  listening_ = true;
  hooks_.SetListening(true);
  hooks_.SetAnnouncing(true);
  players_online_ = 0;
  hooks_.Changed();
}

std::string Relay::GameRunningLine() { return std::string("cA GAME IS RUNNING ON THIS SERVER") + '\0'; }

Session* Relay::Connect(std::unique_ptr<Link> link) {
  if (!listening_ && open_game_ && static_cast<int>(sessions_.size()) < kMaxClients + kMaxWatchers) {
    // It joins once it has shown that it can (open_game.cpp); no slots yet.
    sessions_.push_back(std::make_unique<Session>(*this, std::move(link), ++next_serial_));
    Session& s = *sessions_.back();
    s.in_game = false;
    hooks_.Event(s.Who() + " connected during the game");
    return &s;
  }
  if (!listening_) {
    // Every client shows a chat line, so it learns why it cannot join.
    hooks_.Event("refused client " + link->Peer() + ": a game is running");
    link->Send(GameRunningLine());
    link->Close();
    return nullptr;
  }
  if (players_online_ + 2 > kLastSlot) {
    hooks_.Event("refused client " + link->Peer() + ": all " + std::to_string(kMaxClients) + " places are taken");
    link->Close();
    return nullptr;
  }
  sessions_.push_back(std::make_unique<Session>(*this, std::move(link), ++next_serial_));
  Session& s = *sessions_.back();
  s.SetFirstSlot(players_online_ + 1);
  players_online_ += 2;
  // Every field of every worm travels in full to the newcomer.
  for (int i = 1; i <= players_online_; ++i) tables_.sent_slots[i] = SlotRecord{};
  hooks_.Event(s.Who() + " connected");
  hooks_.Changed();
  return &s;
}

void Relay::Arrived(Session& session, std::string_view bytes) {
  if (!session.end_reason.empty()) return;
  session.Arrived(bytes);
  Settle();
}

void Relay::PeerClosed(Session& session) {
  session.End("closed by the client");
  Settle();
}

void Relay::SocketError(Session& session, const std::string& text) {
  session.End("socket error: " + text);
  Settle();
}

void Relay::Tick() {
  ++ticks_;
  // In lock-step everyone falls silent when one client does: a client whose
  // states for this cycle are in (or, pipelined, whose next frame is queued)
  // is waiting for the others, not idle, and its wait for the batch is what
  // the late one is measured by.
  int waited = -1;
  for (auto& s : sessions_) {
    if (s->offline_watch && (s->states_this_cycle >= 2 || s->FrameWaiting()))
      waited = std::max(waited, ticks_ - s->waiting_since);
  }
  for (auto& s : sessions_) {
    if (!s->in_game) {
      TickJoiner(*s);
      continue;
    }
    // A spectator sends nothing; only a full send queue ends it (SendBatch).
    if (s->watching) continue;
    if (!s->offline_watch) {
      if (++s->age_ticks > limits_.greeting_ticks)
        s->End(s->greeted ? "no configuration in time" : "no greeting in time");
      continue;
    }
    ++s->watch_ticks;
    if (!s->receive_buffer.empty() && ++s->partial_ticks > limits_.offline_ticks) {
      s->End("an unfinished message for too long");
      continue;
    }
    if (s->states_this_cycle >= 2 || s->FrameWaiting())
      s->last_state_tick = s->watch_ticks;
    else if (waited > (s->restart_grace ? limits_.restart_ticks : limits_.offline_ticks))
      s->End("no data in time");
    else if (s->watch_ticks - s->last_state_tick > limits_.alone_ticks)
      s->End("no data in time while nobody waited");
  }
  Settle();
}

void Relay::AnnounceTick() {
  if (!listening_) {
    if (open_game_) AnnounceOpenGame();
    return;
  }
  // What a newer client shows of the game goes first, in a form that a
  // client of the basic protocol drops; then the announcement it knows.
  const Outlook o = Describe();
  std::string details = "+";
  details += kOpenAnnounceText;
  details.push_back(static_cast<char>(o.worms));
  details.push_back(static_cast<char>(o.play_places));
  details.push_back(static_cast<char>(o.watch_places));
  details.push_back(static_cast<char>(o.lock_step_paced ? kAnnounceLockStepPaced : 0));
  hooks_.Announce(details);
  std::string datagram = "+";
  datagram += kVersionText;
  datagram.push_back(static_cast<char>(players_online_));
  hooks_.Announce(datagram);
}

Relay::Outlook Relay::Describe() const {
  Outlook o;
  o.worms = players_online_;
  o.running = !listening_ && players_online_ > 0;
  o.open = o.running && open_game_;
  const auto players = std::count_if(sessions_.begin(), sessions_.end(), [](const auto& p) { return !p->watching; });
  o.players = static_cast<int>(players);
  const int watchers = static_cast<int>(sessions_.size()) - o.players;
  // A game that runs closed takes nobody; only a running open game can be watched.
  if (!o.running || o.open) o.play_places = kMaxClients - std::min(kMaxClients, o.players);
  if (o.open) o.watch_places = kMaxWatchers - std::min(kMaxWatchers, watchers);
  o.lock_step_paced = std::any_of(sessions_.begin(), sessions_.end(), [](const auto& p) {
    return p->in_game && p->end_reason.empty() && p->PlaysLockStep();
  });
  return o;
}

void Relay::Withdraw() {
  std::string datagram = "-";
  datagram += kVersionText;
  hooks_.Announce(datagram);
}

void Relay::CounterTick() {
  shown_in_ = bytes_in_;
  shown_out_ = bytes_out_;
  bytes_in_ = bytes_out_ = 0;
}

void Relay::GameStarted() {
  listening_ = false;
  if (EveryoneOpen()) {
    // Clients of the basic protocol must not be offered it: withdrawn as
    // usual, but the listener stays open for those that can join.
    open_game_ = true;
    Withdraw();
    hooks_.Event("game started: open to clients that can join a running game");
    return;
  }
  hooks_.SetListening(false);
  hooks_.SetAnnouncing(false);
  Withdraw();
  hooks_.Event("game started: no more clients until everyone has left");
}

void Relay::EmptyExtras() {
  for (auto& e : tables_.cycle_events) e.clear();
  tables_.cycle_drawings.clear();
  tables_.general_without_drawings.clear();
}

int Relay::StatesIn() const {
  int n = departed_states_;
  for (const auto& s : sessions_) {
    if (s->FrameWaiting() && s->end_reason.empty())
      n += 2;
    else
      n += std::min(s->states_this_cycle, 2);
  }
  return n;
}

void Relay::StoreQueuedFrames() {
  for (auto& s : sessions_) {
    if (s->FrameWaiting() && s->end_reason.empty()) s->StoreQueuedFrame();
  }
}

void Relay::FinishCycleIfComplete() {
  if (StatesIn() < players_online_) return;
  StoreQueuedFrames();
  // A batch with a new worm count makes every client start its game state
  // over: each gets the longer limit for its next state.
  const bool restart = players_online_ != last_batch_players_;
  last_batch_players_ = players_online_;
  if (!tables_.cycle_drawings.empty()) {
    const std::string& events = tables_.cycle_events[0];
    std::size_t from = 0;
    for (const auto& [at, length] : tables_.cycle_drawings) {
      tables_.general_without_drawings.append(events, from, at - from);
      from = at + length;
    }
    tables_.general_without_drawings.append(events, from);
  }
  for (auto& s : sessions_) {
    s->states_this_cycle = 0;
    s->events_this_cycle = {};
    // A pipelined client already holding its next frame waits from now on.
    if (s->FrameWaiting()) s->waiting_since = ticks_;
    if (restart) s->may_start_over = true;
    if (restart && s->offline_watch) {
      s->restart_grace = true;
      s->last_state_tick = s->watch_ticks;
    }
    if (s->end_reason.empty()) s->SendBatch();
  }
  if (players_online_ > 0) ++batches_;
  departed_states_ = 0;
  tables_.send_whole.fill(false);
  AfterBatch(restart);
  EmptyExtras();
}

void Relay::MoveSlot(int from, int to) {
  tables_.slots[to] = tables_.slots[from];
  tables_.relayed_states[to] = std::move(tables_.relayed_states[from]);
  tables_.cycle_events[to] = std::move(tables_.cycle_events[from]);
}

void Relay::ReleaseSlots(int first_slot) {
  const int highest = players_online_ - 1;
  if (first_slot != highest) {
    // The session holding the highest pair takes the freed one, with its
    // worms, so the slots in use stay 1..PlayersOnline.
    for (auto& s : sessions_) {
      if (s->first_slot != highest) continue;
      s->SetFirstSlot(first_slot);
      MoveSlot(highest, first_slot);
      MoveSlot(highest + 1, first_slot + 1);
      break;
    }
    // Worms changed places in every client's view: what each client holds at
    // a place is no longer known, so every worm travels in full once.
    for (int i = 1; i <= players_online_ - 2; ++i) {
      tables_.send_whole[i] = true;
      std::string& update = tables_.relayed_states[i];
      if (update.empty()) continue;
      const char tag = update[0];
      update.assign(1, tag);
      EncodeWormState(tag, update, tables_.slots[i], tables_.sent_slots[i], WormRefs::Whole);
    }
  }
  // The pair now free starts empty, so a newcomer inherits nothing.
  const int freed = first_slot != highest ? highest : first_slot;
  for (int i : {freed, freed + 1}) {
    if (i < 1 || i > kLastSlot) continue;
    tables_.slots[i] = SlotRecord{};
    tables_.sent_slots[i] = SlotRecord{};
    tables_.relayed_states[i].clear();
    tables_.cycle_events[i].clear();
  }
  players_online_ = std::max(0, players_online_ - 2);
  hooks_.Changed();
  if (!listening_ && players_online_ < 1) {
    listening_ = true;
    hooks_.SetListening(true);
    hooks_.SetAnnouncing(true);
    departed_states_ = 0;
    EmptyExtras();
    tables_.game_config.clear();
    EndOpenGame();
    hooks_.Event("everyone has left: open for a new game");
  }
  FinishCycleIfComplete();
}

void Relay::EndSession(Session& session) {
  session.link_->Close();
  hooks_.Event(session.Who() + " ended: " + session.end_reason);
  auto it = std::find_if(sessions_.begin(), sessions_.end(), [&](auto& p) { return p.get() == &session; });
  // Its states of this cycle still count, as they did before it left: the
  // others' batch is no later for its leaving.
  departed_states_ += std::min(session.states_this_cycle, 2);
  graveyard_.push_back(std::move(*it));
  sessions_.erase(it);
  if (&session == level_donor_) level_donor_ = nullptr;
  if (!session.in_game || session.watching)
    ServeJoiners();
  else if (open_game_)
    LeaveOpenly(session);
  else
    ReleaseSlots(session.first_slot);
}

void Relay::Settle() {
  if (settling_) return;
  settling_ = true;
  for (;;) {
    auto it = std::find_if(sessions_.begin(), sessions_.end(), [](auto& s) { return !s->end_reason.empty(); });
    if (it == sessions_.end()) break;
    EndSession(**it);
  }
  settling_ = false;
}

}  // namespace krel
