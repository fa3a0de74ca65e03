// The shipped weapon file and level, loaded through the game's own loaders,
// and checked for what the rest of the game takes for granted about them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "client/core/world.h"
#include "client/present/bmp.h"
#include "client/present/display.h"
#include "client/present/resources.h"
#include "client/terrain/level.h"
#include "client/weapons/arms.h"

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

TEST_F(ShippedArms, HoldsFortyOneDistinctWeaponsAndAPickableBonus) {
  const WeaponDef& bonus = w.WeaponDefs[0];
  EXPECT_TRUE(bonus.WORMREMOVE == 1 || bonus.WORMEXPLODE == 1) << "a worm must be able to pick up a crate";
  EXPECT_TRUE(bonus.GROUNDEXPLODE == 0 && bonus.ACCMULTIPLY > 0) << "a crate must fall and not blow up on landing";
  std::set<std::string> names;
  for (int slot = 1; slot <= 41; ++slot) {
    const WeaponDef& d = w.WeaponDefs[slot];
    // Distinct names the in-game labels can spell (capitals only), and ammunition to fire.
    auto spellable = [](unsigned char c) { return std::isupper(c) || c == ' '; };
    const bool capitals = std::all_of(d.NAME.begin(), d.NAME.end(), spellable);
    EXPECT_TRUE(names.insert(d.NAME).second && !d.NAME.empty() && d.NAME.size() <= 16 && capitals) << d.NAME;
    EXPECT_TRUE(d.AMMO > 0 && d.LOADINGTIME > 0) << d.NAME;
  }
}

TEST_F(ShippedArms, ReferencesLeadToDefinitionsAndBlastsStartOnAPicture) {
  auto sobj = [this](int n) { return n >= 1 && n <= 20 && w.SObjDefs[n].ANIMDELAY >= 1; };
  auto obj = [this](int n) { return n >= 1 && n <= 30 && w.ObjDefs[n].SPEED != 0; };
  auto links = [&](const auto& d, const std::string& who) {  // the fields weapons and objects share
    EXPECT_TRUE(!d.CREATEONHIT || sobj(d.CREATEONHIT)) << who;
    EXPECT_TRUE(!d.OTRAILTYPE || (sobj(d.OTRAILTYPE) && d.OTRAILDELAY >= 1)) << who;
    EXPECT_TRUE(d.SPLINTERAMOUNT <= 0 || obj(d.SPLINTERTYPE)) << who;
  };
  for (int slot = 0; slot <= 41; ++slot) links(w.WeaponDefs[slot], "weapon slot " + std::to_string(slot));
  for (int n = 1; n <= 30; ++n) links(w.ObjDefs[n], "object " + std::to_string(n));
  BmpImage gfx;
  std::string error;
  ASSERT_TRUE(DecodeBmp(FindResource("GFX16"), gfx, error)) << error;
  for (int n = 1; n <= 20; ++n) {
    const SObjDef& s = w.SObjDefs[n];
    EXPECT_GE(s.ANIMDELAY, 1) << "special object " << n << ": its frame would be a division by zero";
    EXPECT_LE(s.ANIMSFRAME + std::max<int>(s.ANIMFRAMES, 1), 110) << "special object " << n;
    for (int f = 0; f < (s.ANIMFRAMES + 1) / 2; ++f) {  // a blast may fade out, but must not start blank
      int ink = 0;
      for (int i = 0; i < 256; ++i) ink += gfx.indices[i / 16 * gfx.width + (s.ANIMSFRAME + f) * 16 + i % 16] != 0;
      EXPECT_GT(ink, 0) << "special object " << n << " frame " << f;
    }
  }
}

TEST(ShippedLevel, LoadsAs504By350OfSoilRockAndCavesInARockFrame) {
  World w;
  std::string error;
  initsurfaces(w);  // the colour numbers the level is read by
  ASSERT_TRUE(loadlevel(w, kDataDir, error)) << error;
  ASSERT_EQ(std::make_pair(w.LevelWidth, w.LevelHeight), std::make_pair(504, 350));
  int count[5] = {};
  for (int y = 0; y < 350; ++y)
    for (int x = 0; x < 504; ++x) {
      const int m = MaterialOf(w, w.LevelSurface.At(x, y));
      ++count[m];
      // The frame: left, right and top edges, and the last row above the ground.
      ASSERT_TRUE(m == kRock || (x > 0 && x < 503 && y > 0 && y != kPassableBottom - 1)) << "frame " << x << "," << y;
    }
  EXPECT_EQ(count[kOther], 0) << "the level uses a colour outside the material ranges";
  auto share = [&count](int m) { return count[m] / (504.0 * 350.0); };
  EXPECT_GT(share(kSoil), 0.4);
  EXPECT_TRUE(share(kFree) > 0.15 && share(kFree) < 0.5 && share(kRock) > 0.03 && share(kRock) < 0.25)
      << share(kFree) << " free, " << share(kRock) << " rock";
}

}  // namespace
}  // namespace krel
