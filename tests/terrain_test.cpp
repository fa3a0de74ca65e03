// The level: materials by colour, the passability window and digging, on
// small levels built in memory, plus loading level.bmp from disk.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <unistd.h>
#include <vector>

#include "client/present/bmp_write.h"
#include "client/terrain/level.h"

namespace krel {
namespace {

// Distinct 16-bit pixel values for the 256 colour numbers.
Pixel Colour(int n) { return static_cast<Pixel>(n * 200 + 7); }

// A level of the given size filled with colour number fill; palette and
// material table ready.
std::unique_ptr<World> MakeWorld(int width, int height, int fill = 12) {
  auto w = std::make_unique<World>();
  for (int i = 0; i < 256; ++i) w->PaletteColors[i] = Colour(i);
  BuildMaterialTable(*w);
  w->LevelSurface = Surface(width, height);
  w->LevelSurface.Clear(Colour(fill));
  w->LevelWidth = width;
  w->LevelHeight = height;
  w->Seed(12345);
  return w;
}

void Paint(World& w, int x, int y, int colour_number) { w.LevelSurface.At(x, y) = Colour(colour_number); }

std::vector<Pixel> Pixels(const World& w) { return w.LevelSurface.pixels(); }

TEST(TerrainMaterials, RangesAndTheirPrecedence) {
  auto w = MakeWorld(4, 4);
  struct Case {
    int colour;
    int16 material;
  } cases[] = {{11, kOther}, {12, kSoil},  {18, kSoil},  {19, kRock},   {29, kRock},  {30, kOther},
               {93, kOther}, {94, kSoil},  {103, kSoil}, {104, kOther}, {158, kOther}, {159, kFree},
               {167, kFree}, {168, kOther}, {174, kOther}, {175, kSoil}, {180, kSoil}, {181, kOther},
               {0, kOther},  {255, kOther}};
  for (const Case& c : cases) {
    EXPECT_EQ(typ(*w, Colour(c.colour)), c.material) << "colour number " << c.colour;
    EXPECT_EQ(MaterialOf(*w, Colour(c.colour)), c.material) << "colour number " << c.colour;
  }
  EXPECT_EQ(typ(*w, -1), kOther);
  EXPECT_EQ(typ(*w, 70000), kOther);
  EXPECT_EQ(MaterialOf(*w, 70000), kOther);

  // One pixel value in several ranges: soil beats rock beats free.
  w->PaletteColors[25] = 5;   // rock
  w->PaletteColors[160] = 5;  // free
  w->PaletteColors[100] = 5;  // soil
  w->PaletteColors[21] = 6;   // rock
  w->PaletteColors[166] = 6;  // free
  BuildMaterialTable(*w);
  EXPECT_EQ(typ(*w, 5), kSoil);
  EXPECT_EQ(MaterialOf(*w, 5), kSoil);
  EXPECT_EQ(typ(*w, 6), kRock);
  EXPECT_EQ(MaterialOf(*w, 6), kRock);
}

TEST(TerrainMaterials, TableAgreesWithTypForEveryPixelValue) {
  // Palettes with many collisions, as a real palette with repeated shades.
  std::mt19937 rng(7);
  auto w = MakeWorld(4, 4);
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 256; ++i) w->PaletteColors[i] = static_cast<int32>(rng() % 40);
    w->PaletteColors[17] = -3;      // not a 16-bit value: matches no pixel
    w->PaletteColors[163] = 65536;  // neither
    BuildMaterialTable(*w);
    for (int32 v = 0; v < 65536; ++v) ASSERT_EQ(MaterialOf(*w, v), typ(*w, v)) << v;
  }
}

TEST(TerrainMaterials, TypWritesAnUnknownColourIntoTheBackBuffer) {
  auto w = MakeWorld(4, 4);
  // A font strip in colour 7 whose glyphs are solid ink.
  w->surfFont[7] = Surface(8, 2000);
  w->surfFont[7].Clear(0xFFFF);
  w->surfFont[7].SetColorKey(0xF81F);
  w->surfBack.Clear(0);
  EXPECT_EQ(typ(*w, Colour(12)), kSoil);
  for (Pixel p : w->surfBack.pixels()) ASSERT_EQ(p, 0) << "a known colour writes nothing";

  EXPECT_EQ(typ(*w, 4242), kOther);
  // Four digits, 6 pixels apart, from (0, 0).
  int inked = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 24; ++x) inked += w->surfBack.At(x, y) == 0xFFFF;
  EXPECT_GT(inked, 0);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x)
      if (x >= 24 || y >= 8) {
        ASSERT_EQ(w->surfBack.At(x, y), 0) << x << "," << y;
      }
}

