// The embedded sprite sheets and font, read back the way the game reads
// them: sizes, the shared palette and the cell layouts; and the shipped
// weapon file, loaded through the game's own loader, checked for what the
// rest of the game takes for granted about it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "client/present/resources.h"
#include "client/simulation/weapons/arms.h"
#include "client/state/world.h"
#include "gfx/bmp.h"
#include "gfx/surface.h"

namespace krel {
namespace {

BmpImage Resource(const char* name) {
  BmpImage image;
  std::string error;
  EXPECT_TRUE(DecodeBmp(FindResource(name), image, error)) << name << ": " << error;
  return image;
}

// The palette indices of the w x h block at (x0, y0), row by row.
std::vector<int> Cell(const BmpImage& img, int x0, int y0, int w, int h) {
  std::vector<int> v;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) v.push_back(img.indices[static_cast<std::size_t>(y) * img.width + x]);
  return v;
}

TEST(ContentArt, SheetSizesTheSharedPaletteAndTheCellLayouts) {
  const BmpImage pal = Resource("PAL");
  auto same = [](auto& a, auto& b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; };
  for (auto [name, width, height] :
       {std::tuple{"PAL", 256, 1}, {"FONT", 8, 2000}, {"GFX16", 1760, 16}, {"GFX8", 910, 8}, {"GFX4", 120, 4}}) {
    const BmpImage img = Resource(name);
    EXPECT_EQ(std::tuple(img.width, img.height, img.bits), std::tuple(width, height, 8)) << name;
    EXPECT_TRUE(std::equal(img.palette.begin(), img.palette.end(), pal.palette.begin(), same)) << name;
  }
  // Worm frames use only the replaceable shades and stand on row eight.
  const BmpImage gfx = Resource("GFX16");
  const std::set<int> allowed = {0, 30, 31, 32, 33, 36, 37, 38};
  for (int cell = 16; cell <= 36; ++cell) {
    const std::vector<int> px = Cell(gfx, cell * 16, 0, 16, 16);
    int blue = 0, lowest = -1;
    for (int i = 0; i < 256; ++i) {
      EXPECT_EQ(allowed.count(px[i]), 1u) << "cell " << cell << " uses " << px[i];
      if (px[i] >= 30 && px[i] <= 33) blue++, lowest = i / 16;
    }
    // The body's last row must sit on the ground.
    EXPECT_TRUE(blue > 25 && lowest == 8) << "cell " << cell << ": " << blue << " blue, last row " << lowest;
  }
  // Every GFX8 cell is drawn; GFX4 spells A to Z, then four blanks.
  const BmpImage gfx8 = Resource("GFX8"), gfx4 = Resource("GFX4");
  for (int cell = 0; cell < 130; ++cell) EXPECT_NE(Cell(gfx8, cell * 7, 0, 7, 8), std::vector<int>(56)) << cell;
  std::set<std::vector<int>> letters;
  for (int cell = 0; cell < 30; ++cell) {  // distinct drawn letters, then blanks
    const std::vector<int> shape = Cell(gfx4, cell * 4, 0, 4, 4), blank(16);
    EXPECT_TRUE(cell >= 26 ? shape == blank : shape != blank && letters.insert(shape).second) << "GFX4 cell " << cell;
  }
}

TEST(ContentArt, FontCoversPrintableAsciiAndTheGermanLettersInInkOnly) {
  const BmpImage font = Resource("FONT");
  auto ink = [&font](int code) {  // the glyph of code c is the 8x8 cell at y = 8c - 16
    const std::vector<int> px = Cell(font, 0, 8 * code - 16, 8, 8);
    for (int i = 0; i < 64; ++i)
      EXPECT_TRUE(px[i] == 0 || (px[i] == 8 && i % 8 >= 1 && i % 8 <= 6)) << "code " << code << " pixel " << i;
    return static_cast<int>(std::count(px.begin(), px.end(), 8));
  };
  for (int code = 33; code <= 126; ++code) EXPECT_GT(ink(code), code >= 'A' && code <= 'Z' ? 9 : 0) << code;
  for (int code : {129, 132, 142, 148, 153, 154, 225}) EXPECT_GT(ink(code), 8) << code;  // üäÄöÖÜß
  for (int code : {2, 31, 32, 127, 200, 251}) EXPECT_EQ(ink(code), 0) << code;  // blank: space and unused codes
}

TEST(ShippedData, FortyOneWeaponsABonusAndSpecialObjectsThatShow) {
  World w;
  ArmsError arms_error;
  ASSERT_TRUE(LoadArms(w, KREL_SOURCE_DIR "/data/arms.dat", arms_error)) << arms_error.Message();
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
  const BmpImage gfx = Resource("GFX16");
  for (int n = 1; n <= 20; ++n) {
    const SObjDef& s = w.SObjDefs[n];
    EXPECT_GE(s.ANIMDELAY, 1) << "special object " << n;
    for (int f = 0; f < (s.ANIMFRAMES + 1) / 2; ++f)  // a blast may fade out, but must not start blank
      EXPECT_NE(Cell(gfx, (s.ANIMSFRAME + f) * 16, 0, 16, 16), std::vector<int>(256))
          << "special object " << n << " frame " << f;
  }
}

}  // namespace
}  // namespace krel
