// The frame: views, panels, minimap, chat and the world drawn on a small
// synthetic world whose sprite cells and font glyphs each have a colour of
// their own, so that every pixel tells what drew it.
#include "client/present/render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "client/present/display_state.h"
#include "client/present/remote_worms.h"
#include "client/present/sprites.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/worms/input.h"
#include "platform/headless/headless_platform.h"
#include "platform/keycodes.h"
#include "sim_test_support.h"

namespace krel {
namespace {

constexpr Pixel kKey = 0xF81F;
constexpr Pixel kFree = 0x4000 + 16 * 160;  // PaletteColors(160), a free material
constexpr Pixel kRock = 0x4000 + 16 * 20;
constexpr Pixel kWhite = 0xFFFF;

Pixel Colour(int n) { return static_cast<Pixel>(0x4000 + 16 * n); }
Pixel Gfx16(int cell) { return static_cast<Pixel>(0x8000 + cell); }
Pixel Gfx8(int cell) { return static_cast<Pixel>(0x9000 + cell); }
Pixel Gfx4(int cell) { return static_cast<Pixel>(0xA000 + cell); }
Pixel WormCell(int play, int cell) { return static_cast<Pixel>(0xB000 + 64 * play + cell); }

// A keyed sheet of equal cells, each filled with its own colour except,
// when `holes`, its top-left pixel, which is transparent.
Surface Sheet(int cells, int cw, int ch, Pixel (*colour)(int), bool holes = true, int play = 0) {
  Surface s(cells * cw, ch);
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cells * cw; ++x)
      s.At(x, y) = (holes && x % cw == 0 && y == 0) ? kKey : play ? WormCell(play, x / cw) : colour(x / cw);
  s.SetColorKey(kKey);
  return s;
}

Shot MakeShot(int ty, double x, double y) {
  Shot s;
  std::tie(s.ty, s.owner, s.x, s.Y) = std::tuple(ty, 1, x, y);
  return s;
}

struct Frame : ::testing::Test {
  HeadlessPlatform platform;
  World w;

  void SetUp() override {
    w.platform = &platform;
    for (int n = 0; n < 256; ++n) w.PaletteColors[n] = Colour(n);
    BuildMaterialTable(w);
    std::tie(w.LevelWidth, w.LevelHeight) = std::tuple(400, 300);
    w.LevelSurface = Surface(400, 300);
    w.LevelSurface.Clear(kFree);
    DisplayOf(w).WorldView = Surface(400, 300);
    w.Tiles16 = Sheet(110, 16, 16, Gfx16);
    w.Tiles8 = Sheet(130, 7, 8, Gfx8);
    w.Tiles4 = Sheet(30, 4, 4, Gfx4);
    for (int p = 1; p <= 6; ++p) DisplayOf(w).WormSheets[p] = Sheet(42, 16, 16, nullptr, false, p);
    // Font strip k draws the top row of each glyph in the value 256 k + c,
    // so the text on a row can be read back.
    for (int k = 0; k < 11; ++k) {
      DisplayOf(w).Fonts[k] = Surface(8, 2000);
      DisplayOf(w).Fonts[k].Clear(kKey);
      for (int c = 2; c <= 251; ++c)
        for (int x = 0; x < 8; ++x) DisplayOf(w).Fonts[k].At(x, 8 * c - 16) = static_cast<Pixel>(256 * k + c);
      DisplayOf(w).Fonts[k].SetColorKey(kKey);
    }
    DisplayOf(w).LaserColours = {0x1111, 0x2222, 0x3333};
    for (int p = 1; p <= 2; ++p) std::tie(w.Players[p].Alive, w.Players[p].Health) = std::tuple(kTrue, 100);
  }

