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

// Loads a weapon file; a refusal must say where, an acceptance must give
// every trail the simulation will run a usable period.
void CheckArms(const std::string& bytes, const std::string& what) {
  auto w = std::make_unique<World>();
  ArmsError e;
  if (LoadArmsFromBytes(w->WeaponDefs, w->ObjDefs, w->SObjDefs, bytes, "arms.dat", e)) {
    for (const WeaponDef& d : w->WeaponDefs)
      ASSERT_TRUE((d.PTRAILPTYPE == 0 || d.PTRAILDELAY >= 1) && (d.OTRAILTYPE == 0 || d.OTRAILDELAY >= 1)) << what;
    for (const ObjDef& d : w->ObjDefs) ASSERT_TRUE(d.OTRAILTYPE == 0 || d.OTRAILDELAY >= 1) << what;
    return;
  }
  const std::string m = e.Message();
  ASSERT_TRUE(m.rfind("arms.dat:" + std::to_string(e.line) + ": ", 0) == 0 && !e.what.empty()) << what << ": " << m;
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
    ASSERT_EQ(std::pair(w->LevelSurface.width(), w->LevelSurface.height()), std::pair(w->LevelWidth, w->LevelHeight))
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
  // Each header byte set to 0 and to 255.
  for (std::size_t at = 0; at < 54; ++at)
    for (char v : {'\0', '\xff'}) {
      std::string s = level;
      s[at] = v;
      CheckLevel(s, "header byte " + std::to_string(at), false);
    }
}

}  // namespace
}  // namespace krel
