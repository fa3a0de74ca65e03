// Truncated copies of the shipped arms.dat: the loader refuses them with a
// message that names the file and the line, or loads something the game can
// use; never a crash (the tests run under the sanitizers). Deeper damage:
// the weapon-file and level fuzzers, where clang is installed.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "client/simulation/weapons/arms.h"

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

TEST(ShippedFiles, EveryTruncatedWeaponFileIsLoadedOrRefusedWithItsLine) {
  const std::string arms = Shipped("arms.dat");
  ASSERT_GT(arms.size(), 10000u);
  for (std::size_t cut = 0; cut < arms.size(); cut += 17)
    CheckArms(arms.substr(0, cut), "cut at " + std::to_string(cut));
  // Damaged bytes too, for machines where the fuzzers are not built.
  std::mt19937 rng(13);
  const char bytes[] = {'\0', '\r', '\n', ':', '-', '9', 'x', '\xff'};
  for (int i = 0; i < 300; ++i) {
    std::string s = arms;
    s[rng() % s.size()] = bytes[rng() % sizeof bytes];
    CheckArms(s, "damage " + std::to_string(i));
  }
}

}  // namespace
}  // namespace krel