TEST(TerrainGehbar, WindowAndRounding) {
  auto w = MakeWorld(20, 400, 160);  // all free
  EXPECT_TRUE(gehbar(*w, 5, 5));
  EXPECT_FALSE(gehbar(*w, 0, 5));
  EXPECT_FALSE(gehbar(*w, 5, 0));
  EXPECT_FALSE(gehbar(*w, -0.2, 5));
  EXPECT_FALSE(gehbar(*w, 5, -1));
  EXPECT_FALSE(gehbar(*w, 20, 5));
  EXPECT_FALSE(gehbar(*w, std::nan(""), 5));
  EXPECT_FALSE(gehbar(*w, 5, std::numeric_limits<double>::infinity()));
  // x = 0.3 passes the window and reads column 0.
  EXPECT_TRUE(gehbar(*w, 0.3, 5));
  Paint(*w, 0, 5, 12);
  EXPECT_FALSE(gehbar(*w, 0.3, 5));
  EXPECT_TRUE(gehbar(*w, 0.6, 5));
  // 19.6 is inside the window but rounds to column 20: not read, not free.
  EXPECT_TRUE(gehbar(*w, 19.4, 5));
  EXPECT_FALSE(gehbar(*w, 19.6, 5));
  // The bottom limit is 342, not the level's height.
  EXPECT_FALSE(gehbar(*w, 5, 342));
  EXPECT_FALSE(gehbar(*w, 5, 350));
  EXPECT_TRUE(gehbar(*w, 5, 341.4));
  EXPECT_TRUE(gehbar(*w, 5, 341.6));  // rounds to row 342, which this level has

  // Half to even, on both axes: 2.5 reads 2, 3.5 reads 4.
  auto h = MakeWorld(10, 10, 12);  // all soil
  Paint(*h, 2, 1, 160);
  EXPECT_TRUE(gehbar(*h, 2.5, 1));
  EXPECT_TRUE(gehbar(*h, 1.5, 1)) << "1.5 rounds to 2 as well";
  EXPECT_FALSE(gehbar(*h, 3.5, 1)) << "3.5 rounds to 4, still soil";
  Paint(*h, 3, 1, 160);
  Paint(*h, 2, 1, 12);
  EXPECT_FALSE(gehbar(*h, 2.5, 1)) << "2.5 must not read column 3";
  EXPECT_TRUE(gehbar(*h, 3, 1));
  Paint(*h, 3, 1, 12);
  Paint(*h, 4, 1, 160);
  EXPECT_TRUE(gehbar(*h, 3.5, 1));
  EXPECT_TRUE(gehbar(*h, 4.5, 1));
  EXPECT_FALSE(gehbar(*h, 3.4999, 1));
  Paint(*h, 7, 2, 160);
  EXPECT_TRUE(gehbar(*h, 7, 2.5));
  EXPECT_FALSE(gehbar(*h, 7, 3.5));
  Paint(*h, 7, 4, 160);
  EXPECT_TRUE(gehbar(*h, 7, 3.5));
}

TEST(TerrainGehbar, LevelsLowerThanTheWindowAreNeverReadBelowTheBitmap) {
  auto w = MakeWorld(30, 100, 160);
  EXPECT_TRUE(gehbar(*w, 10, 99.4));
  EXPECT_FALSE(gehbar(*w, 10, 99.6));  // rounds to row 100
  EXPECT_FALSE(gehbar(*w, 10, 100));
  EXPECT_FALSE(gehbar(*w, 10, 200));
  EXPECT_FALSE(gehbar(*w, 10, 341));

  // An empty level (nothing loaded) is solid everywhere.
  World empty;
  EXPECT_FALSE(gehbar(empty, 1, 1));
  // So is a level whose material table was never built.
  auto unbuilt = MakeWorld(10, 10, 160);
  unbuilt->MaterialTable.fill(0);
  EXPECT_FALSE(gehbar(*unbuilt, 3, 3));
}

// The disc rule in its plainest form: every point of the bounding square,
// distance by square root, rock kept, row and column 0 skipped.
void ReferenceDig(World& w, int x, int y, int radius) {
  const int r = std::abs(radius);
  if (x - r < 0 || x + r > w.LevelWidth || y - r < 0 || y + r > w.LevelHeight) return;
  const int base = radius >= 1 ? 159 : 12;
  for (int px = x - r; px <= x + r; ++px) {
    for (int py = y - r; py <= y + r; ++py) {
      if (px < 1 || px >= w.LevelWidth || py < 1 || py >= w.LevelHeight) continue;
      if (!(std::sqrt(double((px - x) * (px - x) + (py - y) * (py - y))) < r)) continue;
      Pixel& p = w.LevelSurface.At(px, py);
      if (typ(w, p) == kRock) continue;
      p = static_cast<Pixel>(w.PaletteColors[base + static_cast<int>(std::floor(4 * w.Rand()))]);
    }
  }
}

