#include "client/present/surface.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace krel {
namespace {

constexpr Pixel kKey = 0xF81F;
constexpr Pixel kBack = 0x1234;

using Points = std::set<std::pair<int, int>>;

// Every pixel that is not the background colour.
Points Drawn(const Surface& s) {
  Points p;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.At(x, y) != kBack) p.insert({x, y});
  return p;
}

Points Line(int x1, int y1, int x2, int y2, int w = 16, int h = 16) {
  Surface s(w, h);
  s.Clear(kBack);
  s.SetForeColor(255, 255, 255);
  s.DrawLine(x1, y1, x2, y2);
  for (auto [x, y] : Drawn(s)) EXPECT_EQ(s.At(x, y), 0xFFFF);
  return Drawn(s);
}

// A surface whose pixel (x, y) holds a value made from x and y.
Surface Numbered(int w, int h) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.At(x, y) = static_cast<Pixel>(y * 100 + x + 1);
  return s;
}

TEST(PixelFormat, RgbConvertsByScalingEachChannel) {
  EXPECT_EQ(PixelFromRgb(kScreenFormat, 255, 255, 255), 0xFFFFu);
  EXPECT_EQ(PixelFromRgb(kScreenFormat, 255, 0, 255), 0xF81Fu);  // the colour key
  EXPECT_EQ(PixelFromRgb(kScreenFormat, 0, 0, 0), 0u);
  EXPECT_EQ(PixelFromRgb(kScreenFormat, 0, 255, 0), 0x07E0u);
  // floor(v * max / 255): 8 is still 0 in a 5-bit channel, 9 is 1; 4 is 0 in
  // the 6-bit green, 5 is 1; 254 is not yet full.
  EXPECT_EQ(PixelFromRgb(kScreenFormat, 8, 4, 8), 0u);
  EXPECT_EQ(PixelFromRgb(kScreenFormat, 9, 5, 9), (1u << 11) | (1u << 5) | 1u);
  EXPECT_EQ(PixelFromRgb(kScreenFormat, 254, 0, 0), 30u << 11);
  // Out-of-range channels are clamped.
  EXPECT_EQ(PixelFromRgb(kScreenFormat, 300, -5, 1000), 0xF81Fu);
  // Another format: 5-5-5.
  const PixelFormat f555{0x7C00, 0x03E0, 0x001F, 16};
  EXPECT_EQ(PixelFromRgb(f555, 255, 255, 255), 0x7FFFu);
  EXPECT_EQ(PixelFromRgb(f555, 0, 128, 0), (128u * 31 / 255) << 5);
}

