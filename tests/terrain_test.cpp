// The level: materials by colour, the passability window and digging, on
// small levels built in memory, and the errors of reading level.bmp.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "client/simulation/terrain/level.h"
#include "core_test_support.h"
#include "sim_test_support.h"

namespace krel {
namespace {

using testing::MakeSimWorld;
using testing::SimColour;
void Paint(World& w, int x, int y, int colour_number) { w.LevelSurface.At(x, y) = SimColour(colour_number); }
std::vector<Pixel> Pixels(const World& w) { return w.LevelSurface.pixels(); }

TEST(TerrainMaterials, RangeBordersPrecedenceAndTableAgreement) {
  auto w = MakeSimWorld(4, 4, 12);
  const struct {
    int colour;
    int16 material;
  } cases[] = {{11, kOther}, {12, kSoil},   {18, kSoil},   {19, kRock},  {29, kRock},
               {30, kOther}, {93, kOther},  {94, kSoil},   {103, kSoil}, {104, kOther},
               {159, kFree}, {168, kOther}, {174, kOther}, {180, kSoil}, {181, kOther}};
  for (const auto& c : cases)
    EXPECT_TRUE(LookUpMaterial(*w, SimColour(c.colour)) == c.material &&
                MaterialOf(*w, SimColour(c.colour)) == c.material)
        << c.colour;
  EXPECT_EQ(MaterialOf(*w, 70000), kOther);
  // A pixel value in two ranges takes the first: soil, then rock, then free.
  for (int n : {25, 160, 100}) w->PaletteColors[n] = 5;
  for (int n : {166, 22}) w->PaletteColors[n] = 7;
  BuildMaterialTable(*w);
  EXPECT_TRUE(MaterialOf(*w, 5) == kSoil && MaterialOf(*w, 7) == kRock);
  // With those repeated shades and values no pixel can have, the table
  // answers as the direct comparison does, for every pixel value.
  w->PaletteColors[17] = -3;
  w->PaletteColors[163] = 65536;
  BuildMaterialTable(*w);
  for (int32 v = 0; v < 65536; ++v) ASSERT_EQ(MaterialOf(*w, v), LookUpMaterial(*w, v)) << v;
}

TEST(TerrainPassable, WindowRoundingAndTheBottomLimit) {
  auto w = MakeSimWorld(20, 400, 160);  // all free, taller than the window
  const struct {
    double x, y;
    bool free;
  } cases[] = {{5, 5, true},         {0, 5, false},   {5, 0, false},
               {-0.2, 5, false},     {20, 5, false},  {std::nan(""), 5, false},
               {5, HUGE_VAL, false}, {19.4, 5, true}, {19.6, 5, false},   // 19.6 rounds to column 20
               {5, 342, false},      {5, 350, false}, {5, 341.6, true}};  // row 342 exists but lies outside
  for (const auto& c : cases) EXPECT_EQ(IsPassable(*w, c.x, c.y), c.free) << c.x << "," << c.y;
  // A level lower than the window is never read below its last row, even
  // where its bitmap has more rows.
  auto low = MakeSimWorld(30, 120, 160);
  low->LevelHeight = 100;
  for (double y : {99.4, 99.6, 100.0, 110.0, 341.0}) EXPECT_EQ(IsPassable(*low, 10, y), y < 99.5) << y;
  EXPECT_FALSE(IsPassable(World{}, 1, 1));
  // Half to even on both axes: in soil, only the expected cell of row 7 and
  // of column 7 is free.
  const struct {
    double v;
    int cell;
  } rounding[] = {{1.5, 2}, {2.5, 2}, {3.4999, 3}};
  for (const auto& c : rounding) {
    auto s = MakeSimWorld(10, 10, 12);
    Paint(*s, c.cell, 7, 160);
    Paint(*s, 7, c.cell, 160);
    EXPECT_TRUE(IsPassable(*s, c.v, 7) && IsPassable(*s, 7, c.v)) << c.v;
  }
}

// Radius 0 digs nothing. In a network game (not closed) a local
// dig waits for the server's echo (Origin::kNetwork), which is applied.
TEST(TerrainDig, DiscsThatDoNotFitOrWaitForTheServerChangeNothing) {
  const struct {
    int16 x, y, radius;
    bool digs;
    int ws = 0;
    Origin echo = Origin::kLocal;
  } cases[] = {{4, 100, 5, false},         {5, 100, 5, true},
               {46, 100, 5, false},        {45, 50, 5, true},
               {20, 4, 5, false},          {20, 5, 5, true},
               {20, 146, 5, false},        {20, 145, 5, true},
               {20, 75, 32767, false},     {20, 75, -32768, false},
               {-32768, -32768, 3, false}, {20, 75, 0, false},
               {20, 75, -5, false, 7},     {20, 75, 5, true, 7, Origin::kNetwork}};
  for (const auto& c : cases) {
    auto w = MakeSimWorld(50, 150, 12);
    const std::vector<Pixel> before = Pixels(*w);
    w->Connection = static_cast<ConnectionState>(c.ws);
    for (int16 owner : {0, 1, 2, 3}) Dig(*w, c.x, c.y, c.radius, owner, c.echo);
    EXPECT_TRUE((Pixels(*w) != before) == c.digs && (!c.digs || IsPassable(*w, c.x, c.y)))
        << c.x << "," << c.y << " r " << c.radius << " connection " << c.ws;
    // Row 0 and column 0 are never written, even by discs that touch them.
    for (int i = 0; i < 150; ++i)
      ASSERT_TRUE(w->LevelSurface.At(0, i) == SimColour(12) && w->LevelSurface.At(i % 50, 0) == SimColour(12)) << i;
  }
}

TEST(TerrainLevelFile, AnUnreadableFileLeavesTheLevelAndIsNamed) {
  testing::TempCwd dir;
  const std::string path = (dir.path() / "level.bmp").string();
  auto w = MakeSimWorld(12, 8, 160);
  const std::vector<Pixel> before = Pixels(*w);
  std::string error;
  EXPECT_TRUE(!loadlevel(*w, dir.path().string(), error) && error.find(path) != std::string::npos) << error;
  EXPECT_TRUE(w->LevelWidth == 12 && w->LevelHeight == 8 && Pixels(*w) == before);
  std::filesystem::create_directory(path);
  EXPECT_TRUE(!loadlevel(*w, dir.path().string(), error) && error.find(path + ": is a directory") != std::string::npos)
      << error;
}

TEST(TerrainLevelFile, OnlyLevelsFarFrom504x350GetANotice) {
  const struct {
    int w, h;
    bool notice;
  } cases[] = {
      // the respawn area up to a tenth larger
      {490, 320, false}, {554, 385, false}, {489, 350, true}, {504, 319, true}, {555, 350, true}, {504, 386, true}};
  for (const auto& c : cases) {
    const std::string n = LevelSizeNotice(c.w, c.h);
    EXPECT_EQ(!n.empty(), c.notice) << c.w << "x" << c.h;
    EXPECT_EQ(n.find("worms reappear only within its first 490x320 pixels") != std::string::npos, c.notice) << n;
  }
}

}  // namespace
}  // namespace krel
