#include "client/present/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <utility>

namespace krel {
namespace {

constexpr Pixel kKey = 0xF81F, kBack = 0x0000, kShadowInk = 0x4208, kWhiteInk = 0xFFFF, kCellEdge = 0x00F0;
using P = std::set<std::pair<int, int>>;

// A font of two 8x2000 strips, the other strips being empty. Every cell of
// strip 0 (shadow ink) and strip 7 (white) has ink at its glyph's top-left
// (cell column 1, row 0) and bottom-right (column 6, row 7), and marks in
// columns 0 and 7, which are outside the glyph.
class Text : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int strip : {0, 7}) {
      Surface& s = w.surfFont[strip] = Surface(8, 2000);
      s.Clear(kKey);
      s.SetColorKey(kKey);
      for (int top = 0; top <= 8 * 251 - 16; top += 8) {
        s.At(1, top) = s.At(6, top + 7) = strip == 0 ? kShadowInk : kWhiteInk;
        s.At(0, top + 3) = s.At(7, top + 3) = kCellEdge;
      }
    }
    w.surfBack.Clear(kBack);
  }
  P Ink(Pixel colour) const {
    P p;
    for (int i = 0; i < 320 * 240; ++i)
      if (w.surfBack.pixels()[i] == colour) p.insert({i % 320, i / 320});
    return p;
  }
  World w;
};

TEST_F(Text, CodesWithoutACellAdvanceAndColoursWithoutAStripDrawNothing) {
  // Codes 1 and 252 have no cell; 2 and 251 are the first and last cells.
  // DrawText2 draws no shadow.
  DrawText2(w, w.surfBack, "\x01\x02\xFB\xFC" "A", 0, 0, 7);
  EXPECT_EQ(Ink(kWhiteInk), (P{{6, 0}, {11, 7}, {12, 0}, {17, 7}, {24, 0}, {29, 7}}));
  EXPECT_EQ(Ink(kBack).size(), 320u * 240u - 6u);
  // An empty strip draws no glyph but DrawText still draws the shadow; a
  // colour number without a strip draws nothing at all.
  w.surfBack.Clear(kBack);
  DrawText(w, w.surfBack, "A", 0, 0, 9);
  DrawText(w, w.surfBack, "A", 20, 0, 11);
  DrawText(w, w.surfBack, "A", 40, 0, -1);
  EXPECT_EQ(Ink(kShadowInk), (P{{1, 1}, {6, 8}}));
  EXPECT_EQ(Ink(kBack).size(), 320u * 240u - 2u);
}

TEST_F(Text, GlyphsAndShadowsThatStickOutAreLeftOutWhole) {
  // Far off the surface: nothing, and the pen position does not overflow.
  DrawText(w, w.surfBack, "AB", 0, INT_MAX, 7);
  DrawText(w, w.surfBack, "AB", INT_MIN, INT_MIN, 7);
  DrawText(w, w.surfBack, "AB", INT_MAX - 3, 0, 7);
  EXPECT_EQ(Ink(kBack).size(), 320u * 240u);
  // From x = -4 the first glyph and its shadow stick out on the left; the
  // glyphs at 2, 8, ..., 314 fit, but the last one's shadow would reach 320.
  DrawText(w, w.surfBack, std::string(1000, 'A'), -4, 0, 7);
  P glyphs, shadows;
  for (int x = 2; x <= 314; x += 6) glyphs.insert({{x, 0}, {x + 5, 7}});
  for (int x = 3; x <= 309; x += 6) shadows.insert({{x, 1}, {x + 5, 8}});
  EXPECT_EQ(Ink(kWhiteInk), glyphs);
  EXPECT_EQ(Ink(kShadowInk), shadows);
}

}  // namespace
}  // namespace krel
