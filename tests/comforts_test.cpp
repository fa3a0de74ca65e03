// The player's comforts that need no window: the command line, where the
// data files are found, where the picture goes in a window, game controllers
// and screenshot names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "client/app/command_line.h"
#include "client/app/game.h"
#include "client/frontend/window_events.h"
#include "client/simulation/worms/input.h"
#include "client/state/data_files.h"
#include "client/state/world.h"
#include "core_test_support.h"
#include "platform/headless/headless_platform.h"
#include "platform/keycodes.h"
#include "platform/scaling.h"
#include "platform/screenshot_path.h"

namespace krel {
namespace {

using Action = CommandLine::Action;

TEST(CommandLineOptions, ParseAsDocumented) {
  const struct {
    std::vector<std::string> args;
    Action action;
    bool window;
    std::string watch = "";
  } cases[] = {
      {{}, Action::kRun, false},
      {{"/window"}, Action::kRun, true},
      // Only exactly "/window" asks for a window.
      {{"/WINDOW"}, Action::kRun, false},
      {{"--version", "--help"}, Action::kVersion, false},
      {{"--help", "--bogus"}, Action::kHelp, false},
      {{"-window"}, Action::kBadUsage, false},
      {{"--window", "--fullscreen"}, Action::kBadUsage, true},
      // After "--" a dash is no option.
      {{"--", "--help"}, Action::kRun, false},
      {{"--watch", "10.0.0.2:17400", "--window"}, Action::kRun, true, "10.0.0.2:17400"},
      {{"--watch"}, Action::kBadUsage, false},
  };
  for (const auto& c : cases) {
    const CommandLine got = ParseCommandLine(c.args);
    EXPECT_EQ(std::tuple(got.action, got.window, got.error.empty(), got.watch),
              std::tuple(c.action, c.window, c.action != Action::kBadUsage, c.watch))
        << &c - cases;
  }
  // Words that are not options are taken as one blank-separated line, which
  // must be exactly "/window".
  for (const std::vector<std::string>& other : std::vector<std::vector<std::string>>{
           {"/Window"}, {"/window", ""}, {"", "/window"}, {"/window", "x"}, {"/windowed"}})
    EXPECT_FALSE(ParseCommandLine(other).window) << ::testing::PrintToString(other);
}

TEST(DataFiles, SearchOrderIsPlayerThenProgramThenInstalled) {
  const struct {
    const char* xdg;
    const char* home;
    std::vector<std::string> dirs;
  } cases[] = {
      // The order itself, and the note naming it when a file is missing, are
      // the installation script's to check. A relative XDG_DATA_HOME is ignored, as the XDG rules say.
      {"rel", "/home/p", {"/home/p/.local/share/krel", "/bin", "/usr/share/krel"}},
      {"/data", "/home/p", {"/data/krel", "/bin", "/usr/share/krel"}},
      {nullptr, nullptr, {"/bin", "/usr/share/krel"}},
      {"/usr/share", nullptr, {"/usr/share/krel", "/bin"}},  // no folder twice
  };
  for (const auto& c : cases) EXPECT_EQ(DataSearchDirs("/bin", c.xdg, c.home, "/usr/share/krel"), c.dirs);

  // Each file is looked up on its own: the player's level wins over the
  // program's copy and goes with the installed weapons; a folder named like
  // the file does not count.
  testing::TempCwd tmp;
  const std::vector<std::string> dirs = {"player", "prog", "installed"};
  for (const std::string& d : dirs) std::filesystem::create_directories(d);
  for (const char* f : {"player/level.bmp", "prog/level.bmp", "installed/level.bmp", "installed/arms.dat"})
    std::ofstream(f) << "x";
  std::filesystem::create_directories("prog/arms.dat");
  EXPECT_EQ(std::tuple(FindDataDir(dirs, "level.bmp"), FindDataDir(dirs, "arms.dat"), FindDataDir(dirs, "none.bmp")),
            std::tuple("player", "installed", "player"));  // the error names the first place
}

TEST(Scaling, PictureRectInWindows) {
  // Smaller than the picture (300x200, 160x400): shrunk to fit rather than cut off.
  const struct {
    int w, h;
    Scaling s;
    ScreenRect r;
  } cases[] = {{1366, 768, Scaling::kInteger, {203, 24, 960, 720}}, {639, 479, Scaling::kInteger, {159, 119, 320, 240}},
               {300, 200, Scaling::kInteger, {17, 0, 266, 200}},    {160, 400, Scaling::kInteger, {0, 140, 160, 120}},
               {1366, 768, Scaling::kFit, {171, 0, 1024, 768}},     {0, 480, Scaling::kInteger, {}}};
  for (const auto& c : cases) EXPECT_EQ(PictureRect(c.w, c.h, 320, 240, c.s), c.r) << c.w << "x" << c.h;
}

// The game's keyboard read with pads plugged into the headless platform.
struct PadRig {
  PadRig() {
    w.platform = &platform;
    SetDefaultKeys(w);
  }
  // Delivers the queued fake events, then reads as a game frame does.
  void Frame() {
    PumpWindowEvents(w);
    ReadKeyboardState(w);
    ReadControls(w);
  }
  void Button(int pad, PadButton button, bool down) { platform.QueuePadButton(pad, button, down), Frame(); }
  std::string Held(int p) const {
    std::string s;
    const char* names = "?LRUDSJC";
    for (int j = 1; j <= 7; ++j)
      if (w.Players[static_cast<std::size_t>(p)].Ctrl[static_cast<std::size_t>(j)] != 0) s += names[j];
    return s;
  }
  World w;
  HeadlessPlatform platform;
};

TEST(Pads, ButtonsAndStickPlayTheirPlayersControls) {
  using B = PadButton;
  using A = PadAxis;
  // pad 1 or 2: which of two plugged pads. The left stick has a dead zone
  // around its centre.
  const struct {
    int pad;
    std::vector<B> buttons;
    std::vector<std::pair<A, int>> axes;
    std::string p1, p2;
  } cases[] = {
      {1, {B::kDpadLeft, B::kX, B::kB}, {}, "LSC", ""},
      {2, {B::kDpadRight, B::kDpadDown, B::kA, B::kY}, {}, "", "RDJC"},
      {1, {B::kStart, B::kLeftShoulder}, {{A::kTriggerLeft, 32767}, {A::kRightX, 32767}}, "", ""},
      {1, {}, {{A::kTriggerRight, 20000}}, "S", ""},
      {1, {}, {{A::kLeftX, 32767}, {A::kLeftY, -32768}}, "RU", ""},
      {1, {}, {{A::kLeftX, 7000}, {A::kLeftY, -7000}}, "", ""},
  };
  for (const auto& c : cases) {
    PadRig r;
    for (int id : {10, 20}) r.platform.QueuePadAdded(id);
    const int id = c.pad == 1 ? 10 : 20;
    for (PadButton b : c.buttons) r.platform.QueuePadButton(id, b, true);
    for (auto [a, v] : c.axes) r.platform.QueuePadAxis(id, a, v);
    r.Frame();
    EXPECT_EQ(std::tuple(r.Held(1), r.Held(2)), std::tuple(c.p1, c.p2)) << &c - cases;
  }
}

TEST(Pads, KeyAndButtonAreOnePressAndUnpluggingReleases) {
  PadRig r;
  r.platform.QueuePadAdded(7);
  r.Button(7, PadButton::kA, true);  // jump, player 1's K
  EXPECT_EQ(std::tuple(r.Held(1), r.w.KeyState[DIK_K], NewlyPressed(r.w, 1, kJump)), std::tuple("J", 1, true));
  // The key goes down too, then the button is let go: still one held press.
  r.platform.SetKey(DIK_K, true);
  r.Frame();
  r.Button(7, PadButton::kA, false);
  EXPECT_EQ(std::tuple(r.Held(1), NewlyPressed(r.w, 1, kJump)), std::tuple("J", false));
  r.platform.SetKey(DIK_K, false);
  r.Frame();
  EXPECT_EQ(r.Held(1), "");

  // A pad that leaves while held releases what it held.
  r.Button(7, PadButton::kDpadLeft, true);
  r.platform.QueuePadRemoved(7);
  r.Frame();
  EXPECT_EQ(r.Held(1), "");
  // A binding to no key (0) is never pressed by a pad.
  r.w.KeyMap[1][kShoot] = 0;
  r.platform.QueuePadAdded(8);
  r.Button(8, PadButton::kX, true);
  EXPECT_EQ(std::tuple(r.Held(1), r.w.KeyState[0]), std::tuple("", 0));
}

TEST(Pads, PlayersFollowPluggingOrder) {
  Pads pads;
  for (int id : {1, 2, 3, 2}) pads.Add(id);  // a third pad waits for a player; 2 reported twice is still one pad
  EXPECT_EQ(std::tuple(pads.PlayerOf(1), pads.PlayerOf(2), pads.PlayerOf(3), pads.size()),
            std::tuple(1, 2, 0, std::size_t{3}));
  pads.Remove(1);  // the waiting pad takes player 1 over; pad 2 stays player 2
  EXPECT_EQ(std::tuple(pads.PlayerOf(2), pads.PlayerOf(3), pads.PlayerOf(99)), std::tuple(2, 1, 0));
  pads.SetButton(99, PadButton::kA, true);  // unknown pads are ignored
  EXPECT_EQ(pads.Controls(1) | pads.Controls(2) | pads.Controls(3), 0);
}

TEST(Pads, MenusSeeArrowsReturnAndEscapeButGamesDoNot) {
  PadRig r;
  for (int id : {1, 2, 3}) r.platform.QueuePadAdded(id);  // 3 has no player, but it works the menus
  r.platform.QueuePadButton(2, PadButton::kB, true);
  r.platform.QueuePadButton(3, PadButton::kA, true);
  r.platform.QueuePadAxis(1, PadAxis::kLeftY, 30000);
  r.platform.QueuePadButton(1, PadButton::kX, true);
  r.Frame();
  std::uint8_t menu[256] = {};
  r.platform.ReadKeyboard(menu);
  std::set<int> down;
  for (int k = 0; k < 256; ++k)
    if (menu[k] & 0x80) down.insert(k);
  EXPECT_EQ(down, (std::set<int>{DIK_DOWN, DIK_RETURN, DIK_ESCAPE}));
  // In the game B is player 2's change, never Escape.
  EXPECT_EQ(std::tuple(r.w.KeyState[DIK_ESCAPE], r.w.KeyState[DIK_RETURN], r.Held(1), r.Held(2)),
            std::tuple(0, 0, "DS", "C"));
}

TEST(Screenshots, FolderAndName) {
  // An absolute XDG_PICTURES_DIR is the F12 test's; a relative one is as if unset.
  EXPECT_EQ(ScreenshotDir("pics", "/home/p"), "/home/p/Pictures/krel");
  std::tm t{};
  t.tm_year = 125, t.tm_mday = 2, t.tm_hour = 3, t.tm_min = 4, t.tm_sec = 5;
  std::set<std::string> taken = {"krel-20250102-030405.png", "krel-20250102-030405-2.png"};
  EXPECT_EQ(ScreenshotName(t, [&](const std::string& n) { return taken.contains(n); }), "krel-20250102-030405-3.png");
}

}  // namespace
}  // namespace krel
