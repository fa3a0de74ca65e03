// Open play on the server (protocol/open_play.h): clients join a running
// game and leave it without anyone's game starting over.
//
// Joining: a client that connects while an open game runs holds no slots. It
// must ask for open play with its settings (a client of the basic protocol
// gets the usual "A GAME IS RUNNING ON THIS SERVER" and is closed); then a
// client in the game is asked for the level at a batch boundary ("Q"), and
// from that batch on the digs and chat lines of every batch are kept. The
// level goes to the joiner with the answers to its settings; once its first
// whole frame is in, after a batch, it takes the next free pair of slots
// (the highest), gets "E" with the kept digs, and every other client gets
// "A" before its next batch. Every worm travels in full in that batch.
//
// Leaving: the pairs above the one that left move down by one pair, so that
// every client's numbering keeps its order, and every client is told which
// of its worms went ("L").
#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <tuple>

#include "protocol/open_play.h"
#include "protocol/pipelined.h"
#include "server/session.h"

namespace krel {

namespace {

// A client of the basic protocol sends its settings once; one that can join
// sends them three times in one write. This long it may take for the rest.
constexpr int kOpenAskTicks = 3;
// Batches whose level reports are waiting for the rest, at most.
constexpr std::size_t kMaxLevelChecks = 16;

}  // namespace

bool Relay::EveryoneOpen() const {
  if (sessions_.empty()) return false;
  return std::all_of(sessions_.begin(), sessions_.end(), [](const auto& s) { return s->open_play; });
}

std::string Relay::ShownName(int slot) const {
  std::string name = tables_.slots[static_cast<std::size_t>(slot)].Name;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) name = "A PLAYER";
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

void Relay::AddChatLine(const std::string& text) {
  std::string& extras = tables_.cycle_events[0];
  extras += 'c';
  extras += text;
  extras += '\0';
}

void Relay::AnnounceOpenGame() {
  std::string datagram = "+";
  datagram += kOpenAnnounceText;
  const Outlook o = Describe();
  datagram.push_back(static_cast<char>(o.worms));
  datagram.push_back(static_cast<char>(o.play_places));
  datagram.push_back(static_cast<char>(o.watch_places));
  hooks_.Announce(datagram);
}

void Relay::TickJoiner(Session& joiner) {
  ++joiner.age_ticks;
  if (!joiner.open_play && joiner.first_config_tick_ >= 0 &&
      joiner.age_ticks - joiner.first_config_tick_ > kOpenAskTicks) {
    // What every client of the basic protocol is told when a game runs.
    joiner.link_->Send(GameRunningLine());
    joiner.End("a game is running (the client cannot join one)");
  } else if (joiner.age_ticks > limits_.greeting_ticks) {
    joiner.End("could not join the running game in time");
  }
}

void Relay::ServeJoiners() {
  bool waiting = false, mid_join = false, resync = false, from_resynced = false;
  for (const auto& s : sessions_) {
    if (!s->open_play || !s->end_reason.empty()) continue;
    if (s->in_game) {
      resync = resync || s->needs_level;
      // A level taken from a client whose own level differed is no use.
      from_resynced = from_resynced || (s->needs_level && s->serial == level_from_);
    } else {
      (s->level_sent ? mid_join : waiting) = true;
    }
  }
  if (from_resynced && !mid_join && level_donor_ == nullptr) std::string().swap(level_);
  waiting = waiting || resync;
  if (!waiting) {
    if (!mid_join && level_donor_ == nullptr) {
      // Nobody needs it any more; the next joiner gets a fresh one.
      collecting_ = false;
      std::string().swap(level_);
      std::string().swap(catch_up_);
    }
    return;
  }
  if (!level_.empty()) {
    for (auto& s : sessions_) {
      if (!s->open_play || !s->end_reason.empty()) continue;
      if (!s->in_game && !s->level_sent) s->SendJoinAnswers(level_);
      // It has had every batch since the level was taken: their digs follow.
      if (s->in_game && s->needs_level && s->serial != level_from_) s->SendLevelAgain(level_, catch_up_);
    }
    return;
  }
  if (level_donor_ == nullptr && !mid_join) RequestLevel();
}

void Relay::RequestLevel() {
  for (auto& s : sessions_) {
    if (!s->in_game || !s->open_play || s->needs_level || !s->end_reason.empty() || !s->link_->Connected()) continue;
    level_donor_ = s.get();
    level_from_ = s->serial;
    s->roster_notes += 'Q';
    // The level will be as it was before the donor's next batch: that
    // batch's digs are the first a joiner must apply on top of it.
    std::string().swap(level_);
    std::string().swap(catch_up_);
    collecting_ = true;
    hooks_.Event("asked " + s->Who() + " for the level");
    return;
  }
}

void Relay::LevelArrived(Session& donor, std::string_view level) {
  // A level nobody asked this client for is not used.
  if (&donor != level_donor_) return;
  level_donor_ = nullptr;
  level_.assign(level);
  hooks_.Event("level from " + donor.Who() + ": " + std::to_string(level_.size()) + " bytes");
  ServeJoiners();
}

void Relay::AfterBatch(bool restart) {
  game_batches_ = restart ? 1 : game_batches_ + 1;
  if (collecting_) {
    catch_up_ += tables_.cycle_events[0];
    if (catch_up_.size() > kMaxCatchUpBytes) {
      // Too much has happened since the level was taken: those who wait for
      // it start over with a new one.
      for (auto& s : sessions_)
        if (!s->in_game && s->level_sent) s->End("too many digs while joining");
      collecting_ = false;
      std::string().swap(level_);
      std::string().swap(catch_up_);
    }
  }
  // A spectator enters as soon as it has the level; a player with its first frame.
  for (auto& s : sessions_) {
    if (!s->in_game && s->level_sent && s->end_reason.empty() &&
        (s->watching ? s->watch_ready : s->pipelined_->FrameWaiting()))
      Admit(*s);
  }
  ServeJoiners();
}

void Relay::StartWatching(Session& s) {
  const auto watchers = std::count_if(sessions_.begin(), sessions_.end(),
                                      [](const auto& p) { return p->watching && p->end_reason.empty(); });
  if (s.in_game || !open_game_) {
    s.End("asked to watch, but no open game runs");
    return;
  }
  if (watchers >= kMaxWatchers) {
    s.End("asked to watch, but " + std::to_string(kMaxWatchers) + " are watching");
    return;
  }
  s.watching = true;
  hooks_.Event(s.Who() + " watches");
}

void Relay::SendEntry(Session& joiner) {
  std::string enter = "E";
  AppendField(enter, fixed(static_cast<int>(std::min<std::int64_t>(game_batches_, 2147483647))), 0, KindLong);
  AppendRawByte(enter, players_online_);
  AppendRawLong(enter, static_cast<std::uint32_t>(catch_up_.size()));
  enter += catch_up_;
  joiner.link_->Send(enter);
  CountOut(enter.size());
}

void Relay::Admit(Session& joiner) {
  if (joiner.watching) {
    // No slots, nothing in any cycle: the batches from the next one on, with
    // every worm in full.
    joiner.in_game = true;
    for (int i = 1; i <= players_online_; ++i) tables_.send_whole[static_cast<std::size_t>(i)] = true;
    SendEntry(joiner);
    hooks_.Event(joiner.Who() + " watches from batch " + std::to_string(game_batches_));
    return;
  }
  // A player needs a free place among the eight (spectators aside).
  const auto players = std::count_if(sessions_.begin(), sessions_.end(),
                                     [&](const auto& p) { return p->in_game && !p->watching && p.get() != &joiner; });
  if (players_online_ + 2 > kLastSlot || players >= kMaxClients) {
    joiner.End("all places are taken");
    return;
  }
  for (auto& s : sessions_)
    if (s->in_game) s->roster_notes += 'A';
  joiner.in_game = true;
  joiner.SetFirstSlot(players_online_ + 1);
  players_online_ += 2;
  // Its worms start as every worm does at a game's start: the game's lives,
  // no kills.
  int16 lives = 0;
  WireReader settings(
      std::string_view(tables_.game_config).substr(std::min<std::size_t>(1, tables_.game_config.size())));
  TakeField(settings, lives, KindShort);
  for (std::size_t i = 0; i < 2; ++i) {
    SlotRecord& worm = tables_.slots[static_cast<std::size_t>(joiner.first_slot) + i];
    worm.Lives = joiner.returning ? joiner.returning_lives[i] : lives;
    worm.Kills = joiner.returning ? joiner.returning_kills[i] : int16{0};
  }
  joiner.pipelined_->KeepServerScore();
  // Its worms are news to everyone, and everyone is news to it.
  last_batch_players_ = players_online_;
  for (int i = 1; i <= players_online_; ++i) tables_.send_whole[static_cast<std::size_t>(i)] = true;
  joiner.offline_watch = true;
  joiner.restart_grace = true;
  joiner.last_state_tick = joiner.watch_ticks;
  joiner.waiting_since = ticks_;
  joiner.announce_join = true;
  SendEntry(joiner);
  hooks_.Event(joiner.Who() + " entered the game at batch " + std::to_string(game_batches_) + " (level " +
               std::to_string(level_.size()) + " bytes, " + std::to_string(catch_up_.size()) + " bytes of digs since)");
  hooks_.Changed();
}

std::string Relay::NewToken() {
  // Not to be guessed by another client: seeded once from the system's
  // random source, then splitmix64.
  if (token_state_ == 0) token_state_ = (std::uint64_t{std::random_device{}()} << 32) | std::random_device{}();
  std::uint64_t z = (token_state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  std::string token;
  for (std::size_t i = 0; i < kReturnTokenBytes; ++i) token.push_back(static_cast<char>(z >> (8 * i)));
  return token;
}

void Relay::KeepForReturn(const Session& leaving) {
  const int ticks_kept = kReturnSeconds * 10;
  std::erase_if(departed_, [&](const Departed& d) { return ticks_ - d.tick > ticks_kept; });
  if (leaving.token.empty() || departed_.size() >= kMaxClients * 4) return;
  Departed d;
  d.token = leaving.token;
  d.tick = ticks_;
  for (std::size_t i = 0; i < 2; ++i) {
    const SlotRecord& worm = tables_.slots[static_cast<std::size_t>(leaving.first_slot) + i];
    d.lives[i] = worm.Lives;
    d.kills[i] = worm.Kills;
  }
  departed_.push_back(d);
}

void Relay::Returning(Session& joiner, std::string_view token) {
  const int ticks_kept = kReturnSeconds * 10;
  auto it = std::find_if(departed_.begin(), departed_.end(), [&](const Departed& d) { return d.token == token; });
  if (it == departed_.end() || ticks_ - it->tick > ticks_kept) {
    hooks_.Event(joiner.Who() + " shows a token that is not (or no longer) known: it joins as a newcomer");
    return;
  }
  joiner.returning = true;
  joiner.returning_lives = it->lives;
  joiner.returning_kills = it->kills;
  departed_.erase(it);
  hooks_.Event(joiner.Who() + " comes back");
}

void Relay::LeaveOpenly(Session& leaving) {
  const int gone = leaving.first_slot;
  if (gone < 1 || gone + 1 > players_online_) return;
  KeepForReturn(leaving);
  const std::string name = ShownName(gone);
  for (auto& s : sessions_) {
    if (!s->in_game) continue;
    // Where the pair stands in this client's numbering (own worms first).
    const int number = gone < s->first_slot ? gone + 2 : gone;
    s->roster_notes += 'L';
    AppendRawByte(s->roster_notes, number);
  }
  for (int from = gone + 2; from <= players_online_; ++from) {
    const auto to = static_cast<std::size_t>(from - 2), at = static_cast<std::size_t>(from);
    tables_.slots[to] = tables_.slots[at];
    tables_.sent_slots[to] = tables_.sent_slots[at];
    tables_.relayed_states[to] = std::move(tables_.relayed_states[at]);
    tables_.cycle_events[to] = std::move(tables_.cycle_events[at]);
    tables_.send_whole[to] = tables_.send_whole[at];
  }
  for (auto& s : sessions_)
    if (s->in_game && s->first_slot > gone) s->SetFirstSlot(s->first_slot - 2);
  for (int i : {players_online_ - 1, players_online_}) {
    const auto at = static_cast<std::size_t>(i);
    tables_.slots[at] = SlotRecord{};
    tables_.sent_slots[at] = SlotRecord{};
    tables_.relayed_states[at].clear();
    tables_.cycle_events[at].clear();
    tables_.send_whole[at] = false;
  }
  players_online_ -= 2;
  last_batch_players_ = players_online_;
  AddChatLine(name + " LEFT");
  hooks_.Changed();
  if (players_online_ < 1) {
    // Everyone has gone: the listener reopens as after a game of the basic
    // protocol (no pair is left to move or empty).
    ReleaseSlots(-1);
    return;
  }
  FinishCycleIfComplete();
}

void Relay::LevelReported(Session& s, std::int64_t batch, std::uint32_t checksum) {
  // A report far from the game's count is no honest client's (theirs lag by
  // a round trip at most); it is not kept.
  if (!s.in_game || !open_game_ || batch > game_batches_ + 50 || batch < game_batches_ - 500) return;
  // Reports of long ago (a client that fell behind) are compared as they are.
  while (!level_checks_.empty() &&
         (level_checks_.begin()->first < batch - 200 || level_checks_.size() > kMaxLevelChecks))
    CompareLevels(level_checks_.begin()->first);
  auto& reports = level_checks_[batch];
  for (const auto& r : reports)
    if (r.first == s.serial) return;  // one report per client and batch
  reports.emplace_back(s.serial, checksum);
  const auto in_game = std::count_if(sessions_.begin(), sessions_.end(),
                                     [](const auto& p) { return p->in_game && p->end_reason.empty(); });
  if (static_cast<std::ptrdiff_t>(reports.size()) >= in_game) CompareLevels(batch);
}

void Relay::CompareLevels(std::int64_t batch) {
  auto it = level_checks_.find(batch);
  if (it == level_checks_.end()) return;
  const auto reports = std::move(it->second);
  level_checks_.erase(it);
  // The level most clients have; between equal numbers, that of the client
  // longest in the game (the first to report is not always it).
  std::map<std::uint32_t, int> votes;
  for (const auto& r : reports) ++votes[r.second];
  std::uint32_t agreed = 0;
  int most = 0;
  for (const auto& s : sessions_) {
    for (const auto& r : reports) {
      if (r.first != s->serial) continue;
      if (votes[r.second] > most) std::tie(agreed, most) = std::tuple(r.second, votes[r.second]);
    }
  }
  for (auto& s : sessions_) {
    for (const auto& r : reports) {
      if (r.first != s->serial || r.second == agreed || s->needs_level || !s->in_game) continue;
      s->needs_level = true;
      ++resyncs_;
      hooks_.Event(s->Who() + ": its level differs from the game's at batch " + std::to_string(batch) +
                   ", sending it the level again");
      hooks_.Changed();
    }
  }
  ServeJoiners();
}

void Relay::EndOpenGame() {
  open_game_ = false;
  level_checks_.clear();
  // The next game's first batch starts every count again.
  last_batch_players_ = 0;
  level_donor_ = nullptr;
  collecting_ = false;
  std::string().swap(level_);
  std::string().swap(catch_up_);
  for (auto& s : sessions_) {
    if (!s->in_game) s->End("the game ended before it could join");
    if (s->watching) s->End("the game it watched has ended");
  }
}

}  // namespace krel
