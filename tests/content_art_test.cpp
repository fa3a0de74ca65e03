// The embedded palette and sprite sheets, read back the way the game reads
// them: sizes, layouts and the colour ranges the rest of the game relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>

#include "client/present/bmp.h"
#include "client/present/resources.h"
#include "client/present/surface.h"

namespace krel {
namespace {

BmpImage Resource(const char* name) {
  BmpImage image;
  std::string error;
  EXPECT_TRUE(DecodeBmp(FindResource(name), image, error)) << name << ": " << error;
  return image;
}

std::uint8_t At(const BmpImage& img, int x, int y) {
  return img.indices[static_cast<std::size_t>(y) * img.width + x];
}

// Palette indices used inside one w x h cell.
std::set<int> CellIndices(const BmpImage& img, int cell, int cw, int ch) {
  std::set<int> used;
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x) used.insert(At(img, cell * cw + x, y));
  return used;
}

bool CellEmpty(const BmpImage& img, int cell, int cw, int ch) {
  const std::set<int> used = CellIndices(img, cell, cw, ch);
  return used.size() == 1 && *used.begin() == 0;
}

struct Hls {
  double h, l, s;  // h in degrees (0 red, 120 green, 240 blue), l and s in 0..1
};
Hls ToHls(const PaletteEntry& e) {
  const double r = e.red / 255.0, g = e.green / 255.0, b = e.blue / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  Hls out{0, (mx + mn) / 2, 0};
  if (mx == mn) return out;
  const double d = mx - mn;
  out.s = out.l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  double h = mx == r ? (g - b) / d : mx == g ? 2 + (b - r) / d : 4 + (r - g) / d;
  out.h = std::fmod(h * 60 + 360, 360);
  return out;
}

int ColourNumberMaterial(int n) {
  if ((n >= 12 && n <= 18) || (n >= 94 && n <= 103) || (n >= 175 && n <= 180)) return 1;
  if (n >= 19 && n <= 29) return 2;
  if (n >= 159 && n <= 167) return 3;
  return 4;
}

TEST(ContentArt, EveryBitmapHasItsSizeDepthAndTheSharedPalette) {
  const std::map<std::string, std::pair<int, int>> sizes = {
      {"PAL", {256, 1}}, {"FONT", {8, 2000}}, {"GFX16", {1760, 16}}, {"GFX8", {910, 8}}, {"GFX4", {120, 4}}};
  const BmpImage pal = Resource("PAL");
  for (const auto& [name, size] : sizes) {
    const BmpImage img = Resource(name.c_str());
    EXPECT_EQ(img.width, size.first) << name;
    EXPECT_EQ(img.height, size.second) << name;
    EXPECT_EQ(img.bits, 8) << name;
    for (int k = 0; k < 256; ++k) {
      EXPECT_EQ(img.palette[k].red, pal.palette[k].red) << name << " entry " << k;
      EXPECT_EQ(img.palette[k].green, pal.palette[k].green) << name << " entry " << k;
      EXPECT_EQ(img.palette[k].blue, pal.palette[k].blue) << name << " entry " << k;
    }
  }
  // PAL names palette index k at pixel k: colour number n is index n + 1.
  for (int k = 0; k < 256; ++k) EXPECT_EQ(At(pal, k, 0), k);
  EXPECT_TRUE(FindResource("NOSUCH").empty());
  EXPECT_EQ(FindResource("gfx16").size(), FindResource("GFX16").size());
}

TEST(ContentArt, PaletteRangesHaveTheirLooks) {
  const BmpImage pal = Resource("PAL");
  auto entry = [&pal](int index) { return pal.palette[static_cast<std::size_t>(index)]; };
  EXPECT_EQ(entry(0).red, 255);
  EXPECT_EQ(entry(0).green, 0);
  EXPECT_EQ(entry(0).blue, 255);

  // Soil: earthy browns (red over green over blue, orange hue).
  for (int n : {12, 13, 14, 15, 16, 17, 18, 94, 97, 100, 103, 175, 178, 180}) {
    const PaletteEntry e = entry(n + 1);
    EXPECT_GT(e.red, e.green) << "soil " << n;
    EXPECT_GT(e.green, e.blue) << "soil " << n;
    const Hls h = ToHls(e);
    EXPECT_GT(h.h, 15) << "soil " << n;
    EXPECT_LT(h.h, 45) << "soil " << n;
  }
  // Rock: greys of low saturation (the lightest may be faintly blue).
  for (int n = 19; n <= 28; ++n) EXPECT_LT(ToHls(entry(n + 1)).s, 0.35) << "rock " << n;
  // Free space: dark.
  for (int n = 159; n <= 167; ++n) EXPECT_LT(ToHls(entry(n + 1)).l, 0.2) << "free " << n;
  // The worm's four shades are blue; its details are grey.
  for (int index = 30; index <= 33; ++index) {
    const Hls h = ToHls(entry(index));
    EXPECT_GT(h.h, 200) << index;
    EXPECT_LT(h.h, 235) << index;
    EXPECT_GT(h.s, 0.4) << index;
  }
  for (int index = 36; index <= 38; ++index) {
    const PaletteEntry e = entry(index);
    EXPECT_LT(std::max({e.red, e.green, e.blue}) - std::min({e.red, e.green, e.blue}), 20) << index;
  }
  // Font: ink dark grey; the recolouring targets as their names say.
  EXPECT_LT(ToHls(entry(8)).l, 0.45);
  EXPECT_LT(ToHls(entry(8)).s, 0.1);
  EXPECT_GT(ToHls(entry(29)).l, 0.7);   // light grey
  EXPECT_GT(ToHls(entry(61)).l, 0.6);   // sand
  EXPECT_GT(ToHls(entry(48)).h, 200);   // light blue
  EXPECT_GT(ToHls(entry(147)).l, 0.85); // pale blue-white
  EXPECT_GT(entry(6).red, 200);         // light red
  EXPECT_LT(entry(6).green, 160);
  EXPECT_EQ(entry(69).red + entry(69).green + entry(69).blue, 3 * 255);  // white
  // Health from red (233) to green (243), ammunition on from there.
  EXPECT_GT(entry(234).red, entry(234).green);
  EXPECT_GT(entry(244).green, entry(244).red);
  for (int index = 234; index < 244; ++index) EXPECT_LE(ToHls(entry(index)).h, ToHls(entry(index + 1)).h) << index;
  EXPECT_NE(ToHls(entry(254)).h, ToHls(entry(244)).h);
}

TEST(ContentArt, NoTwoMaterialsShareAScreenColour) {
  const BmpImage pal = Resource("PAL");
  std::map<Pixel, int> first;  // screen value -> colour number
  for (int n = 0; n <= 254; ++n) {
    const PaletteEntry e = pal.palette[static_cast<std::size_t>(n + 1)];
    const Pixel v = static_cast<Pixel>(PixelFromRgb(kScreenFormat, e.red, e.green, e.blue));
    EXPECT_NE(v, 0xF81F) << "colour number " << n << " is the transparent colour";
    auto [it, fresh] = first.emplace(v, n);
    if (!fresh) {
      EXPECT_EQ(ColourNumberMaterial(it->second), ColourNumberMaterial(n))
          << "colour numbers " << it->second << " and " << n << " share " << v;
    }
  }
}

TEST(ContentArt, WormFramesAreDrawnInReplaceableShadesAndStandOnTheirFeet) {
  const BmpImage gfx = Resource("GFX16");
  const std::set<int> allowed = {0, 30, 31, 32, 33, 36, 37, 38};
  for (int cell = 16; cell <= 36; ++cell) {
    const std::set<int> used = CellIndices(gfx, cell, 16, 16);
    for (int v : used) EXPECT_TRUE(allowed.count(v)) << "cell " << cell << " uses palette index " << v;
    int blue = 0, lowest_body = -1;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const int v = At(gfx, cell * 16 + x, y);
        if (v >= 30 && v <= 33) {
          ++blue;
          lowest_body = std::max(lowest_body, y);
        }
      }
    EXPECT_GT(blue, 25) << "cell " << cell;
    // Drawn 4 pixels above the worm's position, whose ground is 5 below it:
    // the outline's last row is row 8.
    EXPECT_EQ(lowest_body, 8) << "cell " << cell;
  }
  // The seven aim directions differ within a phase (the gun moves).
  for (int phase = 0; phase < 3; ++phase)
    for (int d = 1; d < 7; ++d) {
      bool differs = false;
      for (int y = 0; y < 16 && !differs; ++y)
        for (int x = 0; x < 16 && !differs; ++x)
          differs = At(gfx, (16 + phase * 7 + d) * 16 + x, y) != At(gfx, (16 + phase * 7 + d - 1) * 16 + x, y);
      EXPECT_TRUE(differs) << "phase " << phase << " direction " << d;
    }
  // Everything else on the sheet is effect art, not worm colours.
  for (int cell = 0; cell < 110; ++cell) {
    if (cell >= 16 && cell <= 36) continue;
    for (int v : CellIndices(gfx, cell, 16, 16)) EXPECT_FALSE(v >= 30 && v <= 34) << "cell " << cell;
  }
}

