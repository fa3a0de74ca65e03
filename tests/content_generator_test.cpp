// The content generator's own rules: the palette check, the glyph art
// parser, the level generator and the file writers.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "client/present/bmp.h"
#include "tools/krel-content/content.h"
#include "tools/krel-content/font.h"
#include "tools/krel-content/level.h"
#include "tools/krel-content/palette.h"
#include "tools/krel-content/sprites.h"
#include "tools/krel-content/synth.h"
#include "tools/krel-content/writers.h"

namespace krel {
namespace {

using namespace krel::content;

TEST(ContentPalette, TheShippedPaletteIsSoundAndTheCheckCatchesCollisions) {
  Palette p = BuildPalette();
  EXPECT_TRUE(CheckPalette(p).empty());

  // A free colour equal to a soil colour would make dug holes read as soil.
  Palette clash = p;
  clash[160] = clash[13];
  const std::vector<std::string> problems = CheckPalette(clash);
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems[0].find("159"), std::string::npos) << problems[0];
  EXPECT_NE(problems[0].find("12"), std::string::npos) << problems[0];

  // Equal only after the conversion to 16 bits: a red one step away.
  Palette near = p;
  near[21] = Rgb{static_cast<std::uint8_t>(p[100].r ^ 1), p[100].g, p[100].b};
  EXPECT_FALSE(CheckPalette(near).empty());

