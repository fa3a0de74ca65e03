// Display set-up on the headless platform: the colour tables, the font
// strips and the per-player worm sheets built from the embedded bitmaps.
#include <gtest/gtest.h>

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

struct Display : ::testing::Test {
  HeadlessPlatform platform;
  World w;
  void SetUp() override {
    w.platform = &platform;
    std::string error;
    ASSERT_TRUE(InitDDraw(w, kDataDir, error)) << error;
  }
};

TEST_F(Display, OpensTheDisplayAndFillsTheColourTablesAndFontStrips) {
  EXPECT_TRUE(platform.display_open() && w.surfBack2.height() == 240 && w.colorKey == 0xF81F);
  EXPECT_TRUE(w.surfWorld.width() == w.LevelWidth && w.surfGfx8.HasColorKey() && w.surfGfx8.ColorKey() == w.colorKey);
  BmpImage pal;
  std::string error;
  ASSERT_TRUE(DecodeBmp(FindResource("PAL"), pal, error)) << error;
  // Colour number n is palette index n + 1; paletteEntries is not shifted.
  const auto& p = pal.palette;
  for (int k = 1; k < 256; ++k)
    EXPECT_TRUE(w.PaletteColors[k - 1] == int32(PixelFromRgb(kScreenFormat, p[k].red, p[k].green, p[k].blue)) &&
                w.paletteEntries[k].red == p[k].red && w.paletteEntries[k].blue == p[k].blue) << "palette index " << k;
  EXPECT_EQ(w.PaletteColors[255], w.PaletteColors[0]) << "255 draws black, not transparent";
  // Font strips: the ink of strip 0 in each strip's colour, on transparent ground.
  const int32 want[8] = {w.PaletteColors[7], 0, w.PaletteColors[28], w.PaletteColors[60], w.PaletteColors[47],
                         w.PaletteColors[146], w.PaletteColors[5], w.PaletteColors[68]};
  int inked = 0;
  for (int y = 8 * 'A' - 16; y < 8 * 'A' - 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool is_ink = w.surfFont[0].At(x, y) == want[0];
      inked += is_ink;
      for (int k = 0; k <= 10; ++k)
        EXPECT_EQ(w.surfFont[k].At(x, y), is_ink && k <= 7 ? want[k] : w.colorKey) << k << ": " << x << "," << y;
    }
  EXPECT_GT(inked, 10);
}

TEST_F(Display, WormSheetsTakeThePlayersHueKeepTransparencyAndMirror) {
  auto check = [this](int j, int16 hue) {
    const Surface& sheet = w.surfWorm[j];
    ASSERT_EQ(sheet.width(), 672);
    int recoloured = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 336; ++x) {
        const Pixel src = w.surfGfx16.At(256 + x, y), got = sheet.At(x, y);
        EXPECT_EQ(sheet.At(671 - x, y), got) << "player " << j << ": the mirror of column " << x;
        Pixel want = src;  // transparent and grey pixels stay as they are
        for (int n = 29; n <= 33; ++n)
          if (src == w.PaletteColors[n]) want = CreateHLSColor(w, w.paletteEntries[n], hue), ++recoloured;
        EXPECT_EQ(got, want) << "player " << j << ", hue " << hue << " at " << x << "," << y;
      }
    EXPECT_GT(recoloured, 21 * 25) << "player " << j;
  };
  w.NumPlayers = 3;
  for (int j = 1; j <= 3; ++j) w.Players[j].Color = int16(120 * j - 60);  // red, green, a blue near the sheet's
  initsurfaces(w);
  for (int j = 1; j <= 3; ++j) check(j, w.Players[j].Color);
  // Shades are replaced one after another; no hue may turn one into a
  // colour still to be replaced.
  for (int16 hue = 0; hue <= 360; hue += 5) w.Players[1].Color = hue, BuildWormSheet(w, 1), check(1, hue);
}

TEST(DisplayFailure, ADisplayThatWillNotOpenIsReportedWithTheWayOut) {
  struct FailingDisplay : HeadlessPlatform {
    bool OpenDisplay(bool, std::string& error) override { return error = "no video device", false; }
  } platform;
  World w;
  w.platform = &platform;
  std::string error;
  ASSERT_FALSE(InitDDraw(w, kDataDir, error));
  for (const char* part : {"no video device", "/window"}) EXPECT_NE(error.find(part), std::string::npos) << error;
}

}  // namespace
}  // namespace krel
