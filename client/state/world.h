// The one game object. Every subsystem of the client works on this state in
// place, on the one game thread, grouped by concern: the players, the game's
// settings, the level, the keyboard, the entity arrays and definition tables,
// the chat and the services. The layers above the simulation keep their own
// state beside it (the picture and the sound counters with presentation, the
// computer players' memory with the computer players, the sockets with the
// network), reached through the handles at the end. There is exactly one
// instance per running game client (tests make their own).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "client/state/definitions.h"
#include "client/state/entity.h"
#include "client/state/layer_state.h"
#include "client/state/net_status.h"
#include "client/state/player.h"
#include "client/state/sim_events.h"
#include "gfx/surface.h"
#include "protocol/base/numbers.h"

namespace krel {

class Platform;
class SettingsStore;
class FrameTrace;
class GameObserver;
struct NetClient;
// Kept by the layers above (client/present/display_state.h,
// client/ai/memory.h) in LayerState members.
struct Display;
struct SoundState;
struct ComputerMemory;

struct World {
  // --- players -----------------------------------------------------------
  std::array<Player, kMaxPlayerSlots> Players{};
  std::array<Player, kMaxPlayerSlots> SentPlayers{};

  // --- flags and settings ------------------------------------------------
  flag Fullscreen = kTrue;
  int16 NumPlayers = 2;
  flag ConfigReceived = kFalse;
  flag NetFrameReady = kTrue;
  int16 LivesSetting = 15;
  int16 LoadingSetting = 100;
  flag LoadAndChange = kTrue;
  flag RegenerateLevel = kTrue;
  // Per local player (index 1 and 2): what the menu keeps for the next game.
  std::array<std::string, 3> MenuName{"", "Player 1", "Player 2"};
  std::array<int16, 3> MenuColor{};
  std::array<flag, 3> MenuComputer{};
  // The ace computer player's strength, 1 (easiest) to kAceStrongest.
  std::array<int16, 3> MenuAceStrength{kAceStrongest, kAceStrongest, kAceStrongest};

  // --- network game (kept in step by the network session) ------------------
  // The game connection's state; the simulation tests it wherever local and
  // network play differ.
  ConnectionState Connection = ConnectionState::kClosed;
  NetClient* net = nullptr;  // the sockets, never owned; none: local play only
  // This client's own events of the frame, written for the relay and sent
  // with the next state.
  std::string OutBuffer;
  // Round trips, silence, prediction and drawn positions (net_status.h).
  NetStatus NetStats;

  // --- level -------------------------------------------------------------
  Surface LevelSurface;
  int32 LevelWidth = 0;
  int32 LevelHeight = 0;
  std::array<int32, 256> PaletteColors{};
  // Material of every 16-bit pixel value (1 soil, 2 rock, 3 free; 0 for any
  // other colour), derived from PaletteColors by BuildMaterialTable in
  // client/simulation/terrain/level.h. Whoever changes PaletteColors rebuilds it; until
  // then every pixel counts as solid.
  std::array<std::uint8_t, 65536> MaterialTable{};

  // --- keyboard ----------------------------------------------------------
  std::array<int32, 256> KeyState{};
  std::array<int32, 256> OldKeyState{};
  std::array<std::array<int16, kControls>, kKeyMapPlayers> KeyMap{};
  std::array<std::string, 256> KeyNames{};
  int16 LastKey = 0;
  std::string TypedText;

  // --- entity arrays (element 0 is a placeholder) ------------------------
  std::vector<Shot> Shots{Shot{}};
  std::vector<Obj> Objs{Obj{}};
  std::vector<SObj> SObjs{SObj{}};
  // What the shots, objects and special objects may still do in this frame
  // (client/simulation/weapons/frame_budget.h); unlimited outside their
  // movers.
  struct MoverBudget {
    bool active = false;
    std::int64_t steps = 0;
    std::int64_t explosions = 0;
    std::int64_t pieces = 0;
    std::int64_t visits = 0;
  } Budget;

  // --- definition tables (filled once at start-up) -----------------------
  WeaponTable WeaponDefs{};
  ObjTable ObjDefs{};
  SObjTable SObjDefs{};

