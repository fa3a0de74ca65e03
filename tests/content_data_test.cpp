// The shipped weapon file, loaded through the game's own loader, and checked
// for what the rest of the game takes for granted about it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "client/present/resources.h"
#include "client/simulation/weapons/arms.h"
#include "client/state/world.h"
#include "gfx/bmp.h"

namespace krel {
namespace {

const std::string kDataDir = KREL_SOURCE_DIR "/data";

TEST(ShippedData, FortyOneWeaponsABonusAndSpecialObjectsThatShow) {
  World w;
  ArmsError arms_error;
  ASSERT_TRUE(LoadArms(w, kDataDir + "/arms.dat", arms_error)) << arms_error.Message();
  const WeaponDef& bonus = w.WeaponDefs[0];
  EXPECT_TRUE((bonus.WORMREMOVE == 1 || bonus.WORMEXPLODE == 1) && bonus.GROUNDEXPLODE == 0 && bonus.ACCMULTIPLY > 0)
      << "a crate must fall, not blow up on landing, and be picked up by a worm";
  // Links between entries and sprite cells: the krel-arms lint of the
  // shipped file (arms_tool_test).
  std::set<std::string> names;
  for (int slot = 1; slot <= 41; ++slot) {
    const WeaponDef& d = w.WeaponDefs[slot];
    // Distinct names the in-game labels can spell (capitals only), and ammunition to fire.
    EXPECT_TRUE(names.insert(d.NAME).second && !d.NAME.empty() && d.NAME.size() <= 16 &&
                d.NAME.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ ") == std::string::npos && d.AMMO > 0 &&
                d.LOADINGTIME > 0)
        << d.NAME;
  }
  BmpImage gfx;
  std::string error;
  ASSERT_TRUE(DecodeBmp(FindResource("GFX16"), gfx, error)) << error;
  for (int n = 1; n <= 20; ++n) {
    const SObjDef& s = w.SObjDefs[n];
    EXPECT_GE(s.ANIMDELAY, 1) << "special object " << n;
    for (int f = 0; f < (s.ANIMFRAMES + 1) / 2; ++f) {  // a blast may fade out, but must not start blank
      int ink = 0;
      for (int i = 0; i < 256; ++i) ink += gfx.indices[i / 16 * gfx.width + (s.ANIMSFRAME + f) * 16 + i % 16] != 0;
      EXPECT_GT(ink, 0) << "special object " << n << " frame " << f;
    }
  }
  // The shipped level's rock frame: content_generator_test.
}

}  // namespace
}  // namespace krel