  // The text of font colour col written at (x, y) on the frame, up to n
  // characters; stops at the first pixel that is not such a glyph.
  std::string TextAt(int x, int y, int col, int n = 40) const {
    std::string s;
    const Surface& f = platform.last_frame();
    for (int i = 0; i < n && f.Contains(x + 6 * i, y); ++i) {
      const Pixel v = f.At(x + 6 * i, y);
      if (v >> 8 != col) break;
      s += static_cast<char>(v & 0xFF);
    }
    return s;
  }
  Pixel Canvas(int x, int y) const { return DisplayOf(w).WorldView.At(x, y); }
  Pixel Back(int x, int y) const { return platform.last_frame().At(x, y); }
  // The next number of a generator seeded 5 after `draws` numbers.
  static auto RandAfter(int draws) {
    World fresh;
    fresh.Seed(5);
    for (int i = 0; i < draws; ++i) fresh.Rand();
    return fresh.Rand();
  }
};

TEST_F(Frame, ViewsSeparatorAndMinimapLandWhereTheLayoutPutsThem) {
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) w.LevelSurface.At(x, y) = static_cast<Pixel>(1 + x / 100 + 10 * (y / 100));
  w.Players[1].Alive = w.Players[2].Alive = kFalse;  // no worms over the level
  std::tie(w.Players[2].ViewX, w.Players[2].ViewY) = std::tuple(200, 100);
  DisplayOf(w).Back.Clear(0x7777);  // stale content must not survive
  ShowAll(w);
  const auto level = [&](int x, int y) { return w.LevelSurface.At(x, y); };
  EXPECT_EQ(std::tuple(Back(0, 0), Back(158, 189), Back(161, 0), Back(319, 189)),
            std::tuple(level(0, 0), level(158, 189), level(200, 100), level(358, 289)));
  EXPECT_EQ(std::tuple(Back(159, 10), Back(160, 10)), std::tuple(0, 0));  // the gap between the views stays black
  EXPECT_EQ(Back(300, 190), Colour(50));                                  // the separator
  EXPECT_EQ(std::tuple(Back(124, 191), Back(195, 239)), std::tuple(level(0, 6), level(397, 294)));  // the minimap

  // A level of another size (reloaded for a new game) gets a canvas to match;
  // a view reaching past the world's edge (300 + 159 > 400) stays black.
  DisplayOf(w).WorldView = Surface(10, 10);
  w.Players[1].ViewX = 300;
  ShowAll(w);
  EXPECT_EQ(std::tuple(Back(5, 5), Back(161, 0)), std::tuple(0, level(200, 100)));
}

TEST_F(Frame, SpriteNumbersPickTheirSheetAndCellAndNeverDrawPartly) {
  const struct {
    double nr, x, y;
    Pixel expected;
  } cases[] = {
      // expected at (x + 1, y + 1)
      {109, 10, 10, Gfx16(109)}, {110, 10, 10, kFree},   {229, 10, 10, Gfx8(29)},
      {425, 10, 10, Gfx4(25)},   {-1, 10, 10, kFree},    {5, -1, 10, kFree},
      {200, 393, 292, Gfx8(0)},  {200, 394, 292, kFree}, {5.5, 10.5, 9.5, Gfx16(6)},  // numbers round half to even
  };
  for (const auto& c : cases) {
    DisplayOf(w).WorldView = w.LevelSurface;
    DrawTile(w, DisplayOf(w).WorldView, c.nr, c.x, c.y, false);
    const int x = ToInt32(c.x) + 1, y = ToInt32(c.y) + 1;
    EXPECT_EQ(Canvas(std::min(x, 399), std::min(y, 299)), c.expected) << "sprite " << c.nr << " at " << c.x;
    EXPECT_EQ(Canvas(std::max(x - 1, 0), std::max(y - 1, 0)), kFree) << "the transparent pixel stays out";
  }
}

