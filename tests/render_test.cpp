#include "client/present/render.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"

namespace krel {
namespace {

// A 400x300 level of distinct colours per column band, so that a view can be
// told from the wrong view and the minimap from nothing.
World LevelWorld(HeadlessPlatform& platform) {
  World w;
  w.platform = &platform;
  w.LevelSurface = Surface(400, 300);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) w.LevelSurface.At(x, y) = static_cast<Pixel>(1 + x / 100 + 10 * (y / 100));
  w.LevelWidth = 400;
  w.LevelHeight = 300;
  w.surfWorld = Surface(400, 300);
  w.PaletteColors[50] = 0x1234;
  return w;
}

TEST(Render, ViewsSeparatorAndMinimapLandWhereTheFrameLayoutPutsThem) {
  HeadlessPlatform platform;
  World w = LevelWorld(platform);
  w.Players[1].ViewX = 0;
  w.Players[1].ViewY = 0;
  w.Players[2].ViewX = 200;
  w.Players[2].ViewY = 100;
  w.surfBack.Clear(0x7777);  // stale content must not survive
  ShowAll(w);

  const Surface& f = platform.last_frame();
  ASSERT_EQ(platform.frames_presented(), 1);
  EXPECT_EQ(f.At(0, 0), w.LevelSurface.At(0, 0));
  EXPECT_EQ(f.At(158, 189), w.LevelSurface.At(158, 189));
  EXPECT_EQ(f.At(159, 10), 0);  // the gap between the views stays black
  EXPECT_EQ(f.At(160, 10), 0);
  EXPECT_EQ(f.At(161, 0), w.LevelSurface.At(200, 100));
  EXPECT_EQ(f.At(319, 189), w.LevelSurface.At(358, 289));
  for (int x = 0; x < 320; x += 53) EXPECT_EQ(f.At(x, 190), 0x1234);
  EXPECT_EQ(f.At(124, 191), w.LevelSurface.At(0, 6));     // minimap, top-left area
  EXPECT_EQ(f.At(195, 239), w.LevelSurface.At(397, 294));  // minimap, bottom-right area
  EXPECT_EQ(f.At(10, 230), 0);  // outside the minimap the panel area is black
}

TEST(Render, AViewReachingPastTheWorldStaysBlack) {
  HeadlessPlatform platform;
  World w = LevelWorld(platform);
  w.Players[1].ViewX = 300;  // 300 + 159 > 400
  ShowAll(w);
  EXPECT_EQ(platform.last_frame().At(5, 5), 0);
  EXPECT_EQ(platform.last_frame().At(161, 0), w.LevelSurface.At(0, 0));
}

}  // namespace
}  // namespace krel
