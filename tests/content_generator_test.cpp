// The content generator's own rules: the palette check, the glyph art
// parser, the level generator, the program's icon and the file writers.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/krel-content/content.h"
#include "tools/krel-content/font.h"
#include "tools/krel-content/icon.h"
#include "tools/krel-content/level.h"
#include "tools/krel-content/palette.h"
#include "tools/krel-content/synth.h"
#include "tools/krel-content/writers.h"

namespace krel {
namespace {

using namespace krel::content;

TEST(ContentPalette, CollidingMaterialsAndMisplacedMagentaAreRefused) {
  const Palette p = BuildPalette();
  // named: in the first problem reported; null when the palette stays sound.
  const struct {
    int index;
    Rgb colour;
    const char* named;
  } cases[] = {
      {160, p[13], "colour numbers 12 (soil) and 159 (free)"},  // dug holes would read as soil
      {21, {std::uint8_t(p[100].r ^ 1), p[100].g, p[100].b}, "20 (rock) and 99 (soil)"},  // equal only in 16 bits
      {200, {255, 0, 255}, "colour number 199 (palette 200) is the transparent colour"},
      {0, {254, 0, 255}, "entry 0 is not magenta"},
      {14, p[13], nullptr},  // two soil colours may coincide
  };
  for (const auto& c : cases) {
    Palette q = p;
    q[c.index] = c.colour;
    const std::vector<std::string> problems = CheckPalette(q);
    EXPECT_TRUE(problems.empty() ? !c.named : c.named && problems[0].find(c.named) != std::string::npos)
        << "palette index " << c.index << ": " << (problems.empty() ? "no problem found" : problems[0]);
  }
}

TEST(ContentFont, GlyphArtIsParsedAndItsMistakesReported) {
  const char* const blank = "......";
  const std::vector<GlyphBlock> bad = {
      {"AB",
       {"#..... ......", "#.....", "#..... ......", "#..... ......", "#..... ......", "#..... ......", "#..... ......",
        "#..... ......"}},
      {"C", {"#x....", blank, blank, blank, blank, blank, blank, blank}},
      {"A", {blank, blank, blank, blank, blank, blank, blank, blank}},
  };
  std::vector<std::string> errors;
  const IndexedImage partial = BuildFont(bad, errors);
  // The short row, the glyph it cut off (B), the stray character, the repeated A.
  ASSERT_EQ(errors.size(), 4u);
  const char* const named[4] = {"row 1", "66", "'x'", "65"};
  for (int k = 0; k < 4; ++k) EXPECT_NE(errors[k].find(named[k]), std::string::npos) << errors[k];
  // What could be read is still drawn: the A's first column.
  EXPECT_TRUE(partial.get(1, 8 * 'A' - 16) == kInk && partial.get(0, 8 * 'A' - 16) == kTransparent);
}

// Checks that a level uses only material colours, never colour number 29
// (palette index 30, the worm's), inside a rock frame: the left, right and top
// edges and the last row worms can reach (row 341, or the last one of a lower
// level). Returns its share of free pixels in the rows worms reach.
double FreeShareInsideRockFrame(const IndexedImage& img, const std::string& what) {
  const int reach = std::min(img.height(), 342);
  int free = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const Material m = MaterialOfColourNumber(img.get(x, y) - 1);
      const bool frame = y < reach && (x == 0 || x == img.width() - 1 || y == 0 || y == reach - 1);
      if (m == Material::kOther || img.get(x, y) == 30 || (frame && m != Material::kRock)) {
        ADD_FAILURE() << what << ": palette index " << int(img.get(x, y)) << " at " << x << "," << y;
        return -1;
      }
      free += y < reach && m == Material::kFree;
    }
  return free / (double(reach) * img.width());
}

TEST(ContentLevel, SeedOneIsTheShippedLevelInARockFrame) {
  std::ifstream f(KREL_SOURCE_DIR "/data/level.bmp", std::ios::binary);
  const std::vector<std::uint8_t> shipped((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  const IndexedImage level = GenerateLevel({});
  EXPECT_EQ(shipped, EncodeBmp8(level, BuildPalette()))
      << "data/level.bmp is stale: regenerate it with krel-content level data/level.bmp";
  EXPECT_GE(FreeShareInsideRockFrame(level, "seed 1"), 0);
}

// Each style is its own kind of level: how much of it is open, from the
// tunnels' solid soil to the islands' open air, on seeds of every size; a
// style and seed give the same level every time, and every style and size
// keeps to the material colours inside its rock frame.
TEST(ContentLevel, StylesDifferInHowOpenTheyAreAndRepeatFromTheirSeed) {
  const struct {
    LevelStyle style;
    double least_free, most_free;
  } cases[] = {{LevelStyle::kMixed, 0.15, 0.4},
               {LevelStyle::kCaves, 0.2, 0.55},
               {LevelStyle::kIslands, 0.45, 0.75},
               {LevelStyle::kTunnels, 0.06, 0.2}};
  for (const auto& c : cases) {
    EXPECT_EQ(ParseLevelStyle(LevelStyleName(c.style)), c.style);
    for (std::uint64_t seed : {3ull, 424242ull, 18446744073709551615ull}) {
      const IndexedImage img = GenerateLevel({.seed = seed, .style = c.style});
      EXPECT_EQ(img.pixels(), GenerateLevel({.seed = seed, .style = c.style}).pixels());
      const std::string what = LevelStyleName(c.style) + (" " + std::to_string(seed));
      const double share = FreeShareInsideRockFrame(img, what);
      EXPECT_TRUE(share > c.least_free && share < c.most_free) << what << ": " << share;
    }
  }
  EXPECT_GE(FreeShareInsideRockFrame(GenerateLevel({.seed = 5, .width = 120, .height = 90}), "120x90"), 0);
  EXPECT_EQ(ParseLevelStyle("cave"), std::nullopt);
}

// No worm is born where it can never get out: in a level of any style (the
// shipped one is seed 1), every place that is not rock can be touched by a
// worm (5 by 9 pixels, no rock under it; it digs soil) that can get to the
// largest open part.
TEST(ContentLevel, NoStyleShutsAWormInWhereOthersCannotReachIt) {
  for (LevelStyle style : kLevelStyles)
    for (std::uint64_t seed : {1ull, 31ull}) {
      const IndexedImage img = GenerateLevel({.seed = seed, .style = style});
      const int w = img.width(), h = std::min(img.height(), 342);
      auto rock = [&](int x, int y) {
        return x < 0 || y < 0 || x >= w || y >= h || MaterialOfColourNumber(img.get(x, y) - 1) == Material::kRock;
      };
      auto fits = [&](int x, int y) {
        for (int v = y - 4; v <= y + 4; ++v)
          for (int u = x - 2; u <= x + 2; ++u)
            if (rock(u, v)) return false;
        return true;
      };
      // The parts worms can move about in, and the largest.
      std::vector<int> part(static_cast<std::size_t>(w) * h, -1);
      std::vector<int> sizes;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (part[static_cast<std::size_t>(y) * w + x] >= 0 || !fits(x, y)) continue;
          std::vector<std::pair<int, int>> todo{{x, y}};
          part[static_cast<std::size_t>(y) * w + x] = static_cast<int>(sizes.size());
          for (std::size_t q = 0; q < todo.size(); ++q)
            for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
              const int nx = todo[q].first + dx, ny = todo[q].second + dy;
              if (nx < 0 || ny < 0 || nx >= w || ny >= h || part[static_cast<std::size_t>(ny) * w + nx] >= 0 ||
                  !fits(nx, ny))
                continue;
              part[static_cast<std::size_t>(ny) * w + nx] = static_cast<int>(sizes.size());
              todo.push_back({nx, ny});
            }
          sizes.push_back(static_cast<int>(todo.size()));
        }
      ASSERT_FALSE(sizes.empty());
      const int main = static_cast<int>(std::max_element(sizes.begin(), sizes.end()) - sizes.begin());
      int shutIn = 0, firstX = -1, firstY = -1;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (rock(x, y)) continue;
          bool touched = false;
          for (int v = y - 4; v <= y + 4 && !touched; ++v)
            for (int u = x - 2; u <= x + 2 && !touched; ++u)
              touched = u >= 0 && v >= 0 && u < w && v < h && part[static_cast<std::size_t>(v) * w + u] == main;
          if (!touched && shutIn++ == 0) firstX = x, firstY = y;
        }
      EXPECT_EQ(shutIn, 0) << LevelStyleName(style) << " " << seed << ": first at " << firstX << "," << firstY;
    }
}

