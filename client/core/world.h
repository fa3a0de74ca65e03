// The one game object. Every subsystem of the client works on this state in
// place, on the one game thread: the player table, the entity arrays, the
// definition tables, the level, the keyboard tables, the surfaces and the
// sound ring. There is exactly one instance per running game client (tests
// make their own); nothing else holds game state.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "client/weapons/defs.h"
#include "client/worms/ace_path.h"
#include "protocol/base/numbers.h"
#include "protocol/worm_codec.h"

namespace krel {

class Platform;
class SettingsStore;
struct NetClient;
class FrameTrace;
struct World;

// Told when each game starts and ends (the session recorder listens).
class GameObserver {
 public:
  virtual ~GameObserver() = default;
  virtual void OnGameStart(World& w) = 0;
  virtual void OnGameEnd(World& w) = 0;
};

inline constexpr int kMaxPlayerSlots = 18;   // slots 0..17; 0 is never a player
inline constexpr int kMaxNetPlayers = 17;
inline constexpr int kNameLength = 20;
inline constexpr int kKeyMapPlayers = 17;    // KeyMap rows 0..16
inline constexpr int kControls = 8;          // Ctrl/KeyMap columns 0..7

// Control numbers (index 0 belongs to no control).
enum Control : int { kLeft = 1, kRight = 2, kUp = 3, kDown = 4, kShoot = 5, kJump = 6, kChange = 7 };

// One worm. Its fields are those of the wire's worm record, in the same
// order and formats, so the worm codecs work on it directly.
struct Player : WormRecord {
  Player() { Name.assign(kNameLength, ' '); }

  // Cuts to 20 characters or pads with blanks on the right.
  void SetName(const std::string& name);
};

// A shot, particle object or special object; the three live arrays share it.
struct Entity {
  int16 ty = 0;
  int16 owner = 0;
  fixed x, Y;
  fixed dx, dy;
  int16 age = 0;
  fixed speed;
  flag removed = kFalse;
  int16 color = 0;
  int32 steps = 0;
};
using Shot = Entity;
using Obj = Entity;
using SObj = Entity;

// A palette entry {red, green, blue, flags}.
struct PaletteEntry {
  std::uint8_t red = 0, green = 0, blue = 0, flags = 0;
};

// The computer player's memory of one worm; it lasts the whole program run.
struct AiRecord {
  int16 Target = 0;  // 0 is no player: the worm heads for (0, 0) until it picks one
  fixed LastX, LastY;
  flag DugWhileStuck = kFalse;
  flag RopedWhileStuck = kFalse;
};

// Who controls a local worm (Player::Computer, MenuComputer): a person, the
// design's computer player (the flag's true value, what "CPU" means in saved
// settings and recordings) or the ace computer player.
inline constexpr flag kControllerHuman = kFalse;
inline constexpr flag kControllerCpu = kTrue;
inline constexpr flag kControllerAce = 2;

// The ace computer player's memory of one worm (client/worms/ace.cpp).
struct AceRecord {
  int32 lastX = 0, lastY = 0;   // whole pixels at the previous call
  int32 stillFrames = 0;        // calls since the worm last got 2 pixels away from lastX, lastY
  int32 stuckFrames = 0;        // calls in a row trying to walk without getting anywhere
  int32 ropeFrames = 0;         // calls since the rope was thrown; 0 without a rope
  int32 dodgeFrames = 0;        // calls left of a dodge
  int32 dodgeDir = 0;           // -1 left, +1 right
  int32 wanderDir = 1;          // where to walk without a better idea
  int32 nextSlot = 0;           // the slot to weigh up next
  // Per weapon slot: the best aim step found (-1 none), its facing and worth.
  std::array<int32, 5> aim{-1, -1, -1, -1, -1};
  std::array<flag, 5> facingRight{};
  std::array<int32, 5> worth{};
  AcePath path;                 // the way to the other worm
  int32 pathAge = 0;            // calls since the way was worked out
  int32 wayX = 0, wayY = 0;     // where the worm was heading last
  int32 bestCost = 0xFFFF;      // the nearest the worm has come to the goal, as the way's cost
  int32 noProgress = 0;         // calls since it last came nearer
  int32 detourFrames = 0;       // calls left of a detour off the way, when the way led nowhere
  // Points of the level the worm could not get to: the way avoids them.
  std::array<int32, 8> deadX{}, deadY{};
  int32 deadCount = 0;
};

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