TEST(ContentArt, Gfx8HoldsCrateHealthPackAndRotations) {
  const BmpImage gfx = Resource("GFX8");
  EXPECT_FALSE(CellEmpty(gfx, 100, 7, 8));
  EXPECT_FALSE(CellEmpty(gfx, 101, 7, 8));
  EXPECT_NE(CellIndices(gfx, 100, 7, 8), CellIndices(gfx, 101, 7, 8));
  for (int cell = 0; cell < 130; ++cell) EXPECT_FALSE(CellEmpty(gfx, cell, 7, 8)) << "cell " << cell;

  // A steered shot shows cell d \ 22, d the compass angle (0 up, clockwise)
  // of the vector opposite to its flight; the missile's red nose must point
  // along the flight, at the middle of the cell's bin plus 180 degrees.
  for (int k = 0; k <= 16; ++k) {
    double nx = 0, ny = 0;
    int nose = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 7; ++x) {
        const BmpImage& g = gfx;
        const int v = At(g, k * 7 + x, y);
        if (v >= 212 && v <= 221) {  // the red of the warhead
          nx += x + 0.5 - 3.5;
          ny += y + 0.5 - 3.5;
          ++nose;
        }
      }
    ASSERT_GT(nose, 0) << "missile cell " << k;
    const double lo = 22.0 * k, hi = std::min(22.0 * k + 21, 359.0);
    const double want = std::fmod((lo + hi) / 2 + 180, 360);
    const double got = std::fmod(std::atan2(nx, -ny) * 180 / 3.141592653589793 + 360, 360);
    double diff = std::fabs(got - want);
    diff = std::min(diff, 360 - diff);
    EXPECT_LT(diff, 35) << "missile cell " << k << " points at " << got << ", expected " << want;
  }
}

