// One game from set-up to its end, what it writes when it ends (the timing
// report and the dump line), and the program's start.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "client/app/game.h"
#include "client/frontend/window_events.h"
#include "client/present/display_state.h"
#include "client/simulation/report/dump.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/worms/input.h"
#include "client/state/world.h"
#include "core_test_support.h"
#include "platform/headless/headless_platform.h"
#include "platform/keycodes.h"

namespace krel {
namespace {

using namespace krel::testing;

// A headless platform that holds Escape down from a given keyboard read on,
// calls back into the test after each presented frame and closes the window
// after a given one (all counted from 1), and reports the window minimised
// for a number of display checks.
class HookPlatform : public HeadlessPlatform {
 public:
  std::function<void(int)> on_present;
  int reads = 0, escape_at_read = 0, close_at_frame = 0, unusable_checks = 0;

  void ReadKeyboard(std::uint8_t state[256]) override {
    if (++reads == escape_at_read) SetKey(DIK_ESCAPE, true);
    HeadlessPlatform::ReadKeyboard(state);
  }
  void Present(const Surface& frame) override {
    HeadlessPlatform::Present(frame);
    if (frames_presented() == close_at_frame) QueueClose();
    if (on_present) on_present(frames_presented());
  }
  // False for the next unusable_checks checks.
  bool DisplayUsable() override { return unusable_checks == 0 || (--unusable_checks, false); }
};

// A local game in a temporary working directory. Run() presses Escape before
// the given keyboard read of the game, records the FrameStart of every drawn
// frame and calls at_frame after it.
struct GameRig {
  TempCwd tmp;
  HookPlatform platform;
  std::unique_ptr<World> w = std::make_unique<World>();
  std::vector<std::uint32_t> starts;

  // Two players with default keys and lives, a fixed seed, and no level
  // reload (tests ship no level.bmp).
  GameRig() {
    std::tie(w->platform, w->FixedSeed, w->RegenerateLevel) = std::tuple(&platform, 7, kFalse);
    SetDefaultKeys(*w);
  }

