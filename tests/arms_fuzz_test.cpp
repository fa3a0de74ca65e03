// Random and mutated weapon files: the loader must never crash (the test
// runs under the sanitizers), must answer every input deterministically, and
// what it accepts must satisfy what the simulation relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "client/weapons/arms.h"
#include "tools/krel-arms/report.h"

namespace krel {
namespace {

const std::string kFragments[] = {
    "ORDER:", "NAME:", "SPEED:", "SHOTTYPE:4", "SHADOW:", "SHOTDELAY:", "PTRAILDELAY:", "PTRAILPTYPE:",
    "OTRAILDELAY:", "OTRAILTYPE:", "MAPCHANGE:", "OBJECT:", "SOBJECT:", "ANIMDELAY:", "DAMAGE:", "\r", "\r\n",
    "\n", ":", " ", "-", ".", "e", "0", "1", "2.5", "41", "42", "-1", "32768", "65535", "abc", std::string(1, '\0')
};

std::string SeedFile() {
  std::string s;
  for (int w = 1; w <= 5; ++w)
    s += "ORDER:" + std::to_string(w) + "\r\nNAME:W\r\nSHOTTYPE:4\r\nSPEED:300\r\nPTRAILPTYPE:2\r\nPTRAILDELAY:3\r\n";
  for (int o = 1; o <= 4; ++o) s += "OBJECT:\r\nSPEED:40\r\nOTRAILTYPE:1\r\nOTRAILDELAY:2\r\n";
  for (int o = 1; o <= 3; ++o) s += "SOBJECT:\r\nDAMAGE:10\r\nANIMDELAY:4\r\n";
  return s;
}

// A few random edits: flipped bytes, deleted or duplicated runs, inserted
// fragments; or, for every third case, a file made of fragments alone.
std::string MakeCase(const std::string& seed, int i, std::mt19937& rng) {
  std::string s = i % 3 == 2 ? "" : seed;
  for (int e = 0, edits = 1 + static_cast<int>(rng() % (i % 3 == 2 ? 60 : 8)); e < edits; ++e) {
    const std::size_t pos = rng() % (s.size() + 1);
    switch (rng() % 4) {
      case 0: if (!s.empty()) s[pos % s.size()] = static_cast<char>(rng()); break;
      case 1: if (!s.empty()) s.erase(pos % s.size(), 1 + rng() % 16); break;
      case 2: if (!s.empty()) s.insert(pos, s.substr(rng() % s.size(), 1 + rng() % 64)); break;
      default: s.insert(pos, kFragments[rng() % std::size(kFragments)]); break;
    }
  }
  return s;
}

// Loads bytes twice; checks that both answers agree and that a rejection
// names its line and a file that loads keeps what the simulation relies on.
bool CheckOne(const std::string& bytes) {
  auto w = std::make_unique<WeaponTable>(), w2 = std::make_unique<WeaponTable>();
  auto o = std::make_unique<ObjTable>(), o2 = std::make_unique<ObjTable>();
  auto s = std::make_unique<SObjTable>(), s2 = std::make_unique<SObjTable>();
  ArmsError e, e2;
  const bool ok = LoadArmsFromBytes(*w, *o, *s, bytes, "fuzz.dat", e);
  EXPECT_EQ(ok, LoadArmsFromBytes(*w2, *o2, *s2, bytes, "fuzz.dat", e2));
  if (!ok) {
    EXPECT_TRUE(e.Message() == e2.Message() && !e.what.empty());
    EXPECT_TRUE(e.line >= 1 && e.line <= std::count(bytes.begin(), bytes.end(), '\r') + 1) << e.line;
    EXPECT_EQ(e.Message().rfind("fuzz.dat:" + std::to_string(e.line) + ": ", 0), 0u) << e.Message();
    for (const WeaponDef& d : *w) EXPECT_TRUE(d.NAME.empty() && d.SPEED == 0);
    return false;
  }
  EXPECT_EQ(ArmsJson(*w, *o, *s), ArmsJson(*w2, *o2, *s2));
  for (const WeaponDef& d : *w)  // every trail the simulation will run has a usable period
    EXPECT_TRUE((d.PTRAILPTYPE == 0 || d.PTRAILDELAY >= 1) && (d.OTRAILTYPE == 0 || d.OTRAILDELAY >= 1) &&
                std::abs(d.PTRAILDELAY * 5) <= 32767 && std::abs(d.OTRAILDELAY * 5) <= 32767);
  for (const ObjDef& d : *o) EXPECT_TRUE((!d.OTRAILTYPE || d.OTRAILDELAY >= 1) && std::abs(d.OTRAILDELAY * 5) < 32768);
  // Slot 0 of the object tables is never filled by a file.
  EXPECT_TRUE((*o)[0].SPEED == 0 && (*o)[0].OTRAILTYPE == 0 && (*s)[0].DAMAGE == 0 && (*s)[0].ANIMDELAY == 0);
  return true;
}

TEST(ArmsFuzz, MutatedAndRandomFilesNeverCrash) {
  std::mt19937 rng(20240611);
  const std::string seed = SeedFile();
  ASSERT_TRUE(CheckOne(seed));
  int accepted = 0, rejected = 0;
  for (int i = 0; i < 900 && !HasFailure(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    (CheckOne(MakeCase(seed, i, rng)) ? accepted : rejected)++;
  }
  EXPECT_TRUE(accepted > 60 && rejected > 60) << "both outcomes exercised: " << accepted << "/" << rejected;
}

}  // namespace
}  // namespace krel