TEST(TerrainDig, BlastRemovesSoilAndOtherColoursButKeepsRock) {
  auto w = MakeWorld(60, 60, 12);
  Paint(*w, 30, 30, 20);  // rock at the centre
  Paint(*w, 31, 30, 5);   // a colour of no material: diggable
  Paint(*w, 30, 27, 97);  // soil of another range
  const std::vector<Pixel> before = Pixels(*w);
  dig(*w, 30, 30, 5, 0, false);

  const std::set<Pixel> dug = {Colour(159), Colour(160), Colour(161), Colour(162)};
  std::set<Pixel> seen;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 60; ++x) {
      const Pixel p = w->LevelSurface.At(x, y);
      const int d2 = (x - 30) * (x - 30) + (y - 30) * (y - 30);
      if (x == 30 && y == 30) {
        EXPECT_EQ(p, Colour(20)) << "rock survives";
      } else if (d2 < 25) {
        EXPECT_TRUE(dug.count(p)) << x << "," << y;
        seen.insert(p);
      } else {
        EXPECT_EQ(p, before[y * 60 + x]) << "outside the disc: " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(seen.size(), 4u) << "free space is speckled with four colours";
  EXPECT_EQ(w->LevelSurface.At(35, 30), Colour(12)) << "distance exactly 5 is outside";
}

TEST(TerrainDig, ZeroOrNegativeRadiusFillsWithSoil) {
  auto w = MakeWorld(60, 60, 160);  // all free
  Paint(*w, 20, 20, 25);            // rock
  dig(*w, 20, 20, -6, 0, false);
  const std::set<Pixel> soil = {Colour(12), Colour(13), Colour(14), Colour(15)};
  std::set<Pixel> seen;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 60; ++x) {
      const Pixel p = w->LevelSurface.At(x, y);
      const bool inside = (x - 20) * (x - 20) + (y - 20) * (y - 20) < 36;
      if (x == 20 && y == 20) {
        EXPECT_EQ(p, Colour(25));
      } else if (inside) {
        EXPECT_TRUE(soil.count(p)) << x << "," << y;
        seen.insert(p);
      } else {
        EXPECT_EQ(p, Colour(160));
      }
    }
  }
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_FALSE(gehbar(*w, 21, 21));

  // Radius 0 changes nothing and draws no random number.
  const std::vector<Pixel> before = Pixels(*w);
  auto twin = MakeWorld(1, 1);
  w->Seed(99);
  twin->Seed(99);
  dig(*w, 40, 40, 0, 0, false);
  EXPECT_EQ(Pixels(*w), before);
  EXPECT_EQ(w->Rand(), twin->Rand());
}

TEST(TerrainDig, ADiscCrossingTheBorderIsIgnoredWhole) {
  auto w = MakeWorld(50, 150, 12);
  std::vector<Pixel> before = Pixels(*w);
  dig(*w, 4, 100, 5, 0, false);   // 4 - 5 < 0
  dig(*w, 46, 100, 5, 0, false);  // 46 + 5 > 50
  dig(*w, 20, 4, 5, 0, false);    // 4 - 5 < 0
  dig(*w, 20, 146, 5, 0, false);  // 146 + 5 > 150
  dig(*w, 20, 140, -15, 0, false);
  EXPECT_EQ(Pixels(*w), before);

  dig(*w, 5, 100, 5, 0, false);
  EXPECT_TRUE(gehbar(*w, 5, 100));
  EXPECT_TRUE(gehbar(*w, 1, 100));
  EXPECT_EQ(w->LevelSurface.At(0, 100), Colour(12)) << "column 0 is never written";

  // Touching the far edges exactly is allowed.
  dig(*w, 45, 50, 5, 0, false);
  EXPECT_TRUE(gehbar(*w, 49, 50));
  dig(*w, 20, 145, 5, 0, false);
  EXPECT_TRUE(gehbar(*w, 20, 149));
  dig(*w, 20, 5, 5, 0, false);
  EXPECT_TRUE(gehbar(*w, 20, 1));
  EXPECT_EQ(w->LevelSurface.At(20, 0), Colour(12)) << "row 0 is never written";
}