TEST(Surface, FillAndCopyAreRefusedWhenPartlyOutside) {
  Surface src = Numbered(8, 8);
  Surface dst(10, 6);
  dst.Clear(kBack);
  // Source rectangles partly or wholly outside, or empty.
  EXPECT_FALSE(dst.BltFast(0, 0, src, Rect{-1, 0, 3, 3}, false));
  EXPECT_FALSE(dst.BltFast(0, 0, src, Rect{6, 6, 9, 8}, false));
  EXPECT_FALSE(dst.BltFast(0, 0, src, Rect{2, 2, 2, 5}, false));
  EXPECT_FALSE(dst.BltFast(0, 0, src, Rect{3, 3, 1, 5}, false));
  // Target positions that would stick out on any side.
  EXPECT_FALSE(dst.BltFast(-1, 0, src, Rect{0, 0, 3, 3}, false));
  EXPECT_FALSE(dst.BltFast(0, -1, src, Rect{0, 0, 3, 3}, false));
  EXPECT_FALSE(dst.BltFast(8, 0, src, Rect{0, 0, 3, 3}, false));
  EXPECT_FALSE(dst.BltFast(0, 4, src, Rect{0, 0, 3, 3}, false));
  EXPECT_FALSE(dst.BltColorFill(Rect{8, 0, 11, 2}, 7));
  EXPECT_FALSE(dst.BltColorFill(Rect{0, -1, 2, 2}, 7));
  // Positions near the integer limits are outside, not an overflow.
  EXPECT_FALSE(dst.BltFast(INT_MAX - 1, 0, src, Rect{0, 0, 3, 3}, false));
  EXPECT_FALSE(dst.BltFast(0, INT_MAX, src, Rect{0, 0, 3, 3}, true));
  EXPECT_FALSE(dst.BltFast(INT_MIN, 0, src, Rect{0, 0, 3, 3}, false));
  EXPECT_FALSE(dst.BltFast(0, 0, src, Rect{INT_MIN, 0, INT_MAX, 3}, false));
  EXPECT_FALSE(dst.Blt(Rect{INT_MIN, 0, INT_MAX, 3}, src, Rect{0, 0, 3, 3}));
  EXPECT_TRUE(Drawn(dst).empty());  // nothing at all was drawn

  // Exactly at the edges is inside.
  EXPECT_TRUE(dst.BltFast(7, 3, src, Rect{5, 5, 8, 8}, false));
  EXPECT_EQ(dst.At(7, 3), src.At(5, 5));
  EXPECT_EQ(dst.At(9, 5), src.At(7, 7));
  EXPECT_EQ(Drawn(dst).size(), 9u);
  EXPECT_TRUE(dst.BltColorFill(Rect{0, 0, 2, 6}, 7));
  EXPECT_EQ(dst.At(1, 5), 7);
  EXPECT_EQ(dst.At(2, 5), kBack);
}

TEST(Surface, KeyedCopiesLeaveOutTheKeyOnly) {
  Surface sprite(3, 2);
  sprite.At(0, 0) = kKey;
  sprite.At(1, 0) = 0x0001;
  sprite.At(2, 0) = kKey;
  sprite.At(0, 1) = 0xFFFF;
  sprite.At(1, 1) = kKey;
  sprite.At(2, 1) = 0x0000;
  Surface dst(5, 5);
  dst.Clear(kBack);

  // Without a key on the source a keyed copy is plain.
  ASSERT_TRUE(dst.BltFast(0, 0, sprite, Rect{0, 0, 3, 2}, true));
  EXPECT_EQ(dst.At(0, 0), kKey);

  sprite.SetColorKey(kKey);
  dst.Clear(kBack);
  ASSERT_TRUE(dst.BltFast(1, 2, sprite, Rect{0, 0, 3, 2}, true));
  EXPECT_EQ(dst.At(1, 2), kBack);
  EXPECT_EQ(dst.At(2, 2), 0x0001);
  EXPECT_EQ(dst.At(3, 2), kBack);
  EXPECT_EQ(dst.At(1, 3), 0xFFFF);
  EXPECT_EQ(dst.At(2, 3), kBack);
  EXPECT_EQ(dst.At(3, 3), 0x0000);  // black is not transparent
  // A plain copy ignores the key.
  ASSERT_TRUE(dst.BltFast(1, 2, sprite, Rect{0, 0, 3, 2}, false));
  EXPECT_EQ(dst.At(1, 2), kKey);
  EXPECT_EQ(dst.At(2, 3), kKey);
}

TEST(Surface, CopyWithinOneSurfaceActsAsThroughATemporary) {
  Surface s = Numbered(6, 1);
  const Surface before = s;
  ASSERT_TRUE(s.BltFast(1, 0, s, Rect{0, 0, 5, 1}, false));  // shift right by one, overlapping
  EXPECT_EQ(s.At(0, 0), before.At(0, 0));
  for (int x = 1; x < 6; ++x) EXPECT_EQ(s.At(x, 0), before.At(x - 1, 0)) << x;
  Surface t = Numbered(6, 1);
  ASSERT_TRUE(t.BltFast(0, 0, t, Rect{1, 0, 6, 1}, false));  // shift left
  for (int x = 0; x < 5; ++x) EXPECT_EQ(t.At(x, 0), before.At(x + 1, 0)) << x;
}