// The program's icon, drawn from the worm sprite.
TEST(WormIcon, WormInPaletteColoursCentredOnTransparency) {
  const Content c = BuildContent();
  int previous_span = 0;
  for (int size : kIconSizes) {
    const std::vector<std::uint8_t> px = WormIcon(c, size);
    ASSERT_EQ(px.size(), static_cast<std::size_t>(size * size * 4));
    int left = size, right = -1, top = size, bottom = -1;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const std::uint8_t* p = &px[static_cast<std::size_t>(y * size + x) * 4];
        ASSERT_TRUE(p[3] == 0 || p[3] == 255) << size;  // crisp edges, no blending
        if (p[3] == 0) continue;
        const Rgb rgb{p[0], p[1], p[2]};
        EXPECT_NE(std::find(c.palette.begin() + 1, c.palette.end(), rgb), c.palette.end()) << x << "," << y;
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
    ASSERT_GE(right, 0) << "empty icon at " << size;
    // A margin all round, the worm filling most of one direction, centred.
    EXPECT_GE(std::min({left, top, size - 1 - right, size - 1 - bottom}), 1) << size;
    const int span = std::max(right - left, bottom - top) + 1;
    EXPECT_GE(span, size * 3 / 4) << size;
    EXPECT_LE(std::abs(left - (size - 1 - right)), size / 8) << size;
    EXPECT_GT(span, previous_span);
    previous_span = span;
  }
}

TEST(ContentWriters, SilenceStaysSilentAndOddWaveDataIsPadded) {
  for (std::uint8_t v : Finish(Buffer(100, 0.0), 0.9)) EXPECT_EQ(v, 128) << "scaling silence must not divide by zero";
  const std::vector<std::uint8_t> wav = EncodeWav8({1, 2, 3}, 22050);
  // Odd data is padded to a word, but the data length is the real sample count.
  EXPECT_TRUE(wav.size() == 44u + 4u && wav[40] == 3 && wav[43] == 0) << wav.size();
}

}  // namespace
}  // namespace krel
