#include "client/present/text.h"
#include "client/present/display_state.h"
#include "gfx/text_wrap.h"

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
      Surface& s = DisplayOf(w).Fonts[strip] = Surface(8, 2000);
      s.Clear(kKey);
      s.SetColorKey(kKey);
      for (int top = 0; top <= 8 * 251 - 16; top += 8) {
        s.At(1, top) = s.At(6, top + 7) = strip == 0 ? kShadowInk : kWhiteInk;
        s.At(0, top + 3) = s.At(7, top + 3) = kCellEdge;
      }
    }
    DisplayOf(w).Back.Clear(kBack);
  }
  P Ink(Pixel colour) const {
    P p;
    for (int i = 0; i < 320 * 240; ++i)
      if (DisplayOf(w).Back.pixels()[i] == colour) p.insert({i % 320, i / 320});
    return p;
  }
  World w;
};

// Text is Windows-1252 and the font's cells are in code page 437 order: each
// character is drawn from its own cell, and one the font cannot show as "?".
TEST_F(Text, EachCharacterTakesItsCodePage437CellOrAQuestionMark) {
  // Strip 7 marks each cell's glyph with the cell's code in its top row.
  for (int c = 2; c <= 251; ++c) DisplayOf(w).Fonts[7].At(1, 8 * c - 16) = static_cast<Pixel>(c);
  // Cell 142 ("Ä") is left empty in strip 0, the strip that says what the
  // font has.
  for (int y = 8 * 142 - 16; y < 8 * 142 - 8; ++y)
    for (int x = 0; x < 8; ++x) DisplayOf(w).Fonts[0].At(x, y) = kKey;
  DisplayOf(w).FontCellsReady = false;
  const std::string text = "a\xE4\xF6\xFC\xDF\xC4\x80\x01\x7F\xE9 \xA0";  // a ä ö ü ß Ä € SOH DEL é, blanks
  const int cells[] = {'a', 132, 148, 129, 225, '?', '?', '?', '?', 130, ' ', ' '};
  DrawText2(w, DisplayOf(w).Back, text, 0, 0, 7);
  for (std::size_t i = 0; i < std::size(cells); ++i)
    EXPECT_EQ(DisplayOf(w).Back.At(6 * static_cast<int>(i), 0), cells[i]) << "character " << i;
}

TEST_F(Text, GlyphsAndShadowsThatStickOutAreLeftOutWholeAndColoursWithoutAStripDrawNothing) {
  // Far off the surface: nothing, and the pen position does not overflow.
  DrawText(w, DisplayOf(w).Back, "AB", 0, INT_MAX, 7);
  DrawText(w, DisplayOf(w).Back, "AB", INT_MIN, INT_MIN, 7);
  DrawText(w, DisplayOf(w).Back, "AB", INT_MAX - 3, 0, 7);
  EXPECT_EQ(Ink(kBack).size(), 320u * 240u);
  // From x = -4 the first glyph and its shadow stick out on the left; the
  // glyphs at 2, 8, ..., 314 fit, but the last one's shadow would reach 320.
  DrawText(w, DisplayOf(w).Back, std::string(1000, 'A'), -4, 0, 7);
  // An empty strip draws no glyph but DrawText still draws the shadow; a
  // colour number without a strip draws nothing at all.
  DrawText(w, DisplayOf(w).Back, "A", 0, 100, 9);
  DrawText(w, DisplayOf(w).Back, "A", 20, 100, 11);
  DrawText(w, DisplayOf(w).Back, "A", 40, 100, -1);
  P glyphs, shadows{{1, 101}, {6, 108}};
  for (int x = 2; x <= 314; x += 6) glyphs.insert({{x, 0}, {x + 5, 7}});
  for (int x = 3; x <= 309; x += 6) shadows.insert({{x, 1}, {x + 5, 8}});
  EXPECT_EQ(Ink(kWhiteInk), glyphs);
  EXPECT_EQ(Ink(kShadowInk), shadows);
  EXPECT_EQ(Ink(kBack).size(), 320u * 240u - glyphs.size() - shadows.size());
}

TEST(WrapText, BreaksAtBlanksThenSeparatorsThenHard) {
  using L = std::vector<std::string>;
  const struct {
    const char* text;
    std::size_t width;
    L lines;
  } cases[] = {
      {"", 5, {}},
      {"abc def", 7, {"abc def"}},
      {"abc def  ghi", 7, {"abc def", "ghi"}},
      {"SCREENSHOT krel-20261207-031007.png", 26, {"SCREENSHOT", "krel-20261207-031007.png"}},
      {"/home/ann/Pictures/krel/x.png", 12, {"/home/ann/", "Pictures/", "krel/x.png"}},
      {"abcdefgh", 3, {"abc", "def", "gh"}},
      {"one\ntwo three", 5, {"one", "two", "three"}},
  };
  for (const auto& c : cases) EXPECT_EQ(WrapText(c.text, c.width), c.lines) << c.text;
  EXPECT_EQ(WrapTextLines("abc def ghi", 7), "abc def\nghi");
}

}  // namespace
}  // namespace krel
