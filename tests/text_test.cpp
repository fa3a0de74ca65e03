#include "client/present/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>

#include "client/present/colors.h"

namespace krel {
namespace {

constexpr Pixel kKey = 0xF81F;
constexpr Pixel kBack = 0x0000;
constexpr Pixel kShadowInk = 0x4208;
constexpr Pixel kWhiteInk = 0xFFFF;
constexpr Pixel kCellEdge = 0x00F0;  // in columns 0 and 7 of a cell, never part of a glyph

// A font of 8x2000 strips: every cell carries one ink pixel at its glyph's
// top-left (cell column 1, row 0) and one at its bottom-right (column 6,
// row 7), plus marks in the two columns outside the glyph. Strip 0 uses the
// shadow ink, strip 7 white; strips 1..6 and 8..10 are empty.
void MakeTestFont(World& w) {
  for (auto& strip : w.surfFont) {
    strip = Surface(8, 2000);
    strip.Clear(kKey);
    strip.SetColorKey(kKey);
  }
  for (int c = 2; c <= 251; ++c) {
    const int top = 8 * c - 16;
    for (int strip : {0, 7}) {
      Surface& s = w.surfFont[strip];
      const Pixel ink = strip == 0 ? kShadowInk : kWhiteInk;
      s.At(1, top) = ink;
      s.At(6, top + 7) = ink;
      s.At(0, top + 3) = kCellEdge;
      s.At(7, top + 3) = kCellEdge;
    }
  }
}

std::set<std::pair<int, int>> PixelsOf(const Surface& s, Pixel colour) {
  std::set<std::pair<int, int>> p;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.At(x, y) == colour) p.insert({x, y});
  return p;
}

using P = std::set<std::pair<int, int>>;

TEST(Text, DrawTextPutsShadowsOneRightAndDown) {
  World w;
  MakeTestFont(w);
  Surface& back = w.surfBack;
  back.Clear(kBack);
  DrawText(w, back, "AB", 10, 20, 7);
  // Glyph top-left corners at (10, 20) and (16, 20), shadows at (11, 21)
  // and (17, 21); the bottom-right ink 5 right and 7 down of each.
  EXPECT_EQ(PixelsOf(back, kWhiteInk), (P{{10, 20}, {15, 27}, {16, 20}, {21, 27}}));
  EXPECT_EQ(PixelsOf(back, kShadowInk), (P{{11, 21}, {16, 28}, {17, 21}, {22, 28}}));
  // Nothing outside the six glyph columns, and the cell background is
  // transparent.
  EXPECT_TRUE(PixelsOf(back, kCellEdge).empty());
  EXPECT_EQ(PixelsOf(back, kKey).size(), 0u);
  EXPECT_EQ(PixelsOf(back, kBack).size(), 320u * 240u - 8u);
}

TEST(Text, GlyphsComeFromTheirOwnCells) {
  World w;
  MakeTestFont(w);
  // Mark the cell of 'B' (66) distinctly in strip 7.
  w.surfFont[7].At(3, 8 * 66 - 16 + 2) = 0x0777;
  Surface& back = w.surfBack;
  back.Clear(kBack);
  DrawText2(w, back, "AB", 0, 0, 7);
  EXPECT_EQ(PixelsOf(back, 0x0777), (P{{6 + 2, 2}}));
  // DrawText2 draws no shadow.
  EXPECT_TRUE(PixelsOf(back, kShadowInk).empty());
  EXPECT_EQ(PixelsOf(back, kWhiteInk).size(), 4u);
}

TEST(Text, CodesWithoutACellAdvanceAndEdgesRefuseWholeGlyphs) {
  World w;
  MakeTestFont(w);
  Surface& back = w.surfBack;
  back.Clear(kBack);
  // Codes 1 and 252 have no cell; 2 and 251 are the first and last cells.
  DrawText2(w, back, std::string("\x01\x02\xFB\xFC") + "A", 0, 0, 7);
  EXPECT_EQ(PixelsOf(back, kWhiteInk), (P{{6, 0}, {11, 7}, {12, 0}, {17, 7}, {24, 0}, {29, 7}}));

  // Empty strips (8..10) draw no glyph, but DrawText still draws the shadow.
  back.Clear(kBack);
  DrawText(w, back, "A", 0, 0, 9);
  EXPECT_TRUE(PixelsOf(back, kWhiteInk).empty());
  EXPECT_EQ(PixelsOf(back, kShadowInk), (P{{1, 1}, {6, 8}}));
  // A colour number without a strip draws nothing at all.
  back.Clear(kBack);
  DrawText(w, back, "A", 0, 0, 11);
  DrawText(w, back, "A", 0, 0, -1);
  EXPECT_EQ(PixelsOf(back, kBack).size(), 320u * 240u);

  // At the right edge: the last glyph that fits whole is drawn, a glyph
  // that would stick out is left out entirely (and so is a shadow).
  back.Clear(kBack);
  DrawText(w, back, "AB", 308, 0, 7);  // A at 308..313, shadow to 314; B at 314..319, shadow to 320
  EXPECT_EQ(PixelsOf(back, kWhiteInk), (P{{308, 0}, {313, 7}, {314, 0}, {319, 7}}));
  EXPECT_EQ(PixelsOf(back, kShadowInk), (P{{309, 1}, {314, 8}}));
  // Far off the surface: nothing, and no overflow of the pen position.
  back.Clear(kBack);
  DrawText(w, back, "AB", INT_MAX, INT_MAX, 7);
  DrawText(w, back, "AB", INT_MIN, INT_MIN, 7);
  DrawText(w, back, "AB", INT_MAX - 3, 0, 7);
  EXPECT_EQ(PixelsOf(back, kBack).size(), 320u * 240u);
  DrawText2(w, back, std::string(1000, 'A'), -3, 0, 7);  // the first glyph sticks out on the left
  const P row = PixelsOf(back, kWhiteInk);
  EXPECT_EQ(row.count({2, 7}), 0u);  // the first glyph's corner
  EXPECT_EQ(row.count({3, 0}), 1u);  // the second glyph
  EXPECT_EQ(row.size(), 2u * 52u);   // glyphs at 3, 9, ..., 309 fit whole; 315 would reach 321
}

TEST(Text, RecolouredFontStripsKeepTheirBackground) {
  // How the display set-up makes the coloured strips: the whole of strip 0
  // copied with its ink replaced, into a strip filled with the key.
  World w;
  MakeTestFont(w);
  Surface& target = w.surfFont[3];
  const Pixel sand = 0x0BEE;
  ASSERT_TRUE(BltColorChange(target, w.surfFont[0], 0, 0, 0, 0, 8, 2000, kShadowInk, sand));
  EXPECT_EQ(target.At(1, 8 * 65 - 16), sand);
  EXPECT_EQ(target.At(2, 8 * 65 - 16), kKey);
  EXPECT_EQ(target.At(0, 8 * 65 - 13), kCellEdge);
  Surface& back = w.surfBack;
  back.Clear(kBack);
  DrawText2(w, back, "A", 40, 50, 3);
  EXPECT_EQ(PixelsOf(back, sand), (P{{40, 50}, {45, 57}}));
}

}  // namespace
}  // namespace krel