// A worm at (100, 60) aiming level (Aim 7) between two rock walls at x 50
// and 150: its crosshair 10 pixels out and its laser sight up to the wall.
TEST_F(Frame, CrosshairAndLaserPointTheWayTheWormFaces) {
  for (int y = 0; y < 300; ++y) w.LevelSurface.At(50, y) = w.LevelSurface.At(150, y) = kRock;
  w.WeaponDefs[1].LASERSIGHT = 1;
  Player& p = w.Players[1];
  std::tie(p.X, p.Y, p.Aim, p.AnimFrame) = std::tuple(100, 60, 7, 1);
  const struct {
    flag facing;
    int centre, laser_last, worm_cell;
  } cases[] = {{kTrue, 110, 149, 1 * 7 + 2}, {kFalse, 90, 51, 42 - (1 * 7 + 2) - 1}};
  for (const auto& c : cases) {
    p.FacingRight = c.facing;
    w.Seed(5);
    ShowAll(w);
    const int cx = c.centre;
    for (const auto& [x, y] : {std::pair{cx - 1, 59}, {cx + 1, 61}, {cx + 1, 59}, {cx - 1, 61}})
      EXPECT_EQ(Canvas(x, y), kWhite) << x << "," << y;
    EXPECT_EQ(Canvas(cx, 59), kFree);  // a diagonal cross, not a box
    EXPECT_EQ(Canvas(100, 64), WormCell(1, c.worm_cell));
    const int step = c.facing ? 1 : -1;
    int drawn = 0;
    for (int x = 100 + step; x != c.laser_last + step; x += step, ++drawn) {
      const Pixel v = Canvas(x, 60);
      EXPECT_TRUE(v == 0x1111 || v == 0x2222 || v == 0x3333) << x;
    }
    EXPECT_EQ(Canvas(c.laser_last + step, 60), kRock);
    EXPECT_EQ(w.Rand(), RandAfter(drawn));  // one number per laser pixel, from the game's one generator
  }
}

TEST_F(Frame, ABeamShowsForOneFrameAndIsRemovedByTheDrawing) {
  std::tie(w.WeaponDefs[3].SHOTTYPE, w.WeaponDefs[3].BULLETCOLOR) = std::tuple(4, 40);  // weapon 2 is a beam
  DisplayOf(w).Palette[40] = {255, 0, 0, 0};
  std::tie(w.Players[1].X, w.Players[1].Y) = std::tuple(100, 30);
  const Shot beam = MakeShot(2, 150, 30);
  w.Shots = {Shot{}, beam, MakeShot(3, 150, 80)};  // a beam in the middle stays as a removed element
  ShowAll(w);
  EXPECT_EQ(std::tuple(Canvas(150, 30), Canvas(109, 30)), std::tuple(0xF800, 0xF800));
  ASSERT_EQ(w.Shots.size(), 3u);
  EXPECT_NE(w.Shots[1].removed, kFalse);
  w.Shots = {Shot{}, beam};  // the last element is cut off
  ShowAll(w);
  EXPECT_EQ(w.Shots.size(), 1u);
  ShowAll(w);
  EXPECT_EQ(Canvas(150, 30), kFree);
}

TEST_F(Frame, CratesAndLabelsShowOnlyCapitalsEachFourPixelsWide) {
  w.WeaponDefs[4].NAME = " Ab1C ";  // weapon number 3
  Shot crate = MakeShot(-1, 200, 100), pack = MakeShot(-1, 300, 100);
  crate.color = 3;  // a weapon bonus; a colour of 0 or less is a health pack
  w.Shots = {Shot{}, crate, pack};
  Player& p = w.Players[1];
  std::tie(p.X, p.Y, p.WeaponSlots[0], p.Ctrl[kChange]) = std::tuple(100, 200, 3, 1);
  ShowAll(w);
  EXPECT_EQ(std::tuple(Canvas(197, 97), Canvas(297, 97)), std::tuple(Gfx8(100), Gfx8(101)));
  for (const auto& [cx, top] : {std::pair{200, 88}, {100, 190}}) {
    // "Ab1C" is 16 pixels wide: A at cx - 8, C at cx + 4, nothing between.
    EXPECT_EQ(std::tuple(Canvas(cx - 7, top + 1), Canvas(cx - 3, top + 1), Canvas(cx + 1, top + 1),
                         Canvas(cx + 5, top + 1)),
              std::tuple(Gfx4(0), kFree, kFree, Gfx4(2)));
  }
}