  // Each worm's suicides in the current game, as this client saw them (the
  // results screen's; Lives and Kills keep the rest of the score).
  std::array<int16, kMaxPlayerSlots> Suicides{};

  // Whether the results screen follows each game (a recording made before
  // there was one plays without it).
  bool ResultsScreen = true;

  // --- chat (1..10; index 0 unused) --------------------------------------
  std::array<std::string, 11> ChatLines{};
  std::array<int32, 11> ChatTimes{};
  // Every line shown during the current game, for the end-of-game report.
  std::vector<std::string> ChatLog;
  // A line across the middle of the screen that says what happened to the
  // game (the server went away), for NoticeFrames more frames and for as
  // long as neither worm of this player is in play.
  std::string Notice;
  int32 NoticeFrames = 0;
  // The worms the left and right views follow (index 1 and 2): a player's
  // own two; a spectator switches them with each player's left and right keys.
  std::array<int, 3> ViewedWorm{0, 1, 2};
  // While watching a network game: how many places to play it has free (its
  // views say so, and a jump key takes one); -1 while not watching.
  int FreePlaces = -1;
  // A chat line being typed in a network game (client/frontend/chat_line.h).
  struct ChatDraft {
    bool open = false;
    std::string text;
    // The character of the key that opened it may come a frame later.
    bool skip_opening_key = false;
    // Enter or Escape closed it: those keys and T are ignored until let go,
    // so that Escape does not also end the game nor T open it again.
    bool hold_keys = false;
  } Draft;

  // --- sprite sheets ------------------------------------------------------
  // Also stamped into the level by objects that draw themselves there.
  Surface Tiles16, Tiles8, Tiles4;

  // --- timing ------------------------------------------------------------
  std::uint32_t FrameStart = 0;
  std::array<int32, 21> PhaseTimes{};
  std::uint32_t PhaseClockLast = 0;

  // --- services ----------------------------------------------------------
  Platform* platform = nullptr;       // never owned
  SettingsStore* settings = nullptr;  // never owned
  // Told of sounds and of requests that travel to the relay; never owned.
  // None: they pass unseen.
  SimulationEvents* events = nullptr;
  std::mt19937_64 rng{0};
  // Set when the window was closed: every loop unwinds and the program ends.
  bool QuitRequested = false;

  // --- run options (set once at start-up) ---------------------------------
  // The program's own folder.
  std::string ProgramDir = ".";
  // Where arms.dat and level.bmp are looked for, in order (client/state/
  // data_files.h); empty means ProgramDir alone.
  std::vector<std::string> DataDirs;
  // When set, replaces the clock as the random seed (KREL_SEED), so that a
  // run can be repeated exactly.
  std::optional<std::uint64_t> FixedSeed;
  // When not empty, every game end appends a JSON line here (KREL_DUMP).
  std::string DumpPath;
  // Set when the dump or performance.log could not be written (said on
  // stderr at once): the program then ends with a non-zero status.
  bool ReportWriteFailed = false;
  // When not empty, every frame of a network game appends a line of timings
  // here (KREL_NETSTATS; client/app/net_stats_log.h).
  std::string NetStatsPath;
  // When set, every frame is traced (KREL_TRACE); never owned.
  FrameTrace* trace = nullptr;
  // When set, told of every game's start and end; never owned.
  GameObserver* observer = nullptr;

  // The one uniform random source, [0, 1). The player argument is accepted
  // for the callers' sake and does not change the result.
  double Rand(int player = 0);
  void Seed(std::uint64_t seed) {
    rng.seed(seed);
    GameSeed = seed;
  }
  // The seed last given to Seed: the computer players derive their own
  // streams from it, so that they never draw from the game's source.
  std::uint64_t GameSeed = 0;
  void ResetEntityTables();
  SimulationEvents& Events();
  bool Networked() const { return Connection != ConnectionState::kClosed; }

  // --- the layers' own state (never looked into below them) ----------------
  LayerState<Display> display;
  LayerState<SoundState> sound;
  LayerState<ComputerMemory> computers;
};

// The current tick count of the platform clock (0 without a platform).
std::uint32_t TickCount(const World& w);

}  // namespace krel
