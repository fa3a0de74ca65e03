#include "client/app/game.h"

#include "client/app/client_events.h"
#include "client/frontend/chat_line.h"
#include "client/frontend/window_events.h"
#include "client/state/game_observer.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <limits>
#include <optional>

#include "client/ai/ace.h"
#include "client/app/net_stats_log.h"
#include "client/app/startup.h"
#include "client/net/net_client.h"
#include "client/net/session.h"
#include "client/present/colors.h"
#include "client/present/display.h"
#include "client/present/display_state.h"
#include "client/present/render.h"
#include "client/present/sound.h"
#include "client/simulation/report/dump.h"
#include "client/simulation/report/perf_log.h"
#include "client/simulation/report/trace.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/arms.h"
#include "client/simulation/weapons/explosions.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/simulation/worms/input.h"
#include "client/simulation/worms/worms.h"
#include "client/state/chat.h"
#include "client/state/data_files.h"
#include "platform/keycodes.h"
#include "platform/platform.h"

namespace krel {

namespace {

// A frame may start this many milliseconds after the previous one began.
constexpr std::uint32_t kFrameMs = 40;
// No frame waits longer than this for the network.
constexpr std::uint32_t kNetTimeoutMs = 2000;
// How long a network game waits for the server's configuration.
constexpr std::uint32_t kConfigWaitMs = 10000;

// Spreads the bits of a clock reading over the whole seed (splitmix64).
std::uint64_t MixSeed(std::uint64_t z) {
  z += 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

bool Elapsed(World& w, std::uint32_t ms) {
  // Unsigned difference: right across the clock's wrap-around.
  return TickCount(w) - w.FrameStart > ms;
}

// The batch count a network game's trace lines carry; none in a local game.
std::optional<std::int64_t> TraceBatch(const World& w) {
  if (w.net == nullptr || w.Connection != ConnectionState::kConnected) return std::nullopt;
  return w.net->Batches;
}

// A spectator's views follow any worm of the game: each player's left and
// right keys step its view to the previous or next worm.
void SwitchViewedWorms(World& w) {
  const int last = std::clamp<int>(w.NumPlayers, 1, kMaxNetPlayers);
  for (std::size_t view = 1; view <= 2; ++view) {
    int& shown = w.ViewedWorm[view];
    auto pressed = [&](int control) {
      const int key = w.KeyMap[view][static_cast<std::size_t>(control)];
      return key > 0 && key < 256 && w.KeyState[static_cast<std::size_t>(key)] != 0 &&
             w.OldKeyState[static_cast<std::size_t>(key)] == 0;
    };
    if (pressed(kLeft)) --shown;
    if (pressed(kRight)) ++shown;
    if (shown < 1) shown = last;
    if (shown > last) shown = 1;
  }
}

// A spectator's jump key (either player's) asks for a free place to play.
bool JumpPressed(const World& w) {
  for (std::size_t player = 1; player <= 2; ++player) {
    const int key = w.KeyMap[player][static_cast<std::size_t>(kJump)];
    if (key > 0 && key < 256 && w.KeyState[static_cast<std::size_t>(key)] != 0 &&
        w.OldKeyState[static_cast<std::size_t>(key)] == 0)
      return true;
  }
  return false;
}

GameEnd RunFrames(World& w, std::int64_t& frames) {
  NetStatsLog stats(w);
  for (;;) {
    if (w.QuitRequested) return GameEnd::kClosed;

    // Pacing: more than 40 ms since the previous frame began and the
    // network's batch is in, or 2000 ms in any case. Lost time is not made up.
    SoundOf(w).soundsThisFrame = 0;
    for (;;) {
      PumpWindowEvents(w);
      if (w.QuitRequested) return GameEnd::kClosed;
      // A batch brought another set of worms: the game starts over for them.
      if (TakeRestart(w)) {
        InitGame(w);
        ResumeReceiving(w);
      }
      if (Elapsed(w, kFrameMs) && w.NetFrameReady != kFalse) break;
      if (Elapsed(w, kNetTimeoutMs)) break;
      if (w.platform != nullptr) w.platform->Delay(1);
    }
    // Checked in every game, local ones too. Pipelined frames do not wait,
    // so there the silence since the last batch counts.
    if (Elapsed(w, kNetTimeoutMs) || BatchOverdue(w, kNetTimeoutMs)) ConnectionLost(w);
    w.FrameStart = TickCount(w);
    ++frames;
    AddPhaseTime(w, w.PhaseTimes[0]);

    PlayerAction(w);
    AddPhaseTime(w, w.PhaseTimes[1]);
    if (w.KeyState[DIK_ESCAPE] != 0) return GameEnd::kEscape;

    MoveShots(w);
    AddPhaseTime(w, w.PhaseTimes[2]);
    ParticleMove(w);
    AddPhaseTime(w, w.PhaseTimes[3]);
    SObjMove(w);
    AddPhaseTime(w, w.PhaseTimes[4]);
    stats.Moved(w);
    w.FreePlaces = Watching(w) ? FreePlacesToPlay(w) : -1;
    ShowAll(w);
    stats.Drawn(w);
    BonusDrop(w);
    AddPhaseTime(w, w.PhaseTimes[5]);
    if (w.trace != nullptr) w.trace->Frame(w, frames, TraceBatch(w));

    if (PumpWindowEvents(w)) w.FrameStart = TickCount(w);
    if (w.QuitRequested) return GameEnd::kClosed;

    // A spectator's worms 1 and 2 are others': their end is not its.
    if (!Watching(w) && (w.Players[1].Lives < 0 || w.Players[2].Lives < 0)) {
      // The final frame stays behind the menu.
      DisplayOf(w).SavedBack.Blit(0, 0, DisplayOf(w).Back, MakeRect(0, 0, 320, 240), false);
      return GameEnd::kGameOver;
    }

    // Read now, acted on by the next frame.
    ReadKeyboardState(w);
    EditChatLine(w);
    if (!Watching(w)) {
      ReadControls(w);
      RunComputerPlayers(w);
    } else {
      SwitchViewedWorms(w);
      // Without a free place the key does nothing (the views say so).
      if (JumpPressed(w) && FreePlacesToPlay(w) > 0) return GameEnd::kTakePlace;
    }
    stats.Read(w, frames);
    SendMyData(w);
  }
}

void EndGame(World& w, GameEnd end, std::int64_t frames) {
  CloseConnection(w);
  w.FreePlaces = -1;
  // The player's own weapons again after a game on the server's.
  if (TakeServerArmsUsed(w)) {
    ArmsError arms_error;
    if (!LoadArms(w, DataDir(w, "arms.dat") + "/arms.dat", arms_error))
      std::cerr << "krel: own weapon file not loaded again: " << arms_error.Message() << "\n";
  }
  std::string error;
  // Closing the window ends the program at once; only a game that ran to its
  // end reports its timing.
  if (end != GameEnd::kClosed && !AppendPerformanceLog("performance.log", w.PhaseTimes, error)) {
    std::cerr << "krel: " << error << "\n";
    w.ReportWriteFailed = true;
  }
  if (!w.DumpPath.empty() && !AppendDumpLine(w.DumpPath, DumpLine(w, frames, end), error)) {
    std::cerr << "krel: " << error << "\n";
    w.ReportWriteFailed = true;
  }
  if (w.trace != nullptr) w.trace->Flush();
  if (w.observer != nullptr) w.observer->OnGameEnd(w);
}

}  // namespace

void SeedRandom(World& w) {
  if (w.FixedSeed) {
    w.Seed(*w.FixedSeed);
    return;
  }
  // The platform's tick counts from program start, so on its own it would
  // give nearly the same seed every run; the calendar clock makes runs differ.
  std::uint64_t wall = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  w.Seed(MixSeed(wall ^ (static_cast<std::uint64_t>(TickCount(w)) << 32)));
}

void AddPhaseTime(World& w, int32& countvar) {
  std::uint32_t now = TickCount(w);
  std::int64_t sum = static_cast<std::int64_t>(countvar) + static_cast<std::int64_t>(now - w.PhaseClockLast);
  // A game would have to run for weeks to get here; stop at the top rather
  // than wrap into negative totals.
  countvar = static_cast<int32>(std::min<std::int64_t>(sum, std::numeric_limits<int32>::max()));
  w.PhaseClockLast = now;
}

void InitGame(World& w) {
  PumpWindowEvents(w);
  // A network game waits here for the server's game configuration.
  const std::uint32_t waitStart = TickCount(w);
  // (and, in open play, for the server's files that differ from this client's)
  while (w.Connection == ConnectionState::kConnected && (w.ConfigReceived == kFalse || ServerFilesAwaited(w)) &&
         !w.QuitRequested) {
    // A server that accepted us but never answers must not hold the game
    // forever: after a while it counts as a lost connection.
    if (TickCount(w) - waitStart > kConfigWaitMs) {
      ConnectionLost(w);
      break;
    }
    if (w.platform != nullptr) w.platform->Delay(1);
    PumpWindowEvents(w);
  }

  // The weapon file the server names, if it names one, for this game.
  if (std::string error; !UseServerArms(w, error) && !error.empty())
    std::cerr << "krel: the server's weapon file not used: " << error << "\n";

  // The three reds of the laser sights, in the screen's format.
  DisplayOf(w).LaserColours = {static_cast<Pixel>(SurfaceColor(DisplayOf(w).Back, 96, 0, 0)),
                               static_cast<Pixel>(SurfaceColor(DisplayOf(w).Back, 64, 0, 0)),
                               static_cast<Pixel>(SurfaceColor(DisplayOf(w).Back, 255, 0, 0))};

  for (int p = 1; p <= 2; ++p) {
    Player& pl = w.Players[static_cast<std::size_t>(p)];
    pl.Color = w.MenuColor[static_cast<std::size_t>(p)];
    pl.SetName(w.MenuName[static_cast<std::size_t>(p)]);
    pl.Computer = w.MenuComputer[static_cast<std::size_t>(p)];
  }
  w.Suicides.fill(0);
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int p = 1; p <= last; ++p) {
    Player& pl = w.Players[static_cast<std::size_t>(p)];
    pl.Health = 100;
    pl.Lives = w.LivesSetting;
    pl.Kills = 0;
    pl.DirX = 0;
    pl.DirY = 0;
    pl.Age = 0;
    pl.LastShot = 0;
  }
  // The level is reloaded before the worms are placed, not after: placed
  // first, a worm would stand in the hole its respawn dug, and the reload
  // would fill that hole again and bury it.
  // A game joined while it runs plays on the level the server sent.
  if ((w.Connection == ConnectionState::kConnected || w.RegenerateLevel != kFalse) && !TakeServerLevel(w)) {
    std::string error;
    // The old level stays if the file has gone; the game can still be played.
    // The level the server names, if it names one; else the player's own.
    const std::string server_level = ServerLevelFolder(w);
    if (!loadlevel(w, server_level.empty() ? DataDir(w, "level.bmp") : server_level, error))
      std::cerr << "krel: level not reloaded: " << error << "\n";
  }
  PlayerDied(w, 1, 1, Origin::kNetwork);
  PlayerDied(w, 2, 2, Origin::kNetwork);
  for (int p = 1; p <= last; ++p) {
    Player& pl = w.Players[static_cast<std::size_t>(p)];
    for (std::size_t j = 0; j < pl.Ammo.size(); ++j) {
      // Weapon number n is described by slot n + 1; a slot holding a number
      // outside the table (bad network data) gets no ammunition.
      int slot = pl.WeaponSlots[j] + 1;
      pl.Ammo[j] = (slot >= 0 && slot < kWeaponSlots) ? fixed(w.WeaponDefs[static_cast<std::size_t>(slot)].AMMO)
                                                      : fixed(0);
    }
  }