TEST(Surface, StretchPicksThePixelUnderEachTargetCentre) {
  // Doubling: every source pixel becomes a 2x2 block (the frame presented).
  Surface src = Numbered(320, 240);
  Surface screen(640, 480);
  ASSERT_TRUE(screen.Blt(Rect{0, 0, 640, 480}, src, Rect{0, 0, 320, 240}));
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) ASSERT_EQ(screen.At(x, y), src.At(x / 2, y / 2)) << x << "," << y;

  // Shrinking 4 -> 2 takes the second of each pair; 3 -> 5 spreads evenly.
  Surface row = Numbered(4, 1);
  Surface out(5, 1);
  out.Clear(kBack);
  ASSERT_TRUE(out.Blt(Rect{1, 0, 3, 1}, row, Rect{0, 0, 4, 1}));
  EXPECT_EQ(out.At(0, 0), kBack);
  EXPECT_EQ(out.At(1, 0), row.At(1, 0));
  EXPECT_EQ(out.At(2, 0), row.At(3, 0));
  EXPECT_EQ(out.At(3, 0), kBack);
  ASSERT_TRUE(out.Blt(Rect{0, 0, 5, 1}, row, Rect{1, 0, 4, 1}));
  const int expect[5] = {1, 1, 2, 3, 3};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out.At(i, 0), row.At(expect[i], 0)) << i;

  // Refusals: either rectangle partly outside, or empty.
  Surface small(10, 10);
  small.Clear(kBack);
  EXPECT_FALSE(small.Blt(Rect{5, 5, 11, 9}, src, Rect{0, 0, 3, 3}));
  EXPECT_FALSE(small.Blt(Rect{-1, 0, 4, 4}, src, Rect{0, 0, 3, 3}));
  EXPECT_FALSE(small.Blt(Rect{0, 0, 4, 4}, src, Rect{318, 0, 321, 3}));
  EXPECT_FALSE(small.Blt(Rect{0, 0, 0, 4}, src, Rect{0, 0, 3, 3}));
  EXPECT_FALSE(small.Blt(Rect{0, 0, 4, 4}, src, Rect{0, 0, 3, 0}));
  EXPECT_TRUE(Drawn(small).empty());
}

TEST(Surface, StretchHonoursTheKeyAndTheSameSurface) {
  Surface sprite(2, 1);
  sprite.At(0, 0) = kKey;
  sprite.At(1, 0) = 0x00FF;
  sprite.SetColorKey(kKey);
  Surface dst(4, 2);
  dst.Clear(kBack);
  ASSERT_TRUE(dst.Blt(Rect{0, 0, 4, 2}, sprite, Rect{0, 0, 2, 1}, true));
  EXPECT_EQ(dst.At(0, 0), kBack);
  EXPECT_EQ(dst.At(1, 1), kBack);
  EXPECT_EQ(dst.At(2, 0), 0x00FF);
  EXPECT_EQ(dst.At(3, 1), 0x00FF);

  // Enlarging a corner of a surface over itself reads the original pixels.
  Surface s = Numbered(4, 4);
  const Surface before = s;
  ASSERT_TRUE(s.Blt(Rect{0, 0, 4, 4}, s, Rect{0, 0, 2, 2}));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(s.At(x, y), before.At(x / 2, y / 2)) << x << "," << y;
}

TEST(Surface, LockedPixelsOutsideAreIgnored) {
  Surface s(3, 3);
  s.Clear(kBack);
  s.SetLockedPixel(2, 2, 5);
  s.SetLockedPixel(3, 0, 6);
  s.SetLockedPixel(0, -1, 6);
  EXPECT_EQ(s.GetLockedPixel(2, 2), 5);
  EXPECT_EQ(s.GetLockedPixel(3, 0), 0);
  EXPECT_EQ(s.GetLockedPixel(-1, 0), 0);
  EXPECT_EQ(Drawn(s), (Points{{2, 2}}));
}