  GameEnd Run(int escape_read, const std::function<void(int)>& at_frame = nullptr) {
    std::tie(platform.reads, platform.escape_at_read) = std::tuple(0, escape_read);
    platform.on_present = [this, at_frame](int n) {
      starts.push_back(w->FrameStart);
      if (at_frame) at_frame(n);
    };
    return Game(*w);
  }
};

TEST(GameLoop, SetUpPreparesThePlayersInUseOnly) {
  GameRig r;
  World& w = *r.w;
  std::tie(w.NumPlayers, w.LivesSetting, w.MenuName[1], w.NetFrameReady) =
      std::tuple(3, 9, "A name of more than twenty letters", kFalse);
  std::tie(w.WeaponDefs[0].AMMO, w.WeaponDefs[1].AMMO, w.WeaponDefs[8].AMMO) = std::tuple(1, 5, 12);  // -1, 0, 7
  for (Player& pl : w.Players) {
    std::tie(pl.Health, pl.Lives, pl.Kills, pl.Age, pl.LastShot) = std::tuple(3, -4, 8, 500, 490);
    pl.WeaponSlots = {0, 7, -1, 41, -2};  // 41 and -2 are no weapons
  }
  InitGame(w);
  // The menu's name is taken (cut to 20 letters), and the first state is sent.
  EXPECT_EQ(std::tuple(w.Players[1].Name, w.NetFrameReady), std::tuple("A name of more than ", kTrue));
  for (int p = 1; p <= 3; ++p) {
    const Player& pl = w.Players[static_cast<std::size_t>(p)];
    EXPECT_EQ(std::tuple(pl.Health, pl.Lives, pl.Kills, pl.Age, pl.LastShot), std::tuple(100, 9, 0, 0, 0)) << p;
    EXPECT_EQ(pl.Ammo, (std::array<fixed, 5>{5, 12, 1, 0, 0})) << p;
  }
  EXPECT_EQ(w.Players[4].Lives, -4);  // beyond NumPlayers: left alone
}

TEST(GameLoop, FramesStartMoreThan40msApartWithoutCatchingUpAndAtMost2000ms) {
  GameRig r;
  // Drawing takes a while; frame 5 is slow.
  EXPECT_EQ(r.Run(9, [&](int n) { r.platform.Advance(n == 5 ? 315 : 15); }), GameEnd::kEscape);
  ASSERT_EQ(r.starts.size(), 9u);
  EXPECT_EQ(r.starts[0], 1041u);  // the clock started at 1000 when the game began
  // Measured from the previous start, not from the end of the previous
  // frame; after the slow frame the next starts at once and the one after
  // keeps the usual distance.
  for (std::size_t i = 1; i < 9; ++i) EXPECT_EQ(r.starts[i] - r.starts[i - 1], i == 5 ? 315u : 41u) << i;
  // A frame longer than 2000 ms is a lost connection, in a local game too,
  // stamped with player 1's age at that moment; so is a set-up that long
  // (here a minimised window): the clock starts before it.
  struct Slow {
    int setup_checks;
    std::uint32_t frame3;
    bool lost;
    int age;
  };
  for (const Slow c : {Slow{0, 2000, false, 0}, Slow{0, 2001, true, 3}, Slow{201, 0, true, 0}}) {
    GameRig g;
    g.platform.unusable_checks = c.setup_checks;
    EXPECT_EQ(g.Run(5, [&](int n) { g.platform.Advance(n == 3 ? c.frame3 : 0); }), GameEnd::kEscape);
    EXPECT_EQ(std::tuple(g.w->ChatLines[1], g.w->ChatTimes[1]),
              c.lost ? std::tuple("NETWORK CONNECTION LOST", c.age) : std::tuple("", 0));
    EXPECT_TRUE(g.w->ChatLines[2].empty());
  }
}

TEST(GameLoop, GameOverOnlyWhenPlayerOneOrTwoHasFewerThanNoLives) {
  struct Case {
    int player;
    int16 lives;
    bool over;
  };
  for (const Case c : {Case{1, -1, true}, Case{2, -1, true}, Case{1, 0, false}, Case{3, -1, false}}) {
    GameRig r;
    r.w->NumPlayers = 3;
    DisplayOf(*r.w).SavedBack.Clear(0x1234);
    Player& target = r.w->Players[static_cast<std::size_t>(c.player)];
    GameEnd end = r.Run(4, [&](int n) {
      if (n == 2) target.Lives = c.lives;
    });
    EXPECT_EQ(end, c.over ? GameEnd::kGameOver : GameEnd::kEscape) << c.player << " " << c.lives;
    EXPECT_EQ(r.platform.frames_presented(), c.over ? 2 : 4);
    // Game over leaves the final frame behind the menu.
    EXPECT_EQ(DisplayOf(*r.w).SavedBack.pixels() == DisplayOf(*r.w).Back.pixels(), c.over);
    EXPECT_EQ(ReadFileBytes("performance.log"),
              "Warten: " + std::to_string(c.over ? 2 * 41 : 5 * 41) +
                  "\r\nSpieler: 0\r\nSch\xFCsse: 0\r\nObjekte: 0\r\nSObjs: 0\r\nAnzeigen: 0\r\n");
  }
}

TEST(GameLoop, AKeyHeldFromTheMenuActsOnlyOnceReadDownAgain) {
  GameRig r;
  r.platform.SetKey(DIK_J, true);          // player 1's shoot, held all along
  r.w->KeyState[DIK_J] = 1;                // as the menu last saw it
  r.w->Players[1].Ctrl[kShoot] = 1;        // and as the previous game left it
  std::vector<std::pair<int, bool>> seen;  // Ctrl and NewlyPressed in each frame
  r.Run(3, [&](int) { seen.emplace_back(r.w->Players[1].Ctrl[kShoot], NewlyPressed(*r.w, 1, kShoot)); });
  EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{{0, false}, {1, true}, {1, false}}));
}

