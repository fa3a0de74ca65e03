// Computer-played network clients: each bot is an ordinary client (its own
// world, the game's simulation, drawing and network code) on a headless
// platform, with both worms handed to the computer. Several run in one
// process, one thread each.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/krel-bot/bot_platform.h"

namespace krel::bot {

struct BotOptions {
  std::string address = "127.0.0.1";
  std::uint16_t port = 17384;
  int count = 1;
  // The first bot's number (its worms' names, seed and dump file): bots of
  // several processes in one game need names of their own.
  int first_number = 1;
  // Watch the game instead of playing (an open game that runs).
  bool watch = false;
  // With limits.drop_after: how long a dropped bot stays away.
  int return_ms = 2000;
  // Folder of arms.dat and level.bmp.
  std::string data_dir = ".";
  // Lives asked for when a bot's configuration becomes the game's.
  int lives = 15;
  BotPlatform::Limits limits;
  // When set, bot k plays from seed + k.
  std::optional<std::uint64_t> seed;
  // When not empty, bot k appends the game's dump lines to DIR/bot-k.jsonl.
  std::string dump_dir;
  // Paced bots (limits.paced) ask the server to play them pipelined unless
  // this is set; bots that play as fast as the batches come always wait
  // for every batch.
  bool lock_step = false;
};

struct BotReport {
  int bot = 0;
  std::int64_t frames = 0;
  std::int64_t batches = 0;
  StopReason reason = StopReason::kNone;
  bool game_over = false;
  bool refused = false;  // the server closed before sending the game's settings
  std::int64_t loss_after_ms = -1;
  BotPlatform::Rates rates;  // paced bots only
  bool pipelined = false;
  std::int64_t joined_after_ms = -1;  // joined a running game, this long after connecting
  bool came_back = false;             // dropped on purpose and back in the game
  bool took_place = false;            // watched, then took a free place to play
  std::int64_t answer_ms = 0;         // how long the server had to send the settings
  std::string error;
  // True when the bot played until asked or its frame limit (or lost all its lives).
  bool Ok() const;
  std::string Line() const;
};

// Runs one bot until it is asked to stop, reaches its frame limit, loses its
// connection or its game ends. Bots are numbered from 1.
BotReport RunBot(const BotOptions& o, int bot, const std::atomic<bool>& stop, BotShared& shared);

// Runs o.count bots side by side and returns their reports in bot order.
std::vector<BotReport> RunBots(const BotOptions& o, const std::atomic<bool>& stop);

// Reads the command line; false with a message in error when it is wrong.
bool ParseBotArgs(const std::vector<std::string>& args, BotOptions& o, std::string& error);

}  // namespace krel::bot
