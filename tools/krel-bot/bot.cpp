#include "tools/krel-bot/bot.h"

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>

#include "client/ai/ace.h"
#include "client/app/game.h"
#include "client/frontend/select_server.h"
#include "client/frontend/select_weapons.h"
#include "client/net/net_client.h"
#include "client/present/display.h"
#include "client/present/sound.h"
#include "client/simulation/weapons/arms.h"
#include "client/simulation/worms/input.h"
#include "platform/settings.h"

namespace krel::bot {

namespace {

// Settings that live as long as the bot; nothing is written to disk.
class MemorySettings : public SettingsStore {
 public:
  std::string GetSetting(const std::string& section, const std::string& key, const std::string& fallback) override {
    auto it = values_.find(section + "\n" + key);
    return it == values_.end() ? fallback : it->second;
  }
  void SaveSetting(const std::string& section, const std::string& key, const std::string& value) override {
    values_[section + "\n" + key] = value;
  }

 private:
  std::map<std::string, std::string> values_;
};

const char* ReasonText(StopReason r) {
  switch (r) {
    case StopReason::kAsked: return "stopped";
    case StopReason::kFrameLimit: return "frame limit";
    case StopReason::kNoConnection: return "no connection";
    case StopReason::kConnectionLost: return "NETWORK CONNECTION LOST";
    case StopReason::kNoAnswer: return "no answer";
    case StopReason::kNone: break;
  }
  return "game over";
}

bool ParseNumber(const std::string& text, long low, long high, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && value >= low && value <= high;
}

}  // namespace

bool BotReport::Ok() const {
  return error.empty() && (reason == StopReason::kAsked || reason == StopReason::kFrameLimit || game_over);
}

std::string BotReport::Line() const {
  std::string s = "bot " + std::to_string(bot) + ": " + std::to_string(frames) + " frames, " + std::to_string(batches) +
                  " batches, ";
  if (!error.empty()) return s + "error: " + error;
  if (refused) return s + "refused: the server closed the connection before the game began";
  if (reason == StopReason::kNoAnswer)
    return s + "no answer: the server accepted the connection but sent no game settings within " +
           std::to_string(answer_ms / 1000) + " s";
  if (reason == StopReason::kAsked && frames == 0) return s + "stopped before the server sent the game settings";
  s += ReasonText(reason);
  if (reason == StopReason::kConnectionLost && loss_after_ms >= 0)
    s += " (" + std::to_string(loss_after_ms) + " ms after the last batch)";
  if (joined_after_ms >= 0)
    s += std::string(came_back    ? "; came back"
                     : took_place ? "; took a free place"
                                  : "; joined the running game") +
         " in " + std::to_string(joined_after_ms) + " ms";
  if (rates.frames_per_s >= 0) {
    char text[160];
    std::snprintf(text, sizeof text, "; %s, %.1f frames/s, %.1f batches/s, others' worms %.0f ms late",
                  pipelined ? "pipelined" : "lock-step", rates.frames_per_s, rates.batches_per_s,
                  rates.remote_delay_ms);
    s += text;
  }
  return s;
}

BotReport RunBot(const BotOptions& o, int bot, const std::atomic<bool>& stop, BotShared& shared) {
  BotReport report;
  report.bot = bot;
  auto w = std::make_unique<World>();
  BotPlatform::Limits limits = o.limits;
  // Unless told otherwise, the bots wait for one another: the server takes
  // no one new once a worm is in play.
  if (limits.wait_for_clients == 0) limits.wait_for_clients = o.count;
  limits.wait_for_bots = o.count;
  BotPlatform platform(*w, stop, limits, shared);
  MemorySettings settings;
  NetClient net;
  net.tcpPort = o.port;
  net.AskPipelined = (o.limits.paced && !o.lock_step) || o.watch;
  net.Watch = o.watch;
  w->platform = &platform;
  w->settings = &settings;
  w->ProgramDir = o.data_dir;
  if (o.seed) w->FixedSeed = *o.seed + static_cast<std::uint64_t>(bot);
  if (!o.dump_dir.empty()) w->DumpPath = o.dump_dir + "/bot-" + std::to_string(bot) + ".jsonl";

  // The start-up of the game, without a menu.
  w->ResetEntityTables();
  SeedRandom(*w);
  ArmsError arms_error;
  if (!LoadArms(*w, o.data_dir + "/arms.dat", arms_error)) {
    report.error = arms_error.Message();
    return report;
  }
  std::string error;
  if (!InitDisplay(*w, o.data_dir, error) || !InitSound(*w, error)) {
    report.error = error;
    return report;
  }
  InitDInput(*w);
  initkeys(*w);
  SetDefaultKeys(*w);

  const std::string id = std::to_string(bot);
  w->MenuName = {"", "Bot " + id + "a", "Bot " + id + "b"};
  w->MenuColor = {0, static_cast<int16>((bot * 47) % 360), static_cast<int16>((bot * 47 + 180) % 360)};
  // Handed to the computer by the platform once enough clients have joined.
  w->MenuComputer = {kFalse, kFalse, kFalse};
  w->LivesSetting = static_cast<int16>(o.lives);
  RollWeapons(*w, 1);
  RollWeapons(*w, 2);

  settings.SaveSetting("Network", "LastServer", o.address);
  AttachNetwork(*w, net);
  SelectServer(*w);
  // Joined (its session exists whatever happens next) or given up.
  ++shared.settled;
  if (w->Connection == ConnectionState::kConnected) {
    GameEnd end = Game(*w);
    // Dropped on purpose: back to the same server, with the token it gave.
    if (o.limits.drop_after > 0 && platform.dropped() && !stop) {
      std::this_thread::sleep_for(std::chrono::milliseconds(o.return_ms));
      platform.Rejoin();
      SelectServer(*w);
      if (w->Connection == ConnectionState::kConnected) end = Game(*w);
      report.came_back = platform.joined_after_ms() >= 0;
    }
    // A spectator that took a free place: to the same server, to play.
    if (end == GameEnd::kTakePlace && !stop) {
      platform.TakePlace();
      SelectServer(*w, true);
      if (w->Connection == ConnectionState::kConnected) end = Game(*w);
    }
    report.game_over = end == GameEnd::kGameOver;
  }
  report.rates = platform.rates();
  report.pipelined = platform.played_pipelined();
  report.joined_after_ms = platform.joined_after_ms();
  report.took_place = platform.took_place();
  report.frames = platform.frames();
  report.batches = platform.batches();
  report.reason = platform.reason();
  report.loss_after_ms = platform.loss_after_ms();
  report.refused = report.reason == StopReason::kConnectionLost && !platform.got_config();
  report.answer_ms = static_cast<std::int64_t>(o.limits.answer_ms);
  if (report.reason == StopReason::kNoConnection)
    report.error = "cannot connect to " + o.address + " port " + std::to_string(o.port);
  else if (!platform.messages.empty())
    report.error = platform.messages;
  else if (w->ReportWriteFailed)
    report.error = "its dump or performance.log could not be written";
  return report;
}

std::vector<BotReport> RunBots(const BotOptions& o, const std::atomic<bool>& stop) {
  std::vector<BotReport> reports(static_cast<std::size_t>(o.count));
  std::vector<std::thread> threads;
  BotShared shared;
  for (int k = 1; k <= o.count; ++k)
    threads.emplace_back([&, k] {
      reports[static_cast<std::size_t>(k - 1)] = RunBot(o, o.first_number + k - 1, stop, shared);
    });
  for (std::thread& t : threads) t.join();
  return reports;
}

bool ParseBotArgs(const std::vector<std::string>& args, BotOptions& o, std::string& error) {
  bool have_address = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](long low, long high, long& v) {
      if (i + 1 >= args.size() || !ParseNumber(args[i + 1], low, high, v)) {
        error = a + " needs a number from " + std::to_string(low) + " to " + std::to_string(high);
        return false;
      }
      ++i;
      return true;
    };
    long v = 0;
    if (a == "--count") {
      if (!value(1, 8, v)) return false;
      o.count = static_cast<int>(v);
    } else if (a == "--port") {
      if (!value(1, 65535, v)) return false;
      o.port = static_cast<std::uint16_t>(v);
    } else if (a == "--frames") {
      if (!value(1, 100000000, v)) return false;
      o.limits.frames = v;
    } else if (a == "--wait-for") {
      if (!value(1, 8, v)) return false;
      o.limits.wait_for_clients = static_cast<int>(v);
    } else if (a == "--lives") {
      if (!value(1, 9999, v)) return false;
      o.lives = static_cast<int>(v);
    } else if (a == "--seed") {
      if (!value(0, 2147483647, v)) return false;
      o.seed = static_cast<std::uint64_t>(v);
    } else if (a == "--drop-after") {
      if (!value(1, 100000000, v)) return false;
      o.limits.drop_after = v;
    } else if (a == "--number-from") {
      if (!value(1, 99, v)) return false;
      o.first_number = static_cast<int>(v);
    } else if (a == "--play-after") {
      if (!value(1, 100000000, v)) return false;
      o.limits.play_after = v;
      o.watch = true;
    } else if (a == "--watch") {
      o.watch = true;
    } else if (a == "--paced") {
      o.limits.paced = true;
    } else if (a == "--lock-step") {
      o.lock_step = true;
    } else if (a == "--player") {
      const std::string who = i + 1 < args.size() ? args[i + 1] : "";
      if (!ParseControllerWord(who, o.limits.controller, o.limits.strength)) {
        error = "--player needs cpu, ace or ace:N (N from 1 to 5)";
        return false;
      }
      ++i;
    } else if (a == "--dump" || a == "--data") {
      if (i + 1 >= args.size()) {
        error = a + " needs a folder";
        return false;
      }
      (a == "--dump" ? o.dump_dir : o.data_dir) = args[++i];
    } else if (!a.empty() && a[0] != '-' && !have_address) {
      in_addr parsed{};
      if (inet_pton(AF_INET, a.c_str(), &parsed) != 1) {
        error = a + " is not an IPv4 address (digits and points, like 127.0.0.1)";
        return false;
      }
      o.address = a;
      have_address = true;
    } else {
      error = "unknown argument " + a;
      return false;
    }
  }
  if (!have_address) {
    error = "no server address given";
    return false;
  }
  // Said once here, rather than by every bot at every game.
  std::error_code ec;
  if (!o.dump_dir.empty() && !std::filesystem::is_directory(o.dump_dir, ec)) {
    error = "--dump " + o.dump_dir + ": no such folder";
    return false;
  }
  return true;
}

}  // namespace krel::bot
