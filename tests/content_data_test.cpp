// The shipped weapon file and level, loaded through the game's own loaders,
// and checked for what the rest of the game takes for granted about them.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "client/core/world.h"
#include "client/present/bmp.h"
#include "client/present/resources.h"
#include "client/present/display.h"
#include "client/terrain/level.h"
#include "client/weapons/arms.h"
#include "platform/headless/headless_platform.h"

namespace krel {
namespace {

const std::string kDataDir = KREL_SOURCE_DIR "/data";

struct ShippedArms : ::testing::Test {
  World w;
  void SetUp() override {
    ArmsError error;
    ASSERT_TRUE(LoadArms(w, kDataDir + "/arms.dat", error)) << error.Message();
  }
};

TEST_F(ShippedArms, HasFortyOneNamedWeaponsAndAPickableBonus) {
  // Slots 1..41 hold weapons 0..40; all 42 slots are in use.
  const WeaponDef& bonus = w.WeaponDefs[0];
  EXPECT_TRUE(bonus.WORMREMOVE == 1 || bonus.WORMEXPLODE == 1);
  EXPECT_EQ(bonus.GROUNDEXPLODE, 0) << "a crate must not blow up where it lands";
  EXPECT_GT(bonus.ACCMULTIPLY, 0) << "a crate must be able to fall";
  std::set<std::string> names;
  for (int slot = 1; slot <= 41; ++slot) {
    const WeaponDef& d = w.WeaponDefs[slot];
    ASSERT_FALSE(d.NAME.empty()) << "slot " << slot;
    EXPECT_TRUE(names.insert(d.NAME).second) << d.NAME << " twice";
    // The in-game labels can only spell capitals.
    for (char c : d.NAME) EXPECT_TRUE(std::isupper(static_cast<unsigned char>(c)) || c == ' ') << d.NAME;
    EXPECT_LE(d.NAME.size(), 16u) << d.NAME;
    EXPECT_GT(d.AMMO, 0) << d.NAME;
    EXPECT_GT(d.LOADINGTIME, 0) << d.NAME;
    EXPECT_NE(d.ANIMSFRAME, 100) << d.NAME << " would be drawn as a crate";
    if (d.SHOTTYPE != 2) {
      EXPECT_GT(d.ACCMULTIPLY, 0) << d.NAME << " would stop dead";
    }
    EXPECT_GE(d.SPEED, 0) << d.NAME;
  }
}

TEST_F(ShippedArms, EveryReferenceLeadsSomewhereThatExists) {
  auto sobj_defined = [this](int n) { return n >= 1 && n <= 20 && w.SObjDefs[n].ANIMDELAY >= 1; };
  auto obj_defined = [this](int n) { return n >= 1 && n <= 30 && w.ObjDefs[n].SPEED != 0; };
  auto sound_ok = [](int n) { return n >= 0 && n <= 30; };
  for (int slot = 0; slot <= 41; ++slot) {
    const WeaponDef& d = w.WeaponDefs[slot];
    const std::string who = "weapon slot " + std::to_string(slot);
    if (d.CREATEONHIT) {
      EXPECT_TRUE(sobj_defined(d.CREATEONHIT)) << who;
    }
    if (d.OTRAILTYPE) {
      EXPECT_TRUE(sobj_defined(d.OTRAILTYPE)) << who;
      EXPECT_GE(d.OTRAILDELAY, 1) << who;
    }
    if (d.PTRAILPTYPE) {
      EXPECT_TRUE(obj_defined(d.PTRAILPTYPE)) << who;
      EXPECT_GE(d.PTRAILDELAY, 1) << who;
    }
    if (d.SPLINTERAMOUNT > 0) {
      EXPECT_TRUE(obj_defined(d.SPLINTERTYPE)) << who;
    }
    EXPECT_TRUE(sound_ok(d.SOUNDLAUNCH) && sound_ok(d.SOUNDEXPLODE)) << who;
    // Sprite cells: rotation sets must fit the sheet.
    const int cells = d.SHOTTYPE == 2 ? 17 : (d.SHOTTYPE == 1 || d.SHOTTYPE == 3) ? 15 : d.ANIMFRAMES + 1;
    if (d.ANIMSFRAME != -1 && slot > 0) {
      EXPECT_GE(d.ANIMSFRAME, 0) << who;
      EXPECT_LE(d.ANIMSFRAME + cells - 1, 129) << who;
    }
  }
  for (int n = 1; n <= 30; ++n) {
    const ObjDef& o = w.ObjDefs[n];
    const std::string who = "object " + std::to_string(n);
    EXPECT_TRUE(obj_defined(n)) << who;
    if (o.CREATEONHIT) {
      EXPECT_TRUE(sobj_defined(o.CREATEONHIT)) << who;
    }
    if (o.OTRAILTYPE) {
      EXPECT_TRUE(sobj_defined(o.OTRAILTYPE)) << who;
      EXPECT_GE(o.OTRAILDELAY, 1) << who;
    }
    if (o.SPLINTERAMOUNT > 0) {
      EXPECT_TRUE(obj_defined(o.SPLINTERTYPE)) << who;
    }
    EXPECT_LE(o.ANIMSFRAME + o.ANIMFRAMES, 129) << who;
    // Nothing may live for ever and pile up: each object ends somehow.
    EXPECT_TRUE(o.TIMETOEXPLODE > 0 || o.GROUNDREMOVE == 1 || o.WORMREMOVE == 1 || o.WORMEXPLODE == 1) << who;
  }
  for (int n = 1; n <= 20; ++n) {
    const SObjDef& s = w.SObjDefs[n];
    const std::string who = "special object " + std::to_string(n);
    EXPECT_GE(s.ANIMDELAY, 1) << who << ": its frame would be a division by zero";
    EXPECT_LE(s.ANIMSFRAME + std::max<int>(s.ANIMFRAMES, 1) - 1, 109) << who;
    if (s.ANIMFRAMES > 0) {
      EXPECT_FALSE(s.ANIMSFRAME <= 36 && s.ANIMSFRAME + s.ANIMFRAMES - 1 >= 16) << who << " shows worms";
    }
    EXPECT_TRUE(sound_ok(s.FIRSTSOUND) && s.FIRSTSOUND + std::max<int>(s.NUMSOUNDS, 1) - 1 <= 30) << who;
  }
  // Remains of dead players and the empty shell have their fixed numbers.
  for (int n = 1; n <= 17; ++n) EXPECT_GT(w.ObjDefs[n].ANIMSFRAME, 0) << "object " << n << " is drawn as a sprite";
  EXPECT_EQ(w.ObjDefs[8].ANIMSFRAME, 84) << "object 8 is the empty shell";
}

TEST_F(ShippedArms, EveryAnimationStartsOnAPicture) {
  BmpImage gfx16;
  std::string error;
  ASSERT_TRUE(DecodeBmp(FindResource("GFX16"), gfx16, error)) << error;
  auto cell_empty = [&gfx16](int cell) {
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        if (gfx16.indices[static_cast<std::size_t>(y) * gfx16.width + cell * 16 + x] != 0) return false;
    return true;
  };
  // A special object whose first frames were blank would be an invisible
  // blast; its last frames may fade out.
  for (int n = 1; n <= 20; ++n) {
    const SObjDef& s = w.SObjDefs[n];
    for (int f = 0; f < (s.ANIMFRAMES + 1) / 2; ++f)
      EXPECT_FALSE(cell_empty(s.ANIMSFRAME + f)) << "special object " << n << " frame " << f;
  }
}

TEST_F(ShippedArms, BetweenThemTheWeaponsUseEveryFeature) {
  std::set<int> shot_types;
  bool gravity = false, bounce = false, fuse = false, ptrail = false, otrail = false, directed = false,
       allround = false, digs = false, adds_soil = false, laser = false, recoil = false, shells = false,
       push = false, beam = false, collide = false, affected = false, animated = false;
  for (int slot = 1; slot <= 41; ++slot) {
    const WeaponDef& d = w.WeaponDefs[slot];
    shot_types.insert(d.SHOTTYPE);
    gravity |= d.GRAVITY > 0;
    bounce |= d.GROUNDEXPLODE == 0 && d.BOUNCE > 0;
    fuse |= d.TIMETOEXPLODE > 0;
    ptrail |= d.PTRAILPTYPE != 0;
    otrail |= d.OTRAILTYPE != 0;
    directed |= d.SPLINTERAMOUNT > 0 && d.SPLINTERSTYPE == 1;
    allround |= d.SPLINTERAMOUNT > 0 && d.SPLINTERSTYPE != 1;
    digs |= d.MAPCHANGE >= 1 && d.MAPCHANGE <= 4;
    adds_soil |= d.MAPCHANGE == 5 || d.MAPCHANGE == 7;
    laser |= d.LASERSIGHT != 0;
    recoil |= d.RECOIL > 0;
    shells |= d.LEAVESHELLS > 0 && d.LEAVESHELLS < 4;
    push |= d.BLOW > 0;
    beam |= d.SHOTTYPE == 4 && d.SHADOW == 0 && d.SPEED == 32000;
    collide |= d.OBJECTCOLLIDE == 1;
    affected |= d.EXPLODEAFFECT == 1;
    animated |= d.ANIMFRAMES > 0;
  }
  for (int t : {0, 1, 2, 3, 4}) EXPECT_TRUE(shot_types.count(t)) << "shot type " << t;
  EXPECT_TRUE(gravity && bounce && fuse && ptrail && otrail && directed && allround);
  EXPECT_TRUE(digs && adds_soil && laser && recoil && shells && push && beam && collide && affected && animated);
}

TEST(ShippedArmsFile, IsWrittenWithCrlfAndACommentAboveEveryWeapon) {
  std::ifstream f(kDataDir + "/arms.dat", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(text.empty());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "lone line feed at byte " << i;
    }
  int orders = 0;
  std::size_t at = 0;
  std::string previous;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    const std::string line = text.substr(at, end - at);
    if (line.rfind("ORDER:", 0) == 0) {
      ++orders;
      EXPECT_EQ(previous.rfind("NOTE:", 0), 0u) << line << " has no comment above it";
    }
    if (!line.empty()) previous = line;
    at = end + 2;
  }
  EXPECT_EQ(orders, 41);
}

struct ShippedLevel : ::testing::Test {
  HeadlessPlatform platform;
  World w;
  void SetUp() override {
    w.platform = &platform;
    std::string error;
    // The display set-up provides the colour numbers the level is read by.
    ASSERT_TRUE(InitDDraw(w, kDataDir, error)) << error;
  }
};

TEST_F(ShippedLevel, LoadsAndIsMadeOfSoilRockAndCaves) {
  ASSERT_EQ(w.LevelWidth, 504);
  ASSERT_EQ(w.LevelHeight, 350);
  int count[5] = {};
  for (int y = 0; y < w.LevelHeight; ++y)
    for (int x = 0; x < w.LevelWidth; ++x) ++count[typ(w, w.LevelSurface.At(x, y))];
  const double total = 504.0 * 350.0;
  EXPECT_EQ(count[kOther], 0) << "the level uses a colour outside the material ranges";
  EXPECT_GT(count[kSoil] / total, 0.4);
  EXPECT_GT(count[kFree] / total, 0.15);
  EXPECT_LT(count[kFree] / total, 0.5);
  EXPECT_GT(count[kRock] / total, 0.03);
  EXPECT_LT(count[kRock] / total, 0.25);
  // The rock frame.
  for (int x = 0; x < w.LevelWidth; ++x) {
    EXPECT_EQ(typ(w, w.LevelSurface.At(x, 0)), kRock) << x;
    EXPECT_EQ(typ(w, w.LevelSurface.At(x, 341)), kRock) << x;
  }
  for (int y = 0; y < w.LevelHeight; ++y) {
    EXPECT_EQ(typ(w, w.LevelSurface.At(0, y)), kRock) << y;
    EXPECT_EQ(typ(w, w.LevelSurface.At(503, y)), kRock) << y;
  }
  // Colour number 29 (a worm shade) is never part of the level.
  for (int y = 0; y < w.LevelHeight; ++y)
    for (int x = 0; x < w.LevelWidth; ++x) ASSERT_NE(w.LevelSurface.At(x, y), w.PaletteColors[29]);
}

TEST_F(ShippedLevel, WormsCanBePlacedAlmostAnywhereInTheRespawnArea) {
  // A respawn digs a disc of radius 6 at a random point and needs the
  // point to be free afterwards; only rock prevents that.
  int rock = 0, tried = 0;
  for (int y = 0; y < 320; y += 4)
    for (int x = 0; x < 490; x += 4) {
      ++tried;
      if (typ(w, w.LevelSurface.At(x, y)) == kRock) ++rock;
    }
  EXPECT_LT(static_cast<double>(rock) / tried, 0.25);
  // Digging soil leaves free space in the level's own colours.
  int sx = -1, sy = -1;
  for (int y = 40; y < 300 && sx < 0; ++y)
    for (int x = 40; x < 450 && sx < 0; ++x)
      if (typ(w, w.LevelSurface.At(x, y)) == kSoil) {
        sx = x;
        sy = y;
      }
  ASSERT_GE(sx, 0);
  w.Seed(7);
  dig(w, static_cast<int16>(sx), static_cast<int16>(sy), 6, 1, false);
  EXPECT_EQ(typ(w, w.LevelSurface.At(sx, sy)), kFree);
  EXPECT_TRUE(gehbar(w, sx, sy));
}

}  // namespace
}  // namespace krel