TEST(GameLoop, MinimisingSuspendsTheGameAndRestartsTheFrameClock) {
  GameRig r;
  // About three seconds away after frame 3.
  EXPECT_EQ(r.Run(5, [&](int n) { r.platform.unusable_checks = n == 3 ? 301 : 0; }), GameEnd::kEscape);
  ASSERT_EQ(r.starts.size(), 5u);
  EXPECT_EQ(std::pair(r.starts[3] - r.starts[2], r.starts[4] - r.starts[3]), std::pair(3010u + 41u, 41u));
  // Closing the minimised window ends the wait at once.
  r.platform.unusable_checks = 1000000;
  r.platform.QueueClose();
  EXPECT_TRUE(!PumpWindowEvents(*r.w) && r.w->QuitRequested && r.platform.unusable_checks > 999990);
}

TEST(GameLoop, ClosingTheWindowEndsTheGameWithoutATimingReport) {
  // (Its dump line is checked by the recorded session in recordings_test.cpp.)
  GameRig r;
  r.platform.close_at_frame = 3;
  EXPECT_EQ(r.Run(0), GameEnd::kClosed);
  EXPECT_TRUE(r.platform.frames_presented() == 3 && !std::filesystem::exists("performance.log"));
  std::string error;
  EXPECT_TRUE(!AppendDumpLine("no/such/folder/d.jsonl", "{}", error) &&
              error.find("no/such/folder") != std::string::npos);
}

TEST(GameLoop, WithoutSoundTheFirstGameSaysSoInAChatLineOnce) {
  GameRig r;
  SoundOf(*r.w).SoundMissing = true;
  const std::vector<std::string> said{"No sound device found, playing without sound"};
  EXPECT_EQ(r.Run(2), GameEnd::kEscape);
  EXPECT_EQ(r.w->ChatLog, said);
  r.platform.ReleaseAllKeys();
  EXPECT_EQ(r.Run(2), GameEnd::kEscape);
  EXPECT_TRUE(r.w->ChatLog.empty());
}

// The line's layout is compared byte for byte with the shipped recordings'
// reports; here what they do not show.
TEST(Dump, NamesAreEscapedAndABadPlayerCountReadsNoFurtherThanTheTable) {
  auto w = std::make_unique<World>();
  w->NumPlayers = 40;  // as bad network data may have it
  w->Players[1].SetName("J\xF6rg \"JJ\" \\");
  w->Players[2].SetName("\x01\x80");  // the euro sign in the game's code page
  const std::string line = DumpLine(*w, 1, GameEnd::kEscape);
  for (const char* name :
       {"{\"Name\":\"J\\u00f6rg \\\"JJ\\\" \\\\         \",", "{\"Name\":\"\\u0001\\u20ac                  \","})
    EXPECT_NE(line.find(name), std::string::npos) << name << "\n" << line;
  int names = 0;
  for (std::size_t at = 0; (at = line.find("\"Name\"", at)) != std::string::npos; ++at) ++names;
  EXPECT_EQ(names, 17);
  // The level's checksum (FNV-1a, as tools recompute it) follows the material
  // of each pixel, not its colour, and where it is.
  w->MaterialTable[0x1111] = w->MaterialTable[0x2222] = kSoil;
  w->MaterialTable[0x3333] = kFree;
  auto sum = [&](Pixel at10, Pixel at21) {
    w->LevelSurface = Surface(3, 2);
    w->LevelSurface.Clear(0x1111);
    std::tie(w->LevelSurface.At(1, 0), w->LevelSurface.At(2, 1)) = std::tuple(at10, at21);
    return LevelChecksum(*w);
  };
  std::uint32_t soil = 2166136261u;  // six soil bytes (1)
  for (int i = 0; i < 6; ++i) soil = (soil ^ 1u) * 16777619u;
  EXPECT_EQ(std::tuple(sum(0x1111, 0x1111), sum(0x2222, 0x1111)), std::tuple(soil, soil));
  EXPECT_EQ(std::set<std::uint32_t>({soil, sum(0x3333, 0x1111), sum(0x1111, 0x3333)}).size(), 3u);
}

}  // namespace
}  // namespace krel