  // Two colours of the same material may coincide; an other colour that
  // turns into magenta may not.
  Palette same = p;
  same[14] = same[13];
  EXPECT_TRUE(CheckPalette(same).empty());
  Palette magenta = p;
  magenta[200] = Rgb{255, 0, 255};
  EXPECT_FALSE(CheckPalette(magenta).empty());
}

TEST(ContentFont, GlyphArtIsParsedAndItsMistakesReported) {
  std::vector<std::string> errors;
  const IndexedImage font = BuildFont(FontGlyphBlocks(), errors);
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(font.width(), 8);
  EXPECT_EQ(font.height(), 2000);

  const std::vector<GlyphBlock> bad = {
      {"AB", {"#..... ......", "#.....", "#..... ......", "#..... ......", "#..... ......", "#..... ......",
              "#..... ......", "#..... ......"}},
      {"C", {"#x....", "......", "......", "......", "......", "......", "......", "......"}},
      {"A", {"......", "......", "......", "......", "......", "......", "......", "......"}},
  };
  errors.clear();
  const IndexedImage partial = BuildFont(bad, errors);
  // The short row, the glyph it cut off, the stray character, the repeat.
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_NE(errors[0].find("row 1"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("66"), std::string::npos) << errors[1];
  EXPECT_NE(errors[2].find("'x'"), std::string::npos) << errors[2];
  EXPECT_NE(errors[3].find("65"), std::string::npos) << errors[3];
  // What could be read is still drawn: the A's first column.
  EXPECT_EQ(partial.get(1, 8 * 'A' - 16), kInk);
  EXPECT_EQ(partial.get(0, 8 * 'A' - 16), kTransparent);
}

TEST(ContentLevel, ASeedAlwaysMakesTheSameLevelAndOnlyUsesMaterialColours) {
  const IndexedImage a = GenerateLevel({});
  const IndexedImage b = GenerateLevel({});
  const IndexedImage c = GenerateLevel({.seed = 2});
  EXPECT_EQ(a.pixels(), b.pixels());
  EXPECT_NE(a.pixels(), c.pixels());
  for (const IndexedImage* img : {&a, &c})
    for (std::uint8_t v : img->pixels()) {
      const Material m = MaterialOfColourNumber(v - 1);
      ASSERT_NE(m, Material::kOther) << "palette index " << int(v);
      ASSERT_NE(v, 30) << "colour number 29 is the worm's";
    }
  // Smaller sizes work too, with the frame intact.
  const IndexedImage small = GenerateLevel({.seed = 5, .width = 120, .height = 90});
  EXPECT_EQ(small.width(), 120);
  for (int x = 0; x < 120; ++x) EXPECT_EQ(MaterialOfColourNumber(small.get(x, 89) - 1), Material::kRock);
}

TEST(ContentLevel, TheShippedLevelIsTheGeneratorsSeedOne) {
  std::ifstream f(KREL_SOURCE_DIR "/data/level.bmp", std::ios::binary);
  const std::vector<std::uint8_t> shipped((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(shipped, EncodeBmp8(GenerateLevel({}), BuildPalette()))
      << "data/level.bmp is stale: regenerate it with krel-content level data/level.bmp";
}

TEST(ContentWriters, BitmapsRoundTripThroughTheGamesReader) {
  IndexedImage img(5, 3, 0);  // odd width: rows are padded
  img.set(0, 0, 7);
  img.set(4, 2, 200);
  img.set(2, 1, 13);
  Palette p = BuildPalette();
  BmpImage back;
  std::string error;
  ASSERT_TRUE(DecodeBmp(EncodeBmp8(img, p), back, error)) << error;
  EXPECT_EQ(back.width, 5);
  EXPECT_EQ(back.height, 3);
  EXPECT_EQ(back.indices, img.pixels());
  EXPECT_EQ(back.palette[61].red, p[61].r);
  EXPECT_EQ(back.palette[61].blue, p[61].b);

  RgbImage rgb(3, 2, Rgb{1, 2, 3});
  rgb.set(2, 1, Rgb{250, 128, 7});
  ASSERT_TRUE(DecodeBmp(EncodeBmp24(rgb), back, error)) << error;
  EXPECT_EQ(back.bits, 24);
  EXPECT_EQ(back.rgb[5], 0xFA8007u);
  EXPECT_EQ(back.rgb[0], 0x010203u);
}

TEST(ContentWriters, FinishedSoundsNeverClipAndFadeAtBothEnds) {
  Buffer loud(4000);
  for (std::size_t i = 0; i < loud.size(); ++i) loud[i] = (i % 7 < 3 ? 50.0 : -80.0) + 3.0;  // offset and huge
  const std::vector<std::uint8_t> s = Finish(loud, 0.9);
  ASSERT_EQ(s.size(), loud.size());
  int peak = 0;
  for (std::uint8_t v : s) {
    EXPECT_GT(v, 0);
    EXPECT_LT(v, 255);
    peak = std::max(peak, std::abs(v - 128));
  }
  EXPECT_NEAR(peak, 114, 2);
  EXPECT_EQ(s.front(), 128);
  EXPECT_EQ(s.back(), 128);
  // Silence stays silence rather than dividing by zero.
  for (std::uint8_t v : Finish(Buffer(100, 0.0), 0.9)) EXPECT_EQ(v, 128);

  const std::vector<std::uint8_t> wav = EncodeWav8({1, 2, 3}, 22050);
  EXPECT_EQ(wav.size(), 44u + 4u) << "odd data is padded to a word";
  EXPECT_EQ(wav[40], 3) << "the data length is the real sample count";
}

TEST(ContentResources, TheGeneratedSourceListsEveryResource) {
  const Content c = BuildContent();
  // The same sources always give the same bytes, so builds are repeatable.
  const Content again = BuildContent();
  EXPECT_EQ(c.gfx16.pixels(), again.gfx16.pixels());
  EXPECT_EQ(c.sounds, again.sounds);
  EXPECT_TRUE(c.errors.empty());
  const std::vector<Resource> r = c.Resources();
  ASSERT_EQ(r.size(), 35u);
  const std::string src = ResourceSource(r);
  for (const Resource& res : r) EXPECT_NE(src.find("\"" + res.name + "\""), std::string::npos) << res.name;
  EXPECT_NE(src.find("FindResource"), std::string::npos);
}

}  // namespace
}  // namespace krel
