// The platform a bot plays on: no window, no sound, no keyboard but an
// Enter key pressed on the server-address screen, and a clock that runs in
// real time while the bot waits for the server but jumps ahead over the
// game's 40 ms frame pacing, so that a bot plays as fast as the server's
// batches come.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "client/core/world.h"
#include "platform/headless/headless_platform.h"

namespace krel::bot {

// Why a bot stopped playing.
enum class StopReason { kNone, kAsked, kFrameLimit, kNoConnection, kConnectionLost, kNoAnswer };

class BotPlatform : public HeadlessPlatform {
 public:
  struct Limits {
    std::int64_t frames = 0;               // 0: no limit
    std::uint32_t connect_ms = 5000;       // give up connecting after this long
    std::int64_t frames_after_loss = 25;   // local play shown before the bot ends
    // The game gives a server that accepted the connection this long to
    // send its settings, then closes the connection; a loss after that long
    // without settings is the server's silence, not its refusal.
    std::uint32_t answer_ms = 10000;
    // The worms enter play only once this many clients are in the game
    // (the server takes no one new after that); 0: at once.
    int wait_for_clients = 0;
  };
  BotPlatform(World& w, const std::atomic<bool>& stop, Limits limits);

  std::uint32_t TickCount() override;
  void Delay(std::uint32_t ms) override;
  // Counts the game's frames (the address screen presents too).
  void Present(const Surface&) override {
    if (got_config_) ++frames_;
  }
  void ProcessEvents(EventSink& sink) override;
  void ReadKeyboard(std::uint8_t state[256]) override;
  void MessageBox(const std::string& text) override { messages += text + "\n"; }

  // Frames drawn; batches completed while connected; why it stopped.
  std::int64_t frames() const { return frames_; }
  std::int64_t batches() const { return batches_; }
  StopReason reason() const { return reason_; }
  bool got_config() const { return got_config_; }
  // Real milliseconds from the last batch to noticing the connection lost.
  std::int64_t loss_after_ms() const { return loss_after_ms_; }
  std::string messages;

 private:
  std::int64_t RealMs() const;
  World& w_;
  const std::atomic<bool>& stop_;
  Limits limits_;
  std::int64_t start_ms_;
  std::uint32_t skipped_ = 0;
  std::int64_t frames_ = 0;
  std::int64_t batches_ = 0;
  std::int64_t last_batch_ms_ = 0;
  std::int64_t loss_frame_ = -1;
  std::int64_t loss_after_ms_ = -1;
  std::int64_t last_seen_batches_ = 0;
  std::int64_t connected_ms_ = -1;
  bool was_connected_ = false;
  bool got_config_ = false;
  bool released_ = false;
  StopReason reason_ = StopReason::kNone;
};

}  // namespace krel::bot
