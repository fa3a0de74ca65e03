#include "gfx/surface.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>
#include <vector>

namespace krel {
namespace {

constexpr Pixel kBack = 0x1234;
using Points = std::set<std::pair<int, int>>;

// Every pixel that is not the background colour.
Points Drawn(const Surface& s) {
  Points p;
  for (int i = 0; i < s.width() * s.height(); ++i)
    if (s.pixels()[i] != kBack) p.insert({i % s.width(), i / s.width()});
  return p;
}

Points Line(int x1, int y1, int x2, int y2, int w = 16, int h = 16) {
  Surface s(w, h);
  s.Clear(kBack);
  s.SetForeColor(200, 100, 0);  // 200 * 31 / 255 = 24 and 100 * 63 / 255 = 24
  s.DrawLine(x1, y1, x2, y2);
  for (auto [x, y] : Drawn(s)) EXPECT_EQ(s.At(x, y), (24 << 11) | (24 << 5));
  return Drawn(s);
}

// A surface whose pixel (x, y) holds a value made from x and y.
Surface Numbered(int w, int h) {
  Surface s(w, h);
  for (int i = 0; i < w * h; ++i) s.At(i % w, i / w) = static_cast<Pixel>(i / w * 100 + i % w + 1);
  return s;
}

TEST(Surface, CopiesAndFillsPartlyOutsideDrawNothing) {
  EXPECT_EQ(MakeRect(1.5, 0.5, 2, 2), (Rect{2, 0, 4, 2}));  // half to even: 1.5 -> 2, 0.5 -> 0, 3.5 -> 4, 2.5 -> 2
  const Surface src = Numbered(8, 8);
  Surface dst(10, 6);
  dst.Clear(kBack);
  const Rect in{0, 0, 3, 3};
  const struct {
    int x, y;
    Rect r;
  } copies[] = {{0, 0, {-1, 0, 3, 3}},
                {0, 0, {6, 6, 9, 8}},
                {0, 0, {3, 3, 1, 5}},
                {-1, 0, in},
                {0, 4, in},
                {INT_MAX - 1, 0, in},
                {INT_MIN, 0, in},
                {0, 0, {INT_MIN, 0, INT_MAX, 3}}};
  for (const auto& c : copies) EXPECT_FALSE(dst.Blit(c.x, c.y, src, c.r, false)) << c.x << "," << c.y;
  const struct {
    Rect d, s;
  } stretches[] = {
      {{5, 5, 11, 6}, in}, {{0, 0, 4, 4}, {6, 0, 9, 3}}, {{0, 0, 0, 4}, in}, {{INT_MIN, 0, INT_MAX, 3}, in}};
  for (const auto& c : stretches) EXPECT_FALSE(dst.BlitStretched(c.d, src, c.s)) << c.d.Left << "," << c.d.Right;
  for (const Rect& r : {Rect{8, 0, 11, 2}, Rect{0, -1, 2, 2}}) EXPECT_FALSE(dst.FillRect(r, 7));
  for (auto [x, y] : {std::pair{10, 0}, std::pair{0, -1}}) dst.SetPixel(x, y, 7);  // writes outside are ignored
  EXPECT_TRUE(Drawn(dst).empty());
  EXPECT_EQ(dst.PixelAt(-1, 0) + dst.PixelAt(10, 0), 0);
  // Exactly at the edges is inside (copies at the edges: the keyed test below).
  ASSERT_TRUE(dst.FillRect(Rect{8, 4, 10, 6}, 7));
  EXPECT_EQ(Drawn(dst), (Points{{8, 4}, {9, 4}, {8, 5}, {9, 5}}));
}

TEST(Surface, KeyedOverlappingAndStretchedCopies) {
  // Square, so both axes at once: copies shifted by one down-right and
  // up-left; stretches taking the pixel under each target centre, shrinking
  // 4 -> 2 (the second of each pair), enlarging 3 -> 5 (spread evenly) and
  // 4 -> 3 (exactly on the edge of pixel 2). Each onto another surface and
  // onto the source itself, which reads the original pixels; plain, keyed
  // (leaving out the source's key, which every case picks) and keyed after
  // the key was cleared.
  const struct {
    int from, to, at, end;
    std::vector<int> picks;
  } cases[] = {{0, 4, 1, 5, {0, 1, 2, 3}},
               {1, 5, 0, 4, {1, 2, 3, 4}},
               {1, 5, 1, 3, {2, 4}},
               {0, 3, 0, 5, {0, 0, 1, 2, 2}},
               {0, 4, 0, 3, {0, 2, 3}}};
  for (int run = 0; run < 30; ++run) {
    const auto& c = cases[run / 6];
    const int mode = run % 3;  // plain, keyed, keyed without a key
    const bool same = run / 3 % 2, keyed = mode > 0;
    Surface src = Numbered(5, 5), other(5, 5);
    const Pixel key = src.At(2, 2);
    src.SetColorKey(key);
    if (mode == 2) src.ClearColorKey();
    other.Clear(kBack);
    Surface& out = same ? src : other;
    const Surface original = src, before = out;
    const Rect from{c.from, c.from, c.to, c.to};
    ASSERT_TRUE(c.to - c.from == c.end - c.at ? out.Blit(c.at, c.at, src, from, keyed)
                                              : out.BlitStretched(Rect{c.at, c.at, c.end, c.end}, src, from, keyed));
    for (int i = 0; i < 25; ++i) {
      const int x = i % 5, y = i / 5;
      const bool inside = x >= c.at && x < c.end && y >= c.at && y < c.end;
      const Pixel p = inside ? original.At(c.picks[x - c.at], c.picks[y - c.at]) : 0;
      EXPECT_EQ(out.At(x, y), inside && !(mode == 1 && p == key) ? p : before.At(x, y)) << x << "," << y << " " << run;
    }
  }
}

TEST(DrawLine, EndPointsSlopesTiesAndClipping) {
  Points row, column, slope;
  for (int i = 0; i < 8; ++i) row.insert({i, 2}), column.insert({1, i}), slope.insert({i, i / 2});
  const struct {
    int x1, y1, x2, y2;
    Points p;
    int w = 16, h = 16;
  } cases[] = {// The end point is left out; a zero-length line draws nothing.
               {2, 3, 6, 3, {{2, 3}, {3, 3}, {4, 3}, {5, 3}}},
               {4, 4, 4, 1, {{4, 4}, {4, 3}, {4, 2}}},
               {5, 5, 6, 6, {{5, 5}}},
               {5, 5, 5, 5, {}},
               // 45 degrees.
               {3, 3, 0, 0, {{3, 3}, {2, 2}, {1, 1}}},
               {3, 0, 0, 3, {{3, 0}, {2, 1}, {1, 2}}},
               // Half way between two rows the upper one wins (shallow lines), between
               // two columns the left one (steep lines); otherwise the nearest pixel.
               {0, 0, 4, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},
               {4, 1, 0, 0, {{4, 1}, {3, 1}, {2, 0}, {1, 0}}},
               {1, 0, 0, 4, {{1, 0}, {1, 1}, {0, 2}, {0, 3}}},
               {0, 4, 1, 0, {{0, 4}, {0, 3}, {0, 2}, {1, 1}}},
               // Pixels outside a 4x4 surface are clipped away, the rest drawn.
               {-2, 0, 6, 8, {{0, 2}, {1, 3}}, 4, 4},
               {2, -3, 2, 2, {{2, 0}, {2, 1}}, 4, 4},
               {-5, -1, 10, -1, {}, 4, 4},
               // Far-away end points neither overflow nor take long, and a clipped
               // line keeps its slope (y = x / 2, the half-way rows going up).
               {INT_MIN, 2, INT_MAX, 2, row, 8, 4},
               {1, INT_MAX, 1, INT_MIN, column, 4, 8},
               {-1000, -500, 1000, 500, slope, 8, 4}};
  for (const auto& c : cases)
    EXPECT_EQ(Line(c.x1, c.y1, c.x2, c.y2, c.w, c.h), c.p) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
}

}  // namespace
}  // namespace krel