TEST_F(Frame, PanelShowsTheWeaponInHandAndBarsFollowHealthAndAmmunition) {
  std::tie(w.WeaponDefs[1].NAME, w.WeaponDefs[1].AMMO, w.WeaponDefs[1].LOADINGTIME) = std::tuple("  Bazooka ", 4, 40);
  w.Players[1].Health = 57;
  const struct {
    double ammo;
    int width;
    bool reloading;
  } cases[] = {{0, 0, false}, {4, 100, false}, {3, 75, false}, {-10, 25, true}, {-46, 115, true}};
  for (const auto& c : cases) {
    w.Players[1].Ammo[0] = c.ammo;
    ShowAll(w);
    const Pixel bar = Colour(243 + c.width / 10);
    EXPECT_TRUE(c.width == 0 || Back(9 + c.width, 208) == bar) << c.ammo;
    EXPECT_NE(Back(10 + c.width, 208), bar) << c.ammo;
    // Under its bar, not over it.
    EXPECT_EQ(TextAt(10, 212, 7), c.reloading ? "Reloading..." : "") << c.ammo;
    EXPECT_EQ(TextAt(10, 198, 7), "Bazooka") << c.ammo;
  }
  EXPECT_EQ(std::tuple(Back(66, 195), Back(67, 195)), std::tuple(Colour(238), 0));  // health 57
}

TEST_F(Frame, ChatLinesExpireAfterSixtyFramesAndTheRestMoveUp) {
  w.ChatLines = {"", "one", "two", "three"};
  w.ChatTimes = {0, 10, 50, 55};
  w.Players[1].Age = 70;  // line 1 is 60 frames old: it stays
  ShowAll(w);
  EXPECT_EQ(TextAt(1, 8, 7) + TextAt(162, 24, 7), "ONETHREE");
  w.Players[1].Age = 71;
  w.Players[2].Alive = kFalse;  // a worm out of play shows no chat
  ShowAll(w);
  // Line 1 went; the line moved into its place waits for the next frame.
  EXPECT_EQ(std::tuple(TextAt(1, 8, 7), TextAt(1, 16, 7), TextAt(162, 16, 7)), std::tuple("", "THREE", ""));
  EXPECT_EQ(std::tuple(w.ChatLines[1], w.ChatLines[3]), std::tuple("two", ""));
}

TEST_F(Frame, AChatLineTooLongForItsHalfGoesOnInTheRowsBelow) {
  w.ChatLines = {"", "Screenshot krel-20261207-031007-2.png", "next", "", "", "", "", "", "", "", ""};
  w.ChatTimes = {};
  w.Players[1].Age = 1;
  ShowAll(w);
  for (int x : {1, 162}) {
    EXPECT_EQ(std::tuple(TextAt(x, 8, 7), TextAt(x, 16, 7), TextAt(x, 24, 7)),
              std::tuple("SCREENSHOT", "KREL-20261207-031007-2.PNG", "NEXT"))
        << x;
  }
}

TEST_F(Frame, ALineSaysWhenNoBatchHasComeForHalfASecond) {
  for (const std::uint32_t ms : {499u, 1250u}) {
    w.NetStats.BatchSilenceMs = ms;
    ShowAll(w);
    const std::string line = ms < 500 ? "" : "CONNECTION LAGGING: NO DATA FOR 1.2 S";
    EXPECT_EQ(TextAt(ms < 500 ? 49 : (320 - 6 * static_cast<int>(line.size())) / 2, 80, 2), line) << ms;
  }
}

