#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "client/core/game.h"
#include "core_test_support.h"
#include "platform/keycodes.h"
#include "platform/script_input.h"

namespace krel {
namespace {

using testing::FrameHookPlatform;
using testing::MakeLocalWorld;
using testing::ReadFileBytes;
using testing::TempCwd;

// A platform whose window can be minimised for a number of checks.
class MinimisablePlatform : public FrameHookPlatform {
 public:
  int unusable_checks = 0;
  bool DisplayUsable() override {
    if (unusable_checks > 0) {
      --unusable_checks;
      return false;
    }
    return true;
  }
};

struct GameRig {
  MinimisablePlatform platform;
  std::unique_ptr<World> w = MakeLocalWorld(platform);
  GameRig() { platform.world = w.get(); }
  void EscapeAtRead(int n) {
    platform.on_read = [this, n](int read) {
      if (read == n) platform.SetKey(DIK_ESCAPE, true);
    };
  }
};

std::string Block(int warten, int anzeigen) {
  return "Warten: " + std::to_string(warten) + "\r\nSpieler: 0\r\nSch\xFCsse: 0\r\nObjekte: 0\r\nSObjs: 0\r\nAnzeigen: " +
         std::to_string(anzeigen) + "\r\n";
}

TEST(GameLoop, SetUpPreparesEveryPlayerInUse) {
  TempCwd tmp;
  GameRig r;
  World& w = *r.w;
  w.NumPlayers = 3;
  w.LivesSetting = 9;
  w.MenuName[1] = "Alice";
  w.MenuName[2] = "A name of more than twenty letters";
  w.MenuColor[1] = 120;
  w.MenuColor[2] = 300;
  w.MenuComputer[2] = kTrue;
  w.WeaponDefs[1].AMMO = 5;   // weapon 0
  w.WeaponDefs[8].AMMO = 12;  // weapon 7
  w.WeaponDefs[0].AMMO = 1;   // the bonus pseudo-weapon
  for (int p = 1; p <= 4; ++p) {
    Player& pl = w.Players[static_cast<std::size_t>(p)];
    pl.Health = 3;
    pl.Lives = -4;
    pl.Kills = 8;
    pl.DirX = 2;
    pl.DirY = -2;
    pl.Age = 500;
    pl.LastShot = 490;
    pl.WeaponSlots = {0, 7, -1, 41, -2};  // 41 and -2 are no weapons
    pl.Alive = kTrue;
  }
  w.KeyState[DIK_SPACE] = 1;
  w.NetFrameReady = kFalse;
  InitGame(w);
  EXPECT_EQ(w.Players[1].Name, "Alice               ");
  EXPECT_EQ(w.Players[2].Name, "A name of more than ");
  EXPECT_EQ(w.Players[1].Color, 120);
  EXPECT_EQ(w.Players[2].Color, 300);
  EXPECT_EQ(w.Players[1].Computer, kFalse);
  EXPECT_EQ(w.Players[2].Computer, kTrue);
  for (int p = 1; p <= 3; ++p) {
    const Player& pl = w.Players[static_cast<std::size_t>(p)];
    EXPECT_EQ(pl.Health, 100) << p;
    EXPECT_EQ(pl.Lives, 9) << p;
    EXPECT_EQ(pl.Kills, 0) << p;
    EXPECT_EQ(pl.DirX, fixed(0)) << p;
    EXPECT_EQ(pl.DirY, fixed(0)) << p;
    EXPECT_EQ(pl.Age, 0) << p;
    EXPECT_EQ(pl.LastShot, 0) << p;
    EXPECT_EQ(pl.Ammo, (std::array<fixed, 5>{5, 12, 1, 0, 0})) << p;
  }
  EXPECT_EQ(w.Players[1].Alive, kFalse);  // placed, waiting for jump
  EXPECT_EQ(w.Players[2].Alive, kFalse);
  // A slot beyond NumPlayers is left alone.
  EXPECT_EQ(w.Players[4].Lives, -4);
  EXPECT_EQ(w.Players[4].Age, 500);
  EXPECT_EQ(w.OldKeyState[DIK_SPACE], 1);
  EXPECT_EQ(w.KeyState[DIK_SPACE], 0);
  // The laser reds in the screen format: full red is 0xF800.
  EXPECT_EQ(w.laserColors[2], 0xF800);
  EXPECT_EQ(w.laserColors[0] & 0x07FF, 0);
  EXPECT_LT(w.laserColors[1], w.laserColors[0]);
  EXPECT_LT(w.laserColors[0], w.laserColors[2]);
  EXPECT_EQ(w.NetFrameReady, kTrue);  // the first state was "sent"
}

TEST(GameLoop, FramesStartMoreThan40msApartWithoutCatchingUp) {
  TempCwd tmp;
  GameRig r;
  r.platform.on_present = [&](int n) {
    r.platform.Advance(15);  // drawing takes a while
    if (n == 5) r.platform.Advance(300);  // one slow frame
  };
  r.EscapeAtRead(9);
  EXPECT_EQ(Game(*r.w), GameEnd::kEscape);
  const auto& s = r.platform.frame_starts;
  ASSERT_EQ(s.size(), 9u);
  EXPECT_EQ(s[0], 1041u);  // the clock started at 1000 when the game began
  for (std::size_t i = 1; i < s.size(); ++i) {
    // Measured from the previous start, not from the end of the previous
    // frame; after the slow frame the next starts at once and the one after
    // keeps the usual distance.
    EXPECT_EQ(s[i] - s[i - 1], i == 5 ? 315u : 41u) << "frame " << i + 1;
  }
  EXPECT_TRUE(r.w->ChatLines[1].empty());
}

TEST(GameLoop, AFrameLongerThan2000msCountsAsALostConnection) {
  for (std::uint32_t extra : {2000u, 2001u}) {
    TempCwd tmp;
    GameRig r;
    r.platform.on_present = [&](int n) {
      if (n == 3) r.platform.Advance(extra);
    };
    r.EscapeAtRead(5);
    EXPECT_EQ(Game(*r.w), GameEnd::kEscape);
    if (extra == 2000) {
      EXPECT_TRUE(r.w->ChatLines[1].empty());
    } else {
      // Also in a local game; stamped with player 1's age at that moment.
      EXPECT_EQ(r.w->ChatLines[1], "NETWORK CONNECTION LOST");
      EXPECT_EQ(r.w->ChatTimes[1], 3);
      EXPECT_TRUE(r.w->ChatLines[2].empty());
    }
  }
}

TEST(GameLoop, ASlowSetUpCountsAsALostConnectionToo) {
  TempCwd tmp;
  GameRig r;
  r.w->wsState = 7;  // a network game whose configuration has arrived
  r.w->ConfigReceived = kTrue;
  r.platform.on_events = [&](int n) {
    if (n == 1) r.platform.Advance(2500);  // inside the set-up
  };
  r.EscapeAtRead(2);
  EXPECT_EQ(Game(*r.w), GameEnd::kEscape);
  EXPECT_EQ(r.w->ChatLines[1], "NETWORK CONNECTION LOST");
  EXPECT_EQ(r.w->ChatTimes[1], 0);
  EXPECT_EQ(r.w->wsState, 0);
}

TEST(GameLoop, EscapeEndsBeforeDrawingAndKeepsTheMenuPicture) {
  TempCwd tmp;
  GameRig r;
  r.w->surfBack2.Clear(0x1234);
  r.EscapeAtRead(4);
  EXPECT_EQ(Game(*r.w), GameEnd::kEscape);
  // Read at the end of frame 4, acted on in frame 5, which draws nothing.
  EXPECT_EQ(r.platform.frames_presented(), 4);
  for (Pixel p : r.w->surfBack2.pixels()) ASSERT_EQ(p, 0x1234);
  EXPECT_EQ(ReadFileBytes("performance.log"), Block(5 * 41, 0));
}

TEST(GameLoop, GameOverOnlyForPlayersOneAndTwoAndKeepsTheLastFrame) {
  {
    TempCwd tmp;
    GameRig r;
    r.w->surfBack2.Clear(0x1234);
    r.platform.on_present = [&](int n) {
      if (n == 2) r.w->Players[1].Lives = 0;  // the last life: not over yet
      if (n == 4) r.w->Players[2].Lives = -1;
    };
    EXPECT_EQ(Game(*r.w), GameEnd::kGameOver);
    EXPECT_EQ(r.platform.frames_presented(), 4);
    EXPECT_EQ(r.w->surfBack2.pixels(), r.w->surfBack.pixels());
    EXPECT_NE(r.w->surfBack2.GetLockedPixel(5, 5), 0x1234);
    EXPECT_FALSE(ReadFileBytes("performance.log").empty());
  }
  {
    TempCwd tmp;
    GameRig r;
    r.w->NumPlayers = 3;
    r.platform.on_present = [&](int n) {
      if (n == 2) r.w->Players[3].Lives = -1;  // another machine's worm
    };
    r.EscapeAtRead(6);
    EXPECT_EQ(Game(*r.w), GameEnd::kEscape);
    EXPECT_EQ(r.platform.frames_presented(), 6);
  }
}

TEST(GameLoop, AKeyHeldFromTheMenuActsOnlyOnceReadDownAgain) {
  TempCwd tmp;
  GameRig r;
  r.platform.SetKey(DIK_J, true);    // player 1's shoot, held all along
  r.w->KeyState[DIK_J] = 1;          // as the menu last saw it
  r.w->Players[1].Ctrl[kShoot] = 1;  // and as the previous game left it
  std::vector<int> held;
  std::vector<bool> fresh;
  r.platform.on_present = [&](int) {
    held.push_back(r.w->Players[1].Ctrl[kShoot]);
    fresh.push_back(NewlyPressed(*r.w, 1, kShoot));
  };
  r.EscapeAtRead(3);
  EXPECT_EQ(Game(*r.w), GameEnd::kEscape);
  EXPECT_EQ(held, (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(fresh, (std::vector<bool>{false, true, false}));
}

TEST(GameLoop, EveryGameAppendsItsTimingBlock) {
  TempCwd tmp;
  GameRig r;
  r.platform.on_present = [&](int) { r.platform.Advance(10); };
  r.EscapeAtRead(6);
  EXPECT_EQ(Game(*r.w), GameEnd::kEscape);
  // The first frame waits 41 ms, each later one 41 minus the 10 ms drawing.
  const std::string first = Block(41 + 31 * 6, 10 * 6);
  EXPECT_EQ(ReadFileBytes("performance.log"), first);

  // Escape is still down from the first game: it must not end the second.
  r.platform.reads = 0;
  r.platform.ReleaseAllKeys();
  r.EscapeAtRead(3);
  EXPECT_EQ(Game(*r.w), GameEnd::kEscape);
  EXPECT_EQ(r.platform.frames_presented(), 6 + 3);
  EXPECT_EQ(ReadFileBytes("performance.log"), first + Block(41 + 31 * 3, 10 * 3));
}

TEST(GameLoop, MinimisingSuspendsTheGameAndRestartsTheFrameClock) {
  TempCwd tmp;
  GameRig r;
  r.platform.on_present = [&](int n) {
    if (n == 3) r.platform.unusable_checks = 301;  // about three seconds away
  };
  r.EscapeAtRead(5);
  EXPECT_EQ(Game(*r.w), GameEnd::kEscape);
  const auto& s = r.platform.frame_starts;
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s[3] - s[2], 3010u + 41u);
  EXPECT_EQ(s[4] - s[3], 41u);
  // The restored window does not count as a lost connection.
  EXPECT_TRUE(r.w->ChatLines[1].empty());

  // dxDoEvents itself.
  r.platform.unusable_checks = 0;
  EXPECT_FALSE(dxDoEvents(*r.w));
  r.platform.unusable_checks = 2;
  EXPECT_TRUE(dxDoEvents(*r.w));
  // Closing the minimised window ends the wait at once.
  r.platform.unusable_checks = 1000000;
  r.platform.QueueClose();
  EXPECT_FALSE(dxDoEvents(*r.w));
  EXPECT_TRUE(r.w->QuitRequested);
  EXPECT_GT(r.platform.unusable_checks, 999990);
}

TEST(GameLoop, ClosingTheWindowEndsTheGameWithoutATimingReport) {
  TempCwd tmp;
  GameRig r;
  r.w->DumpPath = "dump.jsonl";
  r.platform.on_present = [&](int n) {
    if (n == 3) r.platform.QueueClose();
  };
  EXPECT_EQ(Game(*r.w), GameEnd::kClosed);
  EXPECT_EQ(r.platform.frames_presented(), 3);
  EXPECT_TRUE(r.w->QuitRequested);
  EXPECT_FALSE(std::filesystem::exists("performance.log"));
  std::string dump = ReadFileBytes("dump.jsonl");
  EXPECT_EQ(dump.rfind("{\"frames\":3,\"end\":\"closed\",", 0), 0u) << dump;
}

TEST(GameLoop, KeyScriptDrivesAGameUntilEscape) {
  TempCwd tmp;
  FrameHookPlatform inner;
  InputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript("75 -\n10 RIGHT\n10 K   # jump\n25 -\n3 ESCAPE\n", "game.keys", script, error))
      << error;
  ScriptInputPlatform scripted(inner, std::move(script));
  std::unique_ptr<World> w = MakeLocalWorld(scripted);
  w->DumpPath = "dump.jsonl";
  inner.world = w.get();
  int right_frames = 0, jump_frames = 0, first_right = 0;
  inner.on_present = [&](int n) {
    if (w->Players[1].Ctrl[kRight] == 1 && right_frames++ == 0) first_right = n;
    if (w->Players[1].Ctrl[kJump] == 1) ++jump_frames;
  };
  EXPECT_EQ(Game(*w), GameEnd::kEscape);
  // 121 frames read the script; the 122nd saw Escape. About five seconds.
  EXPECT_EQ(inner.frames_presented(), 121);
  EXPECT_EQ(right_frames, 10);
  EXPECT_EQ(first_right, 77);  // read at the end of frame 76
  EXPECT_EQ(jump_frames, 10);
  EXPECT_FALSE(scripted.finished());
  EXPECT_FALSE(w->QuitRequested);

  const std::string log = ReadFileBytes("performance.log");
  static const std::regex kLine("(Warten|Spieler|Sch\xFCsse|Objekte|SObjs|Anzeigen): (0|[1-9][0-9]*)\r\n");
  const char* labels[] = {"Warten", "Spieler", "Sch\xFCsse", "Objekte", "SObjs", "Anzeigen"};
  std::size_t pos = 0;
  for (const char* label : labels) {
    std::size_t end = log.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos) << "fewer than six lines";
    std::string line = log.substr(pos, end + 2 - pos);
    EXPECT_TRUE(std::regex_match(line, kLine)) << line;
    EXPECT_EQ(line.rfind(std::string(label) + ": ", 0), 0u) << line;
    pos = end + 2;
  }
  EXPECT_EQ(pos, log.size()) << "more than six lines";
  EXPECT_EQ(log.rfind("Warten: 5002\r\n", 0), 0u);  // 122 frames of 41 ms

  std::string dump = ReadFileBytes("dump.jsonl");
  EXPECT_EQ(dump.rfind("{\"frames\":122,\"end\":\"escape\",\"NumPlayers\":2,\"players\":[{\"Name\":\"Player 1    "
                       "        \",",
                       0),
            0u)
      << dump;
  EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 1);
}

}  // namespace
}  // namespace krel
