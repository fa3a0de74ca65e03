#include "tools/krel-bot/bot_platform.h"

#include <chrono>
#include <thread>

#include "client/net/net_client.h"
#include "platform/keycodes.h"

namespace krel::bot {

namespace {
constexpr int kConnected = 7;
// The game's frame interval; a bot whose batch is in need not wait for it.
constexpr std::uint32_t kFrameMs = 40;
}  // namespace

BotPlatform::BotPlatform(World& w, const std::atomic<bool>& stop, Limits limits)
    : w_(w), stop_(stop), limits_(limits), start_ms_(0) {
  start_ms_ = RealMs();
}

std::int64_t BotPlatform::RealMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::uint32_t BotPlatform::TickCount() { return static_cast<std::uint32_t>(RealMs() - start_ms_) + skipped_; }

void BotPlatform::Delay(std::uint32_t ms) {
  if (w_.wsState == kConnected && w_.ConfigReceived != kFalse && w_.NetFrameReady != kFalse) {
    // Only the frame interval is left to wait for: let it pass at once.
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
  SetKey(DIK_RETURN, w_.wsState != kConnected && keyboard_reads() >= 1);
  HeadlessPlatform::ReadKeyboard(state);
}

void BotPlatform::ProcessEvents(EventSink& sink) {
  HeadlessPlatform::ProcessEvents(sink);
  const std::int64_t now = RealMs();
  if (w_.wsState == kConnected) {
    if (!was_connected_) connected_ms_ = now;
    was_connected_ = true;
    if (w_.ConfigReceived != kFalse) got_config_ = true;
  }
  if (w_.net != nullptr && w_.net->Batches != last_seen_batches_) {
    // The count starts again when the set of worms changes.
    const std::int64_t b = w_.net->Batches;
    batches_ += b > last_seen_batches_ ? b - last_seen_batches_ : b;
    last_seen_batches_ = b;
    last_batch_ms_ = now;
  }
  if (!released_ && w_.NumPlayers >= 2 * limits_.wait_for_clients) {
    // The computer takes over both worms, this game and every restart.
    released_ = true;
    for (int p = 1; p <= 2; ++p) {
      w_.MenuComputer[static_cast<std::size_t>(p)] = kTrue;
      w_.Players[static_cast<std::size_t>(p)].Computer = kTrue;
    }
  }
  auto stop = [&](StopReason why) {
    if (reason_ == StopReason::kNone) reason_ = why;
    sink.OnClose();
  };
  if (stop_) return stop(StopReason::kAsked);
  if (!was_connected_) {
    if (now - start_ms_ > limits_.connect_ms) stop(StopReason::kNoConnection);
    return;
  }
  if (w_.wsState == 0 && loss_frame_ < 0) {
    loss_frame_ = frames_;
    loss_after_ms_ = batches_ > 0 ? now - last_batch_ms_ : -1;
    if (!got_config_) {
      // No game was played: there is nothing to go on with locally. The game
      // closes a silent server's connection after answer_ms; a server that
      // closed sooner refused.
      return stop(now - connected_ms_ >= limits_.answer_ms ? StopReason::kNoAnswer : StopReason::kConnectionLost);
    }
    if (reason_ == StopReason::kNone) reason_ = StopReason::kConnectionLost;
  }
  // After a loss the game goes on locally for a moment, as any client's does.
  if (loss_frame_ >= 0 && frames_ - loss_frame_ >= limits_.frames_after_loss) return stop(StopReason::kConnectionLost);
  if (limits_.frames > 0 && frames_ >= limits_.frames) stop(StopReason::kFrameLimit);
}

}  // namespace krel::bot