TEST(ContentArt, Gfx4SpellsTwentySixDistinctLettersThenFourBlanks) {
  const BmpImage gfx = Resource("GFX4");
  std::set<std::vector<int>> shapes;
  for (int cell = 0; cell < 30; ++cell) {
    std::vector<int> shape;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) shape.push_back(At(gfx, cell * 4 + x, y));
    if (cell < 26) {
      EXPECT_FALSE(CellEmpty(gfx, cell, 4, 4)) << static_cast<char>('A' + cell);
      EXPECT_TRUE(shapes.insert(shape).second) << static_cast<char>('A' + cell) << " looks like another letter";
    } else {
      EXPECT_TRUE(CellEmpty(gfx, cell, 4, 4)) << "cell " << cell;
    }
  }
}

TEST(ContentArt, FontHasEveryPrintableAndGermanCharacterInInkOnly) {
  const BmpImage font = Resource("FONT");
  auto glyph_pixels = [&font](int code) {
    int ink = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const int v = At(font, x, 8 * code - 16 + y);
        EXPECT_TRUE(v == 0 || v == 8) << "code " << code << " uses palette index " << v;
        if (v == 8) {
          ++ink;
          EXPECT_TRUE(x >= 1 && x <= 6) << "code " << code << " draws outside its six columns";
        }
      }
    return ink;
  };
  EXPECT_EQ(glyph_pixels(32), 0);
  for (int code = 33; code <= 126; ++code) EXPECT_GT(glyph_pixels(code), 0) << "code " << code;
  for (int code = 'A'; code <= 'Z'; ++code) EXPECT_GT(glyph_pixels(code), 9) << "code " << code;
  for (int code : {129, 132, 142, 148, 153, 154, 225})  // ü ä Ä ö Ö Ü ß
    EXPECT_GT(glyph_pixels(code), 8) << "code " << code;
  // Umlauts are their vowels with dots: more ink, not the same glyph.
  EXPECT_GT(glyph_pixels(132), glyph_pixels('a'));
  EXPECT_GT(glyph_pixels(148), glyph_pixels('o'));
  for (int code : {2, 31, 127, 200, 251}) EXPECT_EQ(glyph_pixels(code), 0) << "code " << code;
}

}  // namespace
}  // namespace krel