  // Keys still held from the menu must be pressed again to act. The first
  // frame acts on Ctrl, so it is taken from the cleared table too; otherwise
  // the last frame of the previous game would still be firing.
  w.OldKeyState = w.KeyState;
  w.KeyState.fill(0);
  ReadControls(w);

  RebuildSurfaces(w);
  SendMyData(w);
}

GameEnd Game(World& w) {
  EventsScope events(w);
  w.PhaseTimes.fill(0);
  w.ChatLog.clear();
  w.Notice.clear();
  w.NoticeFrames = 0;
  w.Draft = {};
  w.ViewedWorm = {0, 1, 2};
  w.ResetEntityTables();
  w.FrameStart = TickCount(w);
  SeedRandom(w);
  InitGame(w);
  if (SoundOf(w).SoundMissing && !SoundOf(w).SoundMissingSaid) {
    SoundOf(w).SoundMissingSaid = true;
    ShowChatLine(w, std::string(kNoSoundDevice) + ", playing without sound");
  }
  if (w.trace != nullptr) w.trace->GameStarted();
  if (w.observer != nullptr) w.observer->OnGameStart(w);
  int32 scratch = 0;
  AddPhaseTime(w, scratch);  // the first measured phase starts here
  PlaySound(w, 23);
  std::int64_t frames = 0;
  GameEnd end = RunFrames(w, frames);
  EndGame(w, end, frames);
  return end;
}

}  // namespace krel