  // --- network session (filled in by the network client) ------------------
  // Socket state of the game connection: 0 closed, 7 connected, others are
  // intermediate states. The network client keeps it in step with its
  // socket; the game tests it wherever local and network play differ.
  int wsState = 0;
  NetClient* net = nullptr;  // the sockets, never owned; none: local play only
  std::string OutBuffer;

  // --- level -------------------------------------------------------------
  Surface LevelSurface;
  int32 LevelWidth = 0;
  int32 LevelHeight = 0;
  std::array<int32, 256> PaletteColors{};
  // Material of every 16-bit pixel value (1 soil, 2 rock, 3 free; 0 for any
  // other colour), derived from PaletteColors by BuildMaterialTable in
  // client/terrain/level.h. Whoever changes PaletteColors rebuilds it; until
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

  // --- computer players (1 and 2; never reset between games) -------------
  std::array<AiRecord, 3> AiState{};
  std::array<AceRecord, 3> AceState{};

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

  // --- display -----------------------------------------------------------
  Pixel colorKey = 0xF81F;
  Rect rcWindow{};
  Surface surfBack{320, 240};
  Surface surfBack2{320, 240};
  Surface surfWorld;
  Surface surfPal;
  std::array<Surface, 11> surfFont{};
  // The font cell drawn for each byte of text (client/present/text.h),
  // worked out from surfFont(0) by the first text drawn after it changed.
  std::array<std::uint8_t, 256> FontCells{};
  bool FontCellsReady = false;
  Surface surfGfx16, surfGfx8, surfGfx4;
  std::array<Surface, 19> surfWorm{};  // 1..18
  std::array<PaletteEntry, 256> paletteEntries{};
  std::array<Pixel, 3> laserColors{};

  // --- sound -------------------------------------------------------------
  int32 soundsThisFrame = 0;
  int soundVoiceNext = 0;
  // No sound device: the game plays silently; the first game says so once.
  bool SoundMissing = false;
  bool SoundMissingSaid = false;

  // --- timing ------------------------------------------------------------
  std::uint32_t FrameStart = 0;
  std::array<int32, 21> PhaseTimes{};
  std::uint32_t PhaseClockLast = 0;

  // --- services ----------------------------------------------------------
  Platform* platform = nullptr;        // never owned
  SettingsStore* settings = nullptr;   // never owned
  std::mt19937_64 rng{0};
  // Set when the window was closed: every loop unwinds and the program ends.
  bool QuitRequested = false;

  // --- run options (set once at start-up) ---------------------------------
  // The program's own folder: arms.dat and level.bmp are read from there.
  std::string ProgramDir = ".";
  // Where arms.dat and level.bmp are looked for, in order (client/core/
  // data_files.h); empty means ProgramDir alone.
  std::vector<std::string> DataDirs;
  // When set, replaces the clock as the random seed (KREL_SEED), so that a
  // run can be repeated exactly.
  std::optional<std::uint64_t> FixedSeed;
  // When not empty, every game end appends a JSON line here (KREL_DUMP).
  std::string DumpPath;
  // When set, every frame is traced (KREL_TRACE); never owned.
  FrameTrace* trace = nullptr;
  // When set, told of every game's start and end; never owned.
  GameObserver* observer = nullptr;

  // The one uniform random source, [0, 1). The player argument is accepted
  // for the callers' sake and does not change the result.
  double Rand(int player = 0);
  void Seed(std::uint64_t seed) { rng.seed(seed); }
  void ResetEntityTables();
};

}  // namespace krel