TEST_F(Frame, AWormOutOfPlaySeesTheStandingsOfEveryWorm) {
  w.NumPlayers = 3;
  const char* names[] = {"", "  Anna", "Bo", "Cy"};
  for (int i = 1; i <= 3; ++i) {
    Player& p = w.Players[i];
    p.SetName(names[i]);
    std::tie(p.Health, p.Lives, p.Kills, p.Alive, p.X, p.Y) = std::tuple(30 * i, i, 10 + i, ToFlag(i == 2), 300, 250);
  }
  w.NetStats.RoundTripMs[1] = 150;  // as the relay measured it
  w.KeyMap[1][kJump] = DIK_K;
  w.KeyMap[3][kJump] = DIK_RSHIFT;  // worm 3 is never shown
  initkeys(w);
  ShowAll(w);
  EXPECT_EQ(TextAt(10, 180, 7), "PRESS JUMP (K) TO START");  // the worm's own jump key
  EXPECT_EQ(TextAt(11, 181, 0, 1), "P");                     // over its shadow
  w.KeyMap[1][kJump] = DIK_RSHIFT;                           // a long name goes on a line of its own
  ShowAll(w);
  EXPECT_EQ(TextAt(10, 170, 7) + "|" + TextAt(10, 180, 7), "PRESS JUMP TO START|(JUMP: RIGHT SHIFT)");
  EXPECT_EQ(TextAt(88, 11, 2), "150ms");
  for (int i = 1; i <= 3; ++i) {
    const int y = 11 * i;
    EXPECT_EQ(Back(6, y + 1), WormCell(i, 2)) << i;
    EXPECT_EQ(TextAt(18, y, i == 2 ? 7 : 2), std::string(names[i]).substr(i == 1 ? 2 : 0)) << i;
    EXPECT_EQ(Back(17, y) >> 8, 1) << i;  // an outline (black) left of the first letter
    EXPECT_EQ(TextAt(120, y, 7) + " " + TextAt(144, y, 7), std::to_string(i) + " " + std::to_string(10 + i)) << i;
    const Pixel bar = Colour(233 + 3 * i);  // health 30 i
    EXPECT_TRUE(Back(17 + 30 * i, y + 8) == bar && Back(18 + 30 * i, y + 8) != bar) << i;
  }
  EXPECT_EQ(TextAt(210, 221, 7), "Lives:2");  // the living worm 2 has its panel
}

// Pipelined play: another client's worm drawn a one-way delay ahead along
// its motion, eased (never more than 3 px a frame beyond its motion) when a
// batch corrects it, placed at once after a jump such as a respawn.
TEST(RemoteWorms, DrawnAheadAlongTheirMotionAndEasedWhenCorrected) {
  auto w = testing::MakeSimWorld(400, 200);
  w->NumPlayers = 3;
  w->NetStats.Pipelined = true;
  w->NetStats.RoundTripMs[1] = w->NetStats.RoundTripMs[3] = 100;  // 120 ms late: 3 frames
  Player& p = testing::PlaceWorm(*w, 3, 100, 100);
  std::tie(p.DirX, p.Speed) = std::tuple(fixed(1), fixed(20));  // 2 px a frame
  const DrawnPosition& d = w->NetStats.Drawn[3];
  UpdateDrawnPositions(*w);
  EXPECT_DOUBLE_EQ(d.x, 106);
  struct Case {
    double state_x, drawn_x, correction;
  } cases[] = {{102, 108, 0}, {93, 107, 3}, {95, 106, 3}, {97, 105, 3}, {99, 105, 2}, {101, 107, 0}, {200, 206, 0}};
  for (const Case& c : cases) {
    p.X = fixed(c.state_x);
    UpdateDrawnPositions(*w);
    EXPECT_NEAR(d.x, c.drawn_x, 1e-9) << c.state_x;
    EXPECT_NEAR(w->NetStats.FrameCorrection, c.correction, 1e-9) << c.state_x;
  }
  w->NetStats.Pipelined = false;
  UpdateDrawnPositions(*w);
  EXPECT_FALSE(d.known) << "outside pipelined play every worm is drawn where its state is";
}

}  // namespace
}  // namespace krel
