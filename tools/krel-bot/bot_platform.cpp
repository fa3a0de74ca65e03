#include "tools/krel-bot/bot_platform.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "client/net/net_client.h"
#include "client/net/session.h"
#include "platform/keycodes.h"

namespace krel::bot {

namespace {
// The game's frame interval; a bot whose batch is in need not wait for it.
constexpr std::uint32_t kFrameMs = 40;
}  // namespace

void BotShared::Drawn(const std::string& name, std::int32_t age, std::int64_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  drawn_[name][static_cast<std::size_t>(age) % kRing] = Entry{age, ms};
}

bool BotShared::WhenDrawn(const std::string& name, std::int32_t age, std::int64_t& ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = drawn_.find(name);
  if (it == drawn_.end() || age < 0) return false;
  const Entry& e = it->second[static_cast<std::size_t>(age) % kRing];
  if (e.age != age) return false;
  ms = e.ms;
  return true;
}

BotPlatform::BotPlatform(World& w, const std::atomic<bool>& stop, Limits limits, BotShared& shared)
    : w_(w), stop_(stop), limits_(limits), start_ms_(0), shared_(shared) {
  start_ms_ = RealMs();
}

void BotPlatform::Present(const Surface&) {
  if (!got_config_) return;
  ++frames_;
  // The state this frame ends with is sent now: its Age names the moment.
  if (limits_.paced && w_.Connection == ConnectionState::kConnected) {
    const std::int64_t now = RealMs();
    for (int p = 1; p <= 2; ++p) {
      const Player& pl = w_.Players[static_cast<std::size_t>(p)];
      shared_.Drawn(pl.Name, pl.Age, now);
    }
  }
}

BotPlatform::Rates BotPlatform::rates() {
  Rates r;
  if (!limits_.paced || !released_) return r;
  const std::int64_t end = end_ms_ > 0 ? end_ms_ : RealMs();
  const double seconds = static_cast<double>(end - release_ms_) / 1000.0;
  if (seconds <= 0) return r;
  r.frames_per_s = static_cast<double>(frames_ - frames_at_release_) / seconds;
  r.batches_per_s = static_cast<double>(batches_ - batches_at_release_) / seconds;
  if (delay_count_ > 0) r.remote_delay_ms = delay_sum_ / static_cast<double>(delay_count_);
  return r;
}

std::int64_t BotPlatform::RealMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::uint32_t BotPlatform::TickCount() { return static_cast<std::uint32_t>(RealMs() - start_ms_) + skipped_; }

void BotPlatform::Delay(std::uint32_t ms) {
  if (!limits_.paced && w_.Connection == ConnectionState::kConnected && w_.ConfigReceived != kFalse &&
      w_.NetFrameReady != kFalse && !ServerFilesAwaited(w_)) {
    // Only the frame interval is left to wait for: let it pass at once (a
    // file the server sends is still to come from the network).
    skipped_ += kFrameMs;
    return;
  }
  if (w_.net != nullptr) {
    // Wakes as soon as the server's data arrives.
    w_.net->loop.Yield(static_cast<int>(ms));
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

void BotPlatform::ReadKeyboard(std::uint8_t state[256]) {
  // Enter confirms the server address (it must be seen up first); in a
  // game no key is held: the computer plays both worms.
  SetKey(DIK_RETURN, w_.Connection != ConnectionState::kConnected && keyboard_reads() >= first_read_ + 1);
  // Watching long enough: jump, pressed and let go in turn, asks for a place.
  const int jump = w_.KeyMap[1][static_cast<std::size_t>(kJump)];
  if (limits_.play_after > 0 && jump > 0)
    SetKey(jump, Watching(w_) && frames_ >= limits_.play_after && keyboard_reads() % 2 == 0);
  HeadlessPlatform::ReadKeyboard(state);
}

void BotPlatform::ProcessEvents(EventSink& sink) {
  HeadlessPlatform::ProcessEvents(sink);
  const std::int64_t now = RealMs();
  if (w_.Connection == ConnectionState::kConnected) {
    if (!was_connected_) connected_ms_ = now;
    was_connected_ = true;
    if (w_.ConfigReceived != kFalse) got_config_ = true;
  }
  if (w_.net != nullptr && w_.net->Pipelined) pipelined_ = true;
  if (w_.net != nullptr && w_.net->Entered && joined_after_ms_ < 0) joined_after_ms_ = now - connected_ms_;
  if (w_.net != nullptr && w_.net->Batches != last_seen_batches_) {
    // The count starts again when the set of worms changes; a client that
    // joined a running game starts at the game's count, not at 0.
    const std::int64_t b = w_.net->Batches;
    if (last_seen_batches_ == 0 && w_.net->Entered) last_seen_batches_ = b - 1;
    batches_ += b > last_seen_batches_ ? b - last_seen_batches_ : b;
    last_seen_batches_ = b;
    last_batch_ms_ = now;
    // The others' worms are as the batch left them: how long ago were they so?
    const int last = std::min<int>(w_.NumPlayers, kMaxNetPlayers);
    for (int p = 3; released_ && limits_.paced && p <= last; ++p) {
      const Player& pl = w_.Players[static_cast<std::size_t>(p)];
      std::int64_t drawn = 0;
      if (shared_.WhenDrawn(pl.Name, pl.Age, drawn)) {
        delay_sum_ += static_cast<double>(now - drawn);
        ++delay_count_;
      }
    }
  }
  if (!released_ && w_.NumPlayers >= 2 * limits_.wait_for_clients && shared_.settled.load() >= limits_.wait_for_bots) {
    // The computer takes over both worms, this game and every restart.
    released_ = true;
    release_ms_ = now;
    frames_at_release_ = frames_;
    batches_at_release_ = batches_;
    for (int p = 1; p <= 2; ++p) {
      w_.MenuComputer[static_cast<std::size_t>(p)] = limits_.controller;
      w_.Players[static_cast<std::size_t>(p)].Computer = limits_.controller;
      w_.MenuAceStrength[static_cast<std::size_t>(p)] = limits_.strength;
    }
  }
  auto stop = [&](StopReason why) {
    if (end_ms_ == 0) end_ms_ = now;
    if (reason_ == StopReason::kNone) reason_ = why;
    sink.OnClose();
  };
  if (stop_) return stop(StopReason::kAsked);
  if (limits_.drop_after > 0 && !dropped_ && frames_ >= limits_.drop_after && w_.net != nullptr &&
      w_.Connection == ConnectionState::kConnected) {
    // As if the cable were pulled: no goodbye, the socket just closes.
    dropped_ = true;
    w_.net->ws.Close();
  }
  if (!was_connected_) {
    if (now - start_ms_ > limits_.connect_ms) stop(StopReason::kNoConnection);
    return;
  }
  if (!w_.Networked() && loss_frame_ < 0) {
    loss_frame_ = frames_;
    loss_after_ms_ = batches_ > 0 ? now - last_batch_ms_ : -1;
    if (!got_config_) {
      // No game was played: there is nothing to go on with locally. The game
      // closes a silent server's connection after answer_ms; a server that
      // closed sooner refused.
      return stop(now - connected_ms_ >= limits_.answer_ms ? StopReason::kNoAnswer : StopReason::kConnectionLost);
    }
    if (reason_ == StopReason::kNone) reason_ = StopReason::kConnectionLost;
    if (end_ms_ == 0) end_ms_ = now;
  }
  // After a loss the game goes on locally for a moment, as any client's does.
  if (loss_frame_ >= 0 && frames_ - loss_frame_ >= limits_.frames_after_loss) return stop(StopReason::kConnectionLost);
  if (limits_.frames > 0 && frames_ >= limits_.frames) stop(StopReason::kFrameLimit);
}

void BotPlatform::TakePlace() {
  took_place_ = true;
  Rejoin();
}

void BotPlatform::Rejoin() {
  w_.QuitRequested = false;
  // The address screen again: Enter must be seen up first.
  first_read_ = keyboard_reads();
  released_ = false;
  reason_ = StopReason::kNone;
  loss_frame_ = -1;
  was_connected_ = false;
  joined_after_ms_ = -1;
  last_seen_batches_ = 0;
  start_ms_ = RealMs();
  end_ms_ = 0;
}

}  // namespace krel::bot
