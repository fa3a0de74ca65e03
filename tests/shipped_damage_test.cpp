// Every truncated copy, and copies with damaged bytes, of the shipped
// arms.dat and level.bmp: the loaders refuse them with a message that names
// the file (and for the weapon file the line), or load something the game
// can use; never a crash (the tests run under the sanitizers).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <span>
#include <string>

#include "client/present/bmp.h"
#include "client/terrain/level.h"
#include "client/weapons/arms.h"

namespace krel {
namespace {

std::string Shipped(const char* name) {
  std::ifstream in(std::string(KREL_SOURCE_DIR) + "/data/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Loads a weapon file; a refusal must say where, an acceptance must hold a weapon.
void CheckArms(const std::string& bytes, const std::string& what) {
  auto w = std::make_unique<World>();
  ArmsError e;
  if (LoadArmsFromBytes(w->WeaponDefs, w->ObjDefs, w->SObjDefs, bytes, "arms.dat", e)) return;
  const std::string m = e.Message();
  ASSERT_TRUE(m.rfind("arms.dat:", 0) == 0 && !e.what.empty()) << what << ": " << m;
}

TEST(ShippedFiles, EveryTruncatedOrDamagedWeaponFileIsLoadedOrRefusedWithItsLine) {
  const std::string arms = Shipped("arms.dat");
  ASSERT_GT(arms.size(), 10000u);
  for (std::size_t cut = 0; cut < arms.size(); cut += 17) CheckArms(arms.substr(0, cut), "cut at " + std::to_string(cut));
  std::mt19937 rng(13);
  const char bytes[] = {'\0', '\r', '\n', ':', '-', '9', 'x', '\xff'};
  for (int i = 0; i < 300; ++i) {
    std::string s = arms;
    s[rng() % s.size()] = bytes[rng() % sizeof bytes];
    CheckArms(s, "damage " + std::to_string(i));
  }
  // Damage the loader must notice: a number that is not one.
  std::string bad = arms;
  const std::size_t at = bad.find("SPEED:");
  ASSERT_NE(at, std::string::npos);
  bad.insert(at + 6, "fast");
  auto w = std::make_unique<World>();
  ArmsError e;
  EXPECT_FALSE(LoadArmsFromBytes(w->WeaponDefs, w->ObjDefs, w->SObjDefs, bad, "arms.dat", e));
  EXPECT_NE(e.Message().find("SPEED"), std::string::npos) << e.Message();
}

// Loads a level; a refusal must name the file, an acceptance must be whole.
void CheckLevel(const std::string& bytes, const std::string& what, bool must_fail) {
  BmpImage image;
  std::string error;
  auto w = std::make_unique<World>();
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (DecodeBmp(std::span<const std::uint8_t>(p, bytes.size()), image, error) &&
      UseLevelImage(*w, image, "level.bmp", error)) {
    ASSERT_FALSE(must_fail) << what;
    ASSERT_EQ(static_cast<std::size_t>(w->LevelSurface.width()) * w->LevelSurface.height(),
              static_cast<std::size_t>(w->LevelWidth) * w->LevelHeight)
        << what;
    return;
  }
  ASSERT_FALSE(error.empty()) << what;
}

TEST(ShippedFiles, EveryTruncatedOrDamagedLevelIsRefusedWithAReasonOrLoadsWhole) {
  const std::string level = Shipped("level.bmp");
  ASSERT_GT(level.size(), 100000u);
  // Every cut inside the headers and palette, then through the pixels.
  for (std::size_t cut = 0; cut < level.size(); cut += cut < 1200 ? 1 : 997)
    CheckLevel(level.substr(0, cut), "cut at " + std::to_string(cut), true);
  // Each header byte set to 0 and to 255, and damage anywhere.
  for (std::size_t at = 0; at < 54; ++at) {
    for (char v : {'\0', '\xff'}) {
      std::string s = level;
      s[at] = v;
      CheckLevel(s, "header byte " + std::to_string(at), false);
    }
  }
  BmpImage image;
  std::string error;
  EXPECT_FALSE(DecodeBmp({}, image, error));
  auto w = std::make_unique<World>();
  EXPECT_FALSE(loadlevel(*w, "/nonexistent-folder", error));
  EXPECT_NE(error.find("/nonexistent-folder/level.bmp"), std::string::npos) << error;
}

}  // namespace
}  // namespace krel