TEST(Surface, MakeRectRoundsHalfToEven) {
  EXPECT_EQ(makerect(1, 2, 3, 4), (Rect{1, 2, 4, 6}));
  EXPECT_EQ(makerect(0.5, 1.5, 2, 2), (Rect{0, 2, 2, 4}));  // 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, 3.5 -> 4
  EXPECT_EQ(makerect(-2.5, 0, 1, 1), (Rect{-2, 0, -2, 1}));
}

TEST(DrawLine, EndPointIsLeftOutAndZeroLengthDrawsNothing) {
  EXPECT_EQ(Line(2, 3, 7, 3), (Points{{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}));
  EXPECT_EQ(Line(7, 3, 2, 3), (Points{{7, 3}, {6, 3}, {5, 3}, {4, 3}, {3, 3}}));
  EXPECT_EQ(Line(4, 1, 4, 4), (Points{{4, 1}, {4, 2}, {4, 3}}));
  EXPECT_EQ(Line(4, 4, 4, 1), (Points{{4, 4}, {4, 3}, {4, 2}}));
  EXPECT_EQ(Line(5, 5, 6, 5), (Points{{5, 5}}));  // one pixel
  EXPECT_EQ(Line(5, 5, 5, 6), (Points{{5, 5}}));
  EXPECT_EQ(Line(5, 5, 6, 6), (Points{{5, 5}}));
  EXPECT_TRUE(Line(5, 5, 5, 5).empty());
}

TEST(DrawLine, DiagonalsAndTheHookCross) {
  EXPECT_EQ(Line(0, 0, 3, 3), (Points{{0, 0}, {1, 1}, {2, 2}}));
  EXPECT_EQ(Line(3, 3, 0, 0), (Points{{3, 3}, {2, 2}, {1, 1}}));
  EXPECT_EQ(Line(3, 0, 0, 3), (Points{{3, 0}, {2, 1}, {1, 2}}));
  EXPECT_EQ(Line(0, 3, 3, 0), (Points{{0, 3}, {1, 2}, {2, 1}}));
  // The rope hook: two lines from (hx+2, hy-1) to (hx-1, hy+2) and from
  // (hx+2, hy+1) to (hx-1, hy-2) around hx = hy = 5.
  EXPECT_EQ(Line(7, 4, 4, 7), (Points{{7, 4}, {6, 5}, {5, 6}}));
  EXPECT_EQ(Line(7, 6, 4, 3), (Points{{7, 6}, {6, 5}, {5, 4}}));
}

TEST(DrawLine, HalfWayTiesGoUpForShallowAndLeftForSteepLines) {
  // Shallow lines in all four directions: at x = 2 the ideal line is exactly
  // between rows 0 and 1, and the upper row wins.
  EXPECT_EQ(Line(0, 0, 4, 1), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
  EXPECT_EQ(Line(4, 1, 0, 0), (Points{{4, 1}, {3, 1}, {2, 0}, {1, 0}}));
  EXPECT_EQ(Line(0, 1, 4, 0), (Points{{0, 1}, {1, 1}, {2, 0}, {3, 0}}));
  EXPECT_EQ(Line(4, 0, 0, 1), (Points{{4, 0}, {3, 0}, {2, 0}, {1, 1}}));
  // Steep lines: at y = 2 the left column wins.
  EXPECT_EQ(Line(0, 0, 1, 4), (Points{{0, 0}, {0, 1}, {0, 2}, {1, 3}}));
  EXPECT_EQ(Line(1, 4, 0, 0), (Points{{1, 4}, {1, 3}, {0, 2}, {0, 1}}));
  EXPECT_EQ(Line(1, 0, 0, 4), (Points{{1, 0}, {1, 1}, {0, 2}, {0, 3}}));
  EXPECT_EQ(Line(0, 4, 1, 0), (Points{{0, 4}, {0, 3}, {0, 2}, {1, 1}}));
  // Without ties: the nearest pixel.
  EXPECT_EQ(Line(0, 0, 3, 1), (Points{{0, 0}, {1, 0}, {2, 1}}));
  EXPECT_EQ(Line(0, 0, 1, 3), (Points{{0, 0}, {0, 1}, {1, 2}}));
}

TEST(DrawLine, RandomLinesFollowTheIdealLineInEveryOctant) {
  std::mt19937 rng(77);
  for (int n = 0; n < 3000; ++n) {
    const int x1 = static_cast<int>(rng() % 24), y1 = static_cast<int>(rng() % 24);
    const int x2 = static_cast<int>(rng() % 24), y2 = static_cast<int>(rng() % 24);
    const Points fwd = Line(x1, y1, x2, y2, 24, 24);
    const int dx = x2 - x1, dy = y2 - y1;
    const std::size_t steps = static_cast<std::size_t>(std::max(std::abs(dx), std::abs(dy)));
    ASSERT_EQ(fwd.size(), steps);
    if (steps == 0) continue;
    ASSERT_TRUE(fwd.count({x1, y1}));
    ASSERT_FALSE(fwd.count({x2, y2}));
    const bool x_major = std::abs(dx) >= std::abs(dy);
    std::set<int> majors;
    for (auto [x, y] : fwd) {
      // One pixel per step along the major axis, within half a pixel of the
      // ideal line across it.
      majors.insert(x_major ? x : y);
      const double t = x_major ? static_cast<double>(x - x1) / dx : static_cast<double>(y - y1) / dy;
      const double ideal = x_major ? y1 + t * dy : x1 + t * dx;
      ASSERT_LE(std::abs((x_major ? y : x) - ideal), 0.5) << x1 << "," << y1 << " " << x2 << "," << y2;
    }
    ASSERT_EQ(majors.size(), steps);
    // Drawn backwards, the same pixels apart from the two ends.
    Points back = Line(x2, y2, x1, y1, 24, 24);
    back.erase({x2, y2});
    back.insert({x1, y1});
    ASSERT_EQ(back, fwd) << x1 << "," << y1 << " " << x2 << "," << y2;
  }
}

TEST(DrawLine, PixelsOutsideAreClippedNotRefused) {
  EXPECT_EQ(Line(-2, -2, 6, 6, 4, 4), (Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
  EXPECT_EQ(Line(2, -3, 2, 2, 4, 4), (Points{{2, 0}, {2, 1}}));
  EXPECT_TRUE(Line(-5, -1, 10, -1, 4, 4).empty());
  EXPECT_TRUE(Line(10, 0, 20, 3, 4, 4).empty());
  // Far-away end points neither overflow nor take long.
  const Points row = Line(INT_MIN, 2, INT_MAX, 2, 8, 4);
  EXPECT_EQ(row.size(), 8u);
  for (auto [x, y] : row) EXPECT_EQ(y, 2);
  const Points col = Line(1, INT_MAX, 1, INT_MIN, 4, 8);
  EXPECT_EQ(col.size(), 8u);
  // A long shallow line clipped to the surface keeps its slope there:
  // y = x / 2, with the half-way rows going up.
  const Points shallow = Line(-1000, -500, 1000, 500, 16, 16);
  EXPECT_EQ(shallow.size(), 16u);
  for (auto [x, y] : shallow) EXPECT_EQ(y, x / 2) << x;
  const Points steep = Line(-1000, -1000, 1000, 1000, 16, 16);
  EXPECT_EQ(steep.size(), 16u);
  for (auto [x, y] : steep) EXPECT_EQ(x, y);
}

TEST(DrawLine, ForeColorIsAnRgbColourInTheScreenFormat) {
  Surface s(4, 1);
  s.Clear(kBack);
  s.SetForeColor(200, 100, 0);
  EXPECT_EQ(s.ForeColor(), (24 << 11) | (24 << 5));
  s.DrawLine(0, 0, 2, 0);
  EXPECT_EQ(s.At(0, 0), s.ForeColor());
  EXPECT_EQ(s.At(1, 0), s.ForeColor());
  EXPECT_EQ(s.At(2, 0), kBack);
  s.SetForeColor(255, 0, 0);
  s.DrawLine(3, 0, 2, 0);
  EXPECT_EQ(s.At(3, 0), 0xF800);
}

}  // namespace
}  // namespace krel
