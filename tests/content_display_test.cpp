// Display set-up on the headless platform: the colour tables, the font
// strips and the per-player worm sheets built from the embedded bitmaps.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "client/core/world.h"
#include "client/present/bmp.h"
#include "client/present/colors.h"
#include "client/present/display.h"
#include "client/present/resources.h"
#include "platform/headless/headless_platform.h"

namespace krel {
namespace {

const std::string kDataDir = KREL_SOURCE_DIR "/data";

class FailingDisplay : public HeadlessPlatform {
 public:
  bool OpenDisplay(bool, std::string& error) override {
    error = "no video device";
    return false;
  }
};

BmpImage Resource(const char* name) {
  BmpImage image;
  std::string error;
  EXPECT_TRUE(DecodeBmp(FindResource(name), image, error)) << error;
  return image;
}

struct Display : ::testing::Test {
  HeadlessPlatform platform;
  World w;
  void SetUp() override {
    w.platform = &platform;
    std::string error;
    ASSERT_TRUE(InitDDraw(w, kDataDir, error)) << error;
  }
};

TEST_F(Display, OpensTheDisplayLoadsTheLevelAndFillsTheColourTables) {
  EXPECT_TRUE(platform.display_open());
  EXPECT_EQ(w.surfBack.width(), 320);
  EXPECT_EQ(w.surfBack2.height(), 240);
  EXPECT_EQ(w.LevelWidth, 504);
  EXPECT_EQ(w.surfWorld.width(), w.LevelWidth);
  EXPECT_EQ(w.surfWorld.height(), w.LevelHeight);
  EXPECT_EQ(w.colorKey, 0xF81F);

  const BmpImage pal = Resource("PAL");
  for (int n = 0; n <= 254; ++n) {
    const PaletteEntry& e = pal.palette[static_cast<std::size_t>(n + 1)];
    EXPECT_EQ(w.PaletteColors[n], static_cast<int32>(PixelFromRgb(kScreenFormat, e.red, e.green, e.blue))) << n;
  }
  EXPECT_EQ(w.PaletteColors[255], w.PaletteColors[0]);
  // paletteEntries is not shifted: entry k is palette index k.
  for (int k = 0; k < 256; ++k) {
    EXPECT_EQ(w.paletteEntries[k].red, pal.palette[k].red) << k;
    EXPECT_EQ(w.paletteEntries[k].blue, pal.palette[k].blue) << k;
  }
  EXPECT_EQ(w.surfGfx16.width(), 1760);
  EXPECT_EQ(w.surfGfx8.width(), 910);
  EXPECT_EQ(w.surfGfx4.width(), 120);
  EXPECT_TRUE(w.surfGfx8.HasColorKey());
  EXPECT_EQ(w.surfGfx8.ColorKey(), w.colorKey);
}

TEST_F(Display, FontStripsCarryTheInkInTheirColours) {
  const int32 ink = w.PaletteColors[7];
  const int32 want[8] = {ink, 0, w.PaletteColors[28], w.PaletteColors[60], w.PaletteColors[47],
                         w.PaletteColors[146], w.PaletteColors[5], w.PaletteColors[68]};
  // The glyph of 'A' (code 65) occupies y 114..121.
  int ink_pixels = 0;
  for (int y = 8 * 65 - 16; y < 8 * 65 - 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const Pixel base = w.surfFont[0].At(x, y);
      if (base == ink) ++ink_pixels;
      for (int k = 0; k <= 7; ++k) {
        const Pixel p = w.surfFont[k].At(x, y);
        if (base == ink) {
          EXPECT_EQ(p, want[k]) << "strip " << k;
        } else {
          EXPECT_EQ(p, w.colorKey) << "strip " << k << " at " << x << "," << y;
        }
      }
      for (int k = 8; k <= 10; ++k) EXPECT_EQ(w.surfFont[k].At(x, y), w.colorKey);
    }
  EXPECT_GT(ink_pixels, 10);
  EXPECT_EQ(w.surfFont[7].At(1, 0), w.colorKey);
}

TEST_F(Display, WormSheetsTakeThePlayersHueKeepTransparencyAndMirror) {
  w.NumPlayers = 3;
  w.Players[1].Color = 60;   // red
  w.Players[2].Color = 180;  // green
  w.Players[3].Color = 300;  // blue, near the sheet's own blues
  initsurfaces(w);

  for (int j = 1; j <= 3; ++j) {
    const Surface& sheet = w.surfWorm[j];
    ASSERT_EQ(sheet.width(), 672);
    int recoloured = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 336; ++x) {
        const Pixel src = w.surfGfx16.At(256 + x, y);
        const Pixel got = sheet.At(x, y);
        // The mirror: column c and column 671 - c are the same.
        EXPECT_EQ(sheet.At(671 - x, y), got) << "player " << j << " column " << x;
        if (src == w.colorKey) {
          EXPECT_EQ(got, w.colorKey) << "transparent pixel at " << x << "," << y;
          continue;
        }
        bool replaced = false;
        for (int n = 29; n <= 33; ++n)
          if (src == w.PaletteColors[n]) {
            EXPECT_EQ(got, CreateHLSColor(w, w.paletteEntries[n], w.Players[j].Color)) << "colour " << n;
            replaced = true;
            ++recoloured;
          }
        if (!replaced) {
          EXPECT_EQ(got, src) << "grey detail at " << x << "," << y;
        }
      }
    EXPECT_GT(recoloured, 21 * 25) << "player " << j;
  }
  // Sheets of players beyond NumPlayers stay empty.
  for (int x = 0; x < 672; ++x) EXPECT_EQ(w.surfWorm[4].At(x, 10), w.colorKey);
}

TEST_F(Display, EveryHueKeepsTheWormsShadesApart) {
  // The sheet is recoloured one shade at a time; if a new shade equalled a
  // colour still to be replaced, two shades would merge. No hue may do that.
  std::set<Pixel> source;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 336; ++x) source.insert(w.surfGfx16.At(256 + x, y));
  for (int hue = 0; hue <= 360; hue += 3) {
    w.Players[1].Color = static_cast<int16>(hue);
    BuildWormSheet(w, 1);
    std::set<Pixel> got;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 336; ++x) got.insert(w.surfWorm[1].At(x, y));
    EXPECT_EQ(got.size(), source.size()) << "hue " << hue;
  }
}

TEST(DisplayFailure, ADisplayThatWillNotOpenIsReportedClearly) {
  FailingDisplay platform;
  World w;
  w.platform = &platform;
  std::string error;
  EXPECT_FALSE(InitDDraw(w, kDataDir, error));
  EXPECT_NE(error.find("no video device"), std::string::npos) << error;
  EXPECT_NE(error.find("/window"), std::string::npos) << error;
}

TEST(DisplayFailure, AMissingLevelIsReportedWithItsPath) {
  HeadlessPlatform platform;
  World w;
  w.platform = &platform;
  std::string error;
  EXPECT_FALSE(InitDDraw(w, "/nonexistent-krel-dir", error));
  EXPECT_NE(error.find("level.bmp"), std::string::npos) << error;
}

}  // namespace
}  // namespace krel
