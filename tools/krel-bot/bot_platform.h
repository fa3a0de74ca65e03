// The platform a bot plays on: no window, no sound, no keyboard but an
// Enter key pressed on the server-address screen, and a clock that runs in
// real time while the bot waits for the server but jumps ahead over the
// game's 40 ms frame pacing, so that a bot plays as fast as the server's
// batches come.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "client/state/world.h"
#include "platform/headless/headless_platform.h"

namespace krel::bot {

// Why a bot stopped playing.
enum class StopReason { kNone, kAsked, kFrameLimit, kNoConnection, kConnectionLost, kNoAnswer };

// What the bots of one process share: how many have joined (or given up),
// and when each worm's frames were drawn, so that a bot can tell how late
// the states of the others' worms reach it.
class BotShared {
 public:
  std::atomic<int> settled{0};
  void Drawn(const std::string& name, std::int32_t age, std::int64_t ms);
  // When the worm `name` drew the frame of `age`; false when not known.
  bool WhenDrawn(const std::string& name, std::int32_t age, std::int64_t& ms);

 private:
  static constexpr std::size_t kRing = 1024;
  struct Entry {
    std::int32_t age = -1;
    std::int64_t ms = 0;
  };
  std::mutex mutex_;
  std::map<std::string, std::array<Entry, kRing>> drawn_;
};

class BotPlatform : public HeadlessPlatform {
 public:
  struct Limits {
    std::int64_t frames = 0;              // 0: no limit
    std::uint32_t connect_ms = 5000;      // give up connecting after this long
    std::int64_t frames_after_loss = 25;  // local play shown before the bot ends
    // The game gives a server that accepted the connection this long to
    // send its settings, then closes the connection; a loss after that long
    // without settings is the server's silence, not its refusal.
    std::uint32_t answer_ms = 10000;
    // The worms enter play only once this many clients are in the game
    // (the server takes no one new after that); 0: at once.
    int wait_for_clients = 0;
    // ... and once this many bots of the process have joined or given up.
    int wait_for_bots = 0;
    // Frames every 40 ms in real time, as a person's client plays, instead
    // of as fast as the batches come.
    bool paced = false;
    // Who plays the worms once they enter play.
    flag controller = kControllerCpu;
    // The bot drops its connection after this many frames (0: never), as a
    // lost one, and comes back (bot.cpp).
    std::int64_t drop_after = 0;
    // Watching, the bot presses its jump key after this many frames (0:
    // never), again and again until the game has a free place for it.
    std::int64_t play_after = 0;
    int16 strength = kAceStrongest;  // of the ace
  };
  BotPlatform(World& w, const std::atomic<bool>& stop, Limits limits, BotShared& shared);

  std::uint32_t TickCount() override;
  void Delay(std::uint32_t ms) override;
  // Counts the game's frames (the address screen presents too).
  void Present(const Surface&) override;
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
  // Paced bots, from the moment their worms were released to the end:
  // frames and batches per second, and how old, on average, the others'
  // worm states were when their batch arrived (-1 when not measured).
  struct Rates {
    double frames_per_s = -1, batches_per_s = -1, remote_delay_ms = -1;
  };
  Rates rates();
  // The server played this bot pipelined.
  bool played_pipelined() const { return pipelined_; }
  // It joined a running game: milliseconds from the connection to its entry
  // (-1 when it did not).
  std::int64_t joined_after_ms() const { return joined_after_ms_; }
  // It dropped its connection on purpose (Limits::drop_after).
  bool dropped() const { return dropped_; }
  // Before connecting again: the game ended by the drop is forgotten.
  void Rejoin();
  // A place was taken (the game ended with GameEnd::kTakePlace): the bot
  // connects again to play.
  void TakePlace();
  bool took_place() const { return took_place_; }
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
  std::int64_t joined_after_ms_ = -1;
  bool dropped_ = false;
  bool took_place_ = false;
  std::int64_t first_read_ = 0;  // keyboard reads before the address screen
  bool was_connected_ = false;
  bool got_config_ = false;
  bool released_ = false;
  bool pipelined_ = false;
  StopReason reason_ = StopReason::kNone;
  BotShared& shared_;
  std::int64_t release_ms_ = 0, end_ms_ = 0;
  std::int64_t frames_at_release_ = 0, batches_at_release_ = 0;
  double delay_sum_ = 0;
  std::int64_t delay_count_ = 0;
};

}  // namespace krel::bot