TEST(TerrainDig, MatchesThePlainDiscRuleIncludingTheRandomSequence) {
  std::mt19937 rng(3);
  for (int round = 0; round < 60; ++round) {
    const int width = 20 + static_cast<int>(rng() % 60);
    const int height = 20 + static_cast<int>(rng() % 60);
    auto a = MakeWorld(width, height, 12);
    auto b = MakeWorld(width, height, 12);
    for (int i = 0; i < width * height / 3; ++i) {
      const int x = static_cast<int>(rng() % width), y = static_cast<int>(rng() % height);
      const int colours[] = {20, 160, 97, 3, 178, 165};
      const int c = colours[rng() % 6];
      Paint(*a, x, y, c);
      Paint(*b, x, y, c);
    }
    for (int d = 0; d < 5; ++d) {
      const int x = static_cast<int>(rng() % width), y = static_cast<int>(rng() % height);
      const int radius = static_cast<int>(rng() % 31) - 15;
      dig(*a, static_cast<int16>(x), static_cast<int16>(y), static_cast<int16>(radius), 0, false);
      ReferenceDig(*b, x, y, radius);
      ASSERT_EQ(Pixels(*a), Pixels(*b)) << "round " << round << " dig " << d << " at " << x << "," << y
                                        << " r " << radius;
    }
    // Both drew exactly as many random numbers.
    ASSERT_EQ(a->Rand(), b->Rand());
  }
}

TEST(TerrainDig, NetworkGameHandsLocalDigsToTheServer) {
  auto w = MakeWorld(40, 40, 12);
  const std::vector<Pixel> before = Pixels(*w);
  w->wsState = 7;
  for (int owner : {0, 1, 2, 3}) {
    dig(*w, 20, 20, 5, static_cast<int16>(owner), false);
    EXPECT_EQ(Pixels(*w), before) << "owner " << owner;
  }
  w->wsState = 3;  // any state other than closed counts
  dig(*w, 20, 20, 5, 1, false);
  EXPECT_EQ(Pixels(*w), before);

  // The server's echo is applied.
  w->wsState = 7;
  dig(*w, 20, 20, 5, 1, true);
  EXPECT_TRUE(gehbar(*w, 20, 20));
  // Without a connection a local dig is applied at once.
  w->wsState = 0;
  dig(*w, 10, 10, 3, 1, false);
  EXPECT_TRUE(gehbar(*w, 10, 10));
}

TEST(TerrainDig, ShortLevelsAndExtremeRadii) {
  auto w = MakeWorld(40, 30, 12);
  const std::vector<Pixel> before = Pixels(*w);
  dig(*w, 20, 28, 5, 0, false);  // would reach row 33 of a 30-row level
  dig(*w, 20, 15, -32768, 0, false);
  dig(*w, 20, 15, 32767, 0, false);
  dig(*w, -32768, -32768, 3, 0, false);
  dig(*w, 32767, 32767, 3, 0, false);
  EXPECT_EQ(Pixels(*w), before);
  dig(*w, 20, 15, 15, 0, false);  // the largest disc that fits vertically
  EXPECT_TRUE(gehbar(*w, 20, 1));
  EXPECT_TRUE(gehbar(*w, 20, 29));
}

class LevelFile : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("krel_level_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void WriteBytes(const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(dir_ / "level.bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::path dir_;
};

TEST_F(LevelFile, LoadsTheBitmapAndRebuildsTheMaterials) {
  // A 7x5 level: a free hole at (3, 2) in soil.
  const PaletteEntry soil_rgb{200, 120, 40, 0}, free_rgb{10, 10, 30, 0};
  std::vector<std::uint8_t> idx(35, 0);
  idx[2 * 7 + 3] = 1;
  const PaletteEntry pal[] = {soil_rgb, free_rgb};
  WriteBytes(EncodeBmp8(7, 5, idx, pal));

  World w;
  w.PaletteColors[12] = static_cast<int32>(PixelFromRgb(kScreenFormat, 200, 120, 40));
  w.PaletteColors[160] = static_cast<int32>(PixelFromRgb(kScreenFormat, 10, 10, 30));
  std::string error;
  ASSERT_TRUE(loadlevel(w, dir_.string(), error)) << error;
  EXPECT_EQ(w.LevelWidth, 7);
  EXPECT_EQ(w.LevelHeight, 5);
  EXPECT_TRUE(gehbar(w, 3, 2));
  EXPECT_FALSE(gehbar(w, 3, 1));
  EXPECT_FALSE(gehbar(w, 2, 2));
}

TEST_F(LevelFile, MissingOrBrokenFilesLeaveTheLevelAndSayWhy) {
  auto w = MakeWorld(12, 8, 160);
  const std::vector<Pixel> before = Pixels(*w);
  std::string error;
  EXPECT_FALSE(loadlevel(*w, dir_.string(), error));
  const std::string path = (dir_ / "level.bmp").string();
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_EQ(w->LevelWidth, 12);
  EXPECT_EQ(Pixels(*w), before);

  WriteBytes({'B', 'M', 1, 2, 3});
  error.clear();
  EXPECT_FALSE(loadlevel(*w, dir_.string(), error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find("truncated"), std::string::npos) << error;
  EXPECT_EQ(w->LevelHeight, 8);
  EXPECT_EQ(Pixels(*w), before);
}

}  // namespace
}  // namespace krel
